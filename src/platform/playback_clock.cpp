#include "platform/playback_clock.h"

#include <algorithm>

static const int64_t NS_PER_SECOND = 1000000000;

int64_t FramesIn(int64_t nanoseconds, int sampleRate)
{
    if (nanoseconds <= 0 || sampleRate <= 0)
        return 0;
    // Whole seconds and the rest apart, so that the product never overflows.
    return nanoseconds / NS_PER_SECOND * sampleRate + nanoseconds % NS_PER_SECOND * sampleRate / NS_PER_SECOND;
}

PlaybackClock::PlaybackClock(int sampleRate, int64_t queuedFrames)
    : sampleRate_(sampleRate), queued_(std::max<int64_t>(0, queuedFrames))
{
}

void PlaybackClock::OnTaken(int64_t nowNs, int64_t framesTaken)
{
    if (framesTaken < taken_)
        return;
    taken_ = framesTaken;
    takenAtNs_ = nowNs;
}

int64_t PlaybackClock::Heard(int64_t nowNs)
{
    if (taken_ > 0) {
        // At a take the listener is `queued_` frames behind it, and catches up at the
        // sample rate until the device, if it stalls, has played all it took.
        const int64_t since = FramesIn(nowNs - takenAtNs_, sampleRate_);
        heard_ = std::max(heard_, taken_ - queued_ + std::min(since, queued_));
    }
    return heard_;
}
