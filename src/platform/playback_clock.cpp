#include "platform/playback_clock.h"

#include <algorithm>
#include <chrono>

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
    if (atNs < anchorNs_)
        return;
    anchorNs_ = atNs;
    anchorHeard_ = heard;
    runOn_ = std::max<int64_t>(0, runOn);
}

int64_t PlaybackClock::Heard(int64_t nowNs)
{
    // The listener catches up at the sample rate until the output, if it stalls, has
    // played all it held; a new anchor behind an earlier answer holds the position
    // until it is passed.
    const int64_t since = FramesIn(nowNs - anchorNs_, sampleRate_);
    heard_ = std::max(heard_, anchorHeard_ + std::min(since, runOn_));
    return heard_;
}
