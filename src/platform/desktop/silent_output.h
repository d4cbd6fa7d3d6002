// No device: frames are taken, and heard, at the sample rate of the steady clock.
// The count comes from the time played in total, never from sums of steps, so it
// cannot drift.
#pragma once

#include <cstdint>

#include "platform/desktop/sound_output.h"

class SilentOutput final : public SoundOutput {
public:
    explicit SilentOutput(int sampleRate) : sampleRate_(sampleRate) {}

    bool Plays() const override { return false; }
    void SetPaused(bool paused) override;
    OutputCounts Counts() override;
    // Nothing decodes here, so only the clock counts.
    int64_t Seek(Mp3Decoder &, uint64_t) override { return Counts().taken; }

private:
    int sampleRate_;
    bool paused_ = true;
    int64_t playedNs_ = 0;
    int64_t resumedAtNs_ = 0;
};
