// The heard position follows the device's own count of frames: what it has taken
// minus what it still holds, moving on between takes, never backwards, never past
// what it took, and never drifting from the device however long it plays.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "platform/desktop/playback_clock.h"

namespace {

const int RATE = 44100;
const int64_t PERIOD = 1024;
const int64_t QUEUED = 2 * PERIOD;
const int64_t NS = 1000000000;

// The first nanosecond by which `frames` have played.
int64_t NsFor(int64_t frames) { return (frames * NS + RATE - 1) / RATE; }

TEST(PlaybackClock, HeardIsTakenMinusQueuedAndMovesOnBetweenTakes)
{
    PlaybackClock clock(RATE);
    EXPECT_EQ(clock.Heard(0), 0);
    // The first takes fill the device: nothing is heard yet.
    clock.OnTaken(1000, PERIOD, QUEUED);
    clock.OnTaken(2000, 2 * PERIOD, QUEUED);
    EXPECT_EQ(clock.Heard(2000), 0);
    const int64_t t = 2000 + NsFor(PERIOD);
    clock.OnTaken(t, 3 * PERIOD, QUEUED);
    EXPECT_EQ(clock.Heard(t), PERIOD);
    EXPECT_EQ(clock.Heard(t + NsFor(500)), PERIOD + 500);
}

TEST(PlaybackClock, StalledDeviceHoldsAtWhatItTookAndNeverGoesBack)
{
    PlaybackClock clock(RATE);
    clock.OnTaken(0, 10 * PERIOD, QUEUED);
    EXPECT_EQ(clock.Heard(NS), 10 * PERIOD);
    EXPECT_EQ(clock.Heard(60 * NS), 10 * PERIOD);
    // Takes again: the new anchor lies behind what was reported, which holds.
    clock.OnTaken(61 * NS, 11 * PERIOD, QUEUED);
    EXPECT_EQ(clock.Heard(61 * NS), 10 * PERIOD);
    EXPECT_EQ(clock.Heard(61 * NS + NsFor(QUEUED)), 11 * PERIOD);
    // A reading from before the last take, as a racing caller may make.
    EXPECT_EQ(clock.Heard(60 * NS), 11 * PERIOD);
}

// A report stamped late (here 15 ms after the reading it holds) puts its listener
// behind the others': the position goes on from the furthest, without a halt.
TEST(PlaybackClock, ALateReportHoldsNothingBack)
{
    PlaybackClock clock(RATE);
    clock.Anchor(0, 0, QUEUED);
    clock.Anchor(NsFor(882), 882, QUEUED);
    const int64_t late = NsFor(1764) + 15000000;
    clock.Anchor(late, 1764, QUEUED);
    EXPECT_GE(clock.Heard(late), 1764 + 660);
}

// An hour of a device whose crystal runs off ours, with callbacks up to 3 ms late:
// the position stays within a period of what the device really plays.
TEST(PlaybackClock, FollowsADeviceOffOurClockForAnHour)
{
    for (double offset : {-0.005, 0.005}) {
        SCOPED_TRACE(offset);
        const double deviceRate = RATE * (1 + offset);
        PlaybackClock clock(RATE);
        std::mt19937 random(3);
        int64_t last = 0;
        int64_t worst = 0;
        for (int64_t k = 0; k * PERIOD < int64_t(3600 * deviceRate); k++) {
            const int64_t due = int64_t(k * PERIOD / deviceRate * NS);
            clock.OnTaken(due + int64_t(random() % 3000000), (k + 1) * PERIOD, QUEUED);
            const int64_t query = due + int64_t(random() % uint64_t(NsFor(PERIOD)));
            const int64_t heard = clock.Heard(query);
            const int64_t played = std::max<int64_t>(0, int64_t(query * deviceRate / NS) - (QUEUED - PERIOD));
            ASSERT_GE(heard, last);
            ASSERT_LE(heard, (k + 1) * PERIOD);
            worst = std::max(worst, std::abs(heard - played));
            last = heard;
        }
        EXPECT_LE(worst, PERIOD);
    }
}

TEST(PlaybackClock, FramesInIsExactForAnyDuration)
{
    EXPECT_EQ(FramesIn(NS - 1, 44100), 44099);
    EXPECT_EQ(FramesIn(NS, 44100), 44100);
    EXPECT_EQ(FramesIn(-5, 44100), 0);
    const int64_t tenYears = int64_t(10) * 365 * 86400;
    EXPECT_EQ(FramesIn(tenYears * NS + NS / 2, 48000), tenYears * 48000 + 24000);
}

} // namespace
