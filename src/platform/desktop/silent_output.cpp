#include "platform/desktop/silent_output.h"

#include "platform/desktop/playback_clock.h"

void SilentOutput::SetPaused(bool paused)
{
    if (paused == paused_)
        return;
    const int64_t now = NowNs();
    if (paused)
        playedNs_ += now - resumedAtNs_;
    else
        resumedAtNs_ = now;
    paused_ = paused;
}

OutputCounts SilentOutput::Counts()
{
    const int64_t played = playedNs_ + (paused_ ? 0 : NowNs() - resumedAtNs_);
    const int64_t frames = FramesIn(played, sampleRate_);
    return {frames, frames};
}
