#include "platform/desktop/playback_clock.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

static const int64_t NS_PER_SECOND = 1000000000;

int64_t FramesIn(int64_t nanoseconds, int sampleRate)
{
    if (nanoseconds <= 0 || sampleRate <= 0)
        return 0;
    // Whole seconds and the rest apart, so that the product never overflows.
    return nanoseconds / NS_PER_SECOND * sampleRate + nanoseconds % NS_PER_SECOND * sampleRate / NS_PER_SECOND;
}

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void PlaybackClock::Anchor(int64_t atNs, int64_t heard, int64_t runOn)
{
    // A report older than the last one says nothing new.
    if (count_ > 0 && atNs < marks_[0].atNs)
        return;
    for (int i = MARKS - 1; i > 0; i--)
        marks_[i] = marks_[i - 1];
    marks_[0] = {atNs, heard, std::max<int64_t>(0, runOn)};
    count_ = std::min(count_ + 1, MARKS);
}

int64_t PlaybackClock::Heard(int64_t nowNs)
{
    if (count_ == 0)
        return heard_;
    // From each anchor the listener catches up at the sample rate until the output, if
    // it stalls, has played all it held; a position behind an earlier answer holds
    // until it is passed.
    int64_t furthest = INT64_MIN;
    for (int i = 0; i < count_; i++) {
        const Mark &mark = marks_[i];
        furthest = std::max(furthest, mark.heard + std::min(FramesIn(nowNs - mark.atNs, sampleRate_), mark.runOn));
    }
    // The last anchor bounds them all: the listener is no further than its frame and run-on.
    heard_ = std::max(heard_, std::min(furthest, marks_[0].heard + marks_[0].runOn));
    return heard_;
}
