// The soundtrack on the desktop's sound server, spoken to in its own protocol
// (PulseAudio's, which PipeWire's server speaks too). Unlike SDL2 the server says
// how much of what it took is still to be heard, so the position is what the
// listener hears; it says when its device or the server itself goes away; and
// letting go of it never waits on the server.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/desktop/playback_clock.h"
#include "platform/desktop/sound_output.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;

class PulseOutput final : public SoundOutput {
    struct Key {
        explicit Key() = default;
    };

public:
    enum class State { CONNECTING, READY, FAILED };

    // Starts connecting to the server that runs (it never starts one) and opening a
    // stream on its default device, at the decoder's rate and channel count. The
    // stream takes nothing from the decoder until Start. Null when libpulse cannot
    // even begin.
    static std::unique_ptr<PulseOutput> Connect(Mp3Decoder &decoder);
    PulseOutput(Key, Mp3Decoder &decoder);
    ~PulseOutput() override;
    PulseOutput(const PulseOutput &) = delete;
    PulseOutput &operator=(const PulseOutput &) = delete;

    // READY once the stream is open; FAILED, with the server's reason, when there is
    // no server, no device, or the connection broke.
    State Poll(std::string *why);
    // Plays the music from this frame on (unless paused), fed from the decoder by the
    // connection's thread; the output's counts start here.
    void Start(uint64_t frame, bool paused);

    bool Plays() const override { return true; }
    void SetPaused(bool paused) override;
    OutputCounts Counts() override;
    int64_t Seek(Mp3Decoder &decoder, uint64_t frame) override;
    bool Lost(std::string *why) override;

private:
    struct Callbacks; // the server's library calls these on the main loop's thread
    void OpenStream();
    void Feed(size_t bytes);
    void Fail(const char *why);

    // Everything below is read and written with the main loop's lock held: its
    // thread holds it while it runs the callbacks.
    Mp3Decoder &decoder_;
    const int rate_;
    const size_t frameBytes_;
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    pa_stream *stream_ = nullptr;
    pa_time_event *timer_ = nullptr;
    State state_ = State::CONNECTING;
    std::string why_;
    bool feeding_ = false;
    bool asking_ = false; // a question about the position is on its way, since askedAt_
    uint64_t askedAt_ = 0;
    int64_t written_ = 0;
    PlaybackClock clock_;
};
