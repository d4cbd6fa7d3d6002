// The soundtrack on an SDL2 audio device (ALSA, or whichever driver SDL_AUDIODRIVER
// names), fed by SDL's audio callback. SDL2 cannot ask a device for its latency, so
// the listener is taken to be two periods behind what the device took: the period
// just taken and the one it plays.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/desktop/sound_output.h"

struct SdlFeed;

class SdlOutput final : public SoundOutput {
    struct Key {
        explicit Key() = default;
    };

public:
    // A device for frames of that rate and channel count, opened paused; null, with
    // SDL's reason, when SDL's audio cannot start (it is tried once, until
    // StopSdlAudio) or no device opens.
    static std::unique_ptr<SdlOutput> Open(int sampleRate, int channels, std::string *why);
    SdlOutput(Key, int sampleRate, int channels);
    // Never waits long on the device: a close that does not finish is given up on.
    ~SdlOutput() override;
    SdlOutput(const SdlOutput &) = delete;
    SdlOutput &operator=(const SdlOutput &) = delete;

    // Plays the decoder from this frame on (unless paused); the output's counts start
    // here. Until then the device plays silence and counts nothing.
    void Start(Mp3Decoder &decoder, uint64_t frame, bool paused);

    bool Plays() const override { return true; }
    void SetPaused(bool paused) override;
    OutputCounts Counts() override;
    int64_t Seek(Mp3Decoder &decoder, uint64_t frame) override;
    // SDL keeps calling back at the device's pace after a device is unplugged, so
    // only its status tells.
    bool Lost(std::string *why) override;

private:
    friend class SdlOpening;
    // Open, with SDL's audio up and held by this thread.
    static std::unique_ptr<SdlOutput> OpenLocked(int sampleRate, int channels, std::string *why);

    std::shared_ptr<SdlFeed> feed_;
    unsigned device_ = 0;
};

// A device opened on a thread of its own, for a stream that plays on the silent
// sink meanwhile, so that an open that waits on a server that does not answer holds
// nothing up. SDL's audio is started afresh first, where no other device holds it:
// a driver may keep its connection to a server that went away until then. Standard
// error is quiet while SDL opens, as at the start.
class SdlOpening {
public:
    SdlOpening(int sampleRate, int channels);
    // A device that opens after this has gone is closed on the opening's thread.
    ~SdlOpening();
    SdlOpening(const SdlOpening &) = delete;
    SdlOpening &operator=(const SdlOpening &) = delete;

    // False while the device is opening; then true, once, with the device or with
    // SDL's reason for none.
    bool Done(std::unique_ptr<SdlOutput> *device, std::string *why);

private:
    struct Shared;
    struct Job;
    // The opening's own thread, given its Job.
    static int Run(void *job);

    std::shared_ptr<Shared> shared_;
};

// SDL's audio subsystem stopped, unless a device that would not close or a device
// still opening holds it; the next Open starts it again.
void StopSdlAudio();
