// The soundtrack on an SDL2 audio device (ALSA, or whichever driver SDL_AUDIODRIVER
// names), fed by SDL's audio callback. SDL2 cannot ask a device for its latency, so
// the listener is taken to be two periods behind what the device took: the period
// just taken and the one it plays.
#pragma once

#include <memory>
#include <string>

#include "platform/desktop/sound_output.h"

struct SdlFeed;

class SdlOutput final : public SoundOutput {
    struct Key {
        explicit Key() = default;
    };

public:
    // A device playing the decoder from where it stands, opened paused; null, with
    // SDL's reason, when SDL's audio cannot start or no device opens.
    static std::unique_ptr<SdlOutput> Open(Mp3Decoder &decoder, std::string *why);
    SdlOutput(Key, Mp3Decoder &decoder);
    // Never waits long on the device: a close that does not finish is given up on.
    ~SdlOutput() override;
    SdlOutput(const SdlOutput &) = delete;
    SdlOutput &operator=(const SdlOutput &) = delete;

    bool Plays() const override { return true; }
    void SetPaused(bool paused) override;
    OutputCounts Counts() override;
    int64_t Seek(Mp3Decoder &decoder, uint64_t frame) override;
    // SDL keeps calling back at the device's pace after a device is unplugged, so
    // only its status tells.
    bool Lost(std::string *why) override;

private:
    std::shared_ptr<SdlFeed> feed_;
    unsigned device_ = 0;
};

// SDL's audio subsystem stopped, unless a device that would not close holds it;
// the next Open starts it again.
void StopSdlAudio();
