// The desktop's players of the sound front: libmpg123 decodes a stream at its own
// rate and channel count (the server or SDL converts for the device), and its
// position is what the listener hears.
//
// Where a sound server runs (PulseAudio, or PipeWire's server for its clients) the
// stream goes to it directly (pulse_output.cpp): it says how much it still holds,
// and when its device or the server goes away. Elsewhere SDL2 plays (sdl_output.cpp:
// ALSA, and the rest of SDL's drivers), or whichever SDL_AUDIODRIVER names. Without
// a device the silent sink (silent_output.cpp) keeps the position running in real
// time, so the show still runs on its clock.
//
// Once a frame (the window's buffer swap) a stream follows its device: a device
// that has gone leaves the stream on the silent sink from the position reached;
// from then on, and when there was none at the start, the server is tried every
// second (or, where SDL_AUDIODRIVER names a driver, an SDL device), and once one
// takes the stream the music goes on from the position the silent sink has
// reached. One line on stderr says each of these.
//
// The sound front's calls come from one thread; the server's and SDL's threads only
// feed their outputs.

#include "platform/desktop/sound_report.h"
#include "platform/sound_backend.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "music/mp3_decoder.h"
#include "platform/desktop/playback_clock.h"
#include "platform/desktop/pulse_output.h"
#include "platform/desktop/sdl_output.h"
#include "platform/desktop/silent_output.h"

// How long the start waits for the server to open a stream (a few milliseconds when
// it is well).
static const int64_t SERVER_WAIT_NS = 1500000000;
// How often a stream on the silent sink for want of a device tries the server again.
static const int64_t RETRY_EVERY_NS = 1000000000;

namespace {

struct DesktopSound {
    bool toldSilent = false; // "no audio device" is said once
};

DesktopSound s_sound;

// The server is spoken to directly unless SDL_AUDIODRIVER names one of SDL's drivers
// (the tests name SDL's dummy device, or one SDL does not have).
bool UsesServer()
{
    const char *driver = std::getenv("SDL_AUDIODRIVER");
    return !driver || !*driver;
}

class DesktopPlayer final : public StreamPlayer {
public:
    explicit DesktopPlayer(std::unique_ptr<Mp3Decoder> decoder) : decoder_(std::move(decoder)) {}

    void Play(int fromMs, bool paused, bool muted) override
    {
        startMs_ = fromMs;
        paused_ = paused;
        decoder_->Seek(FrameAt(fromMs));
        OpenOutput(muted);
        output_->SetPaused(paused_);
    }

    void SetPaused(bool paused) override
    {
        paused_ = paused;
        output_->SetPaused(paused);
    }

    int Position() override { return PositionMs(Counts().heard); }

    void Seek(int milliseconds) override
    {
        startTaken_ = base_ + output_->Seek(*decoder_, FrameAt(milliseconds));
        startMs_ = milliseconds;
    }

    void FollowDevice() override;

    SoundOutputReport Report()
    {
        const OutputCounts counts = Counts();
        return {output_->Plays(), decoder_->SampleRate(), counts.taken, counts.heard};
    }

private:
    // Frames taken and heard on the stream's own count.
    OutputCounts Counts()
    {
        const OutputCounts counts = output_->Counts();
        return {base_ + counts.taken, base_ + counts.heard};
    }

    // The music's frame at that many milliseconds from its start.
    uint64_t FrameAt(int milliseconds) const
    {
        return uint64_t(milliseconds) * uint64_t(decoder_->SampleRate()) / 1000;
    }

    int PositionMs(int64_t heard) const
    {
        const int64_t since = std::max<int64_t>(0, heard - startTaken_);
        const int64_t ms = startMs_ + since * 1000 / decoder_->SampleRate();
        return ms < INT_MAX ? int(ms) : INT_MAX;
    }

    // The new output counts on from `heard`, the frame the listener has reached on the
    // one before, so the position neither jumps nor goes back.
    void Replace(std::unique_ptr<SoundOutput> output, int64_t heard)
    {
        output_ = std::move(output);
        base_ = heard;
    }

    void GoSilent(const std::string &why);
    uint64_t TakeOver(int64_t heard, const char *through, bool say);
    void TakeServer(bool say);
    void TakeDevice(std::unique_ptr<SdlOutput> device, bool say);
    void OpenOutput(bool muted);

    std::unique_ptr<Mp3Decoder> decoder_;
    std::unique_ptr<SoundOutput> output_;  // declared after the decoder, so it closes first
    std::unique_ptr<PulseOutput> attempt_; // a server being tried while the output is silent
    std::unique_ptr<SdlOpening> opening_;  // or an SDL device
    bool paused_ = true;
    bool seeksDevice_ = false; // on the silent sink, tries for a device again now and then
    int64_t retryAtNs_ = 0;
    // The output's frame 0 is this frame of the stream, which counts every frame
    // played since it began, on whichever output.
    int64_t base_ = 0;
    // The position is startMs_ once the stream has played past startTaken_ frames.
    int startMs_ = 0;
    int64_t startTaken_ = 0;
};

void DesktopPlayer::GoSilent(const std::string &why)
{
    std::fprintf(stderr, "sound: lost the audio device (%s), the show plays on silently\n", why.c_str());
    Replace(std::make_unique<SilentOutput>(decoder_->SampleRate()), Counts().heard);
    output_->SetPaused(paused_);
    retryAtNs_ = NowNs() + RETRY_EVERY_NS;
}

// A device has come: the music goes on there from the position heard so far, the
// frame returned. A seek not heard yet is heard from here.
uint64_t DesktopPlayer::TakeOver(int64_t heard, const char *through, bool say)
{
    startTaken_ = std::min(startTaken_, heard);
    if (say)
        std::fprintf(stderr, "sound: playing through %s from %.1f s\n", through, PositionMs(heard) / 1000.0);
    return FrameAt(startMs_) + uint64_t(heard - startTaken_);
}

void DesktopPlayer::TakeServer(bool say)
{
    const int64_t heard = Counts().heard;
    attempt_->Start(TakeOver(heard, "the sound server", say), paused_);
    Replace(std::move(attempt_), heard);
}

void DesktopPlayer::TakeDevice(std::unique_ptr<SdlOutput> device, bool say)
{
    const int64_t heard = Counts().heard;
    device->Start(*decoder_, TakeOver(heard, "the audio device", say), paused_);
    Replace(std::move(device), heard);
}

void DesktopPlayer::FollowDevice()
{
    std::string why;
    if (output_->Lost(&why))
        GoSilent(why);
    if (output_->Plays() || !seeksDevice_)
        return;
    const int64_t now = NowNs();
    if (!attempt_ && !opening_) {
        if (now < retryAtNs_)
            return;
        retryAtNs_ = now + RETRY_EVERY_NS;
        if (!UsesServer()) {
            opening_ = std::make_unique<SdlOpening>(decoder_->SampleRate(), decoder_->Channels());
            return;
        }
        attempt_ = PulseOutput::Connect(*decoder_);
        if (!attempt_)
            return;
    }
    if (opening_) {
        std::unique_ptr<SdlOutput> device;
        if (opening_->Done(&device, &why)) {
            opening_.reset();
            if (device)
                TakeDevice(std::move(device), true);
        }
        return;
    }
    switch (attempt_->Poll(&why)) {
    case PulseOutput::State::READY: TakeServer(true); break;
    case PulseOutput::State::FAILED: attempt_.reset(); break;
    case PulseOutput::State::CONNECTING: break;
    }
}

// The server when one takes the stream, or else an SDL device; otherwise the silent
// sink, said once on stderr unless the viewer asked for silence.
void DesktopPlayer::OpenOutput(bool muted)
{
    output_ = std::make_unique<SilentOutput>(decoder_->SampleRate());
    if (muted)
        return;
    seeksDevice_ = true;
    std::string why;
    if (UsesServer()) {
        attempt_ = PulseOutput::Connect(*decoder_);
        PulseOutput::State state = attempt_ ? PulseOutput::State::CONNECTING : PulseOutput::State::FAILED;
        for (const int64_t deadline = NowNs() + SERVER_WAIT_NS; attempt_;) {
            state = attempt_->Poll(&why);
            if (state != PulseOutput::State::CONNECTING || NowNs() > deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (state == PulseOutput::State::READY) {
            TakeServer(false);
            return;
        }
        if (state == PulseOutput::State::CONNECTING) {
            // SDL would wait on the same server, maybe for ever; this one goes on trying.
            why = "the sound server does not answer";
        } else {
            attempt_.reset();
            why = "no sound server: " + why;
        }
    }
    if (!attempt_) {
        std::string sdlWhy;
        if (std::unique_ptr<SdlOutput> device =
                SdlOutput::Open(decoder_->SampleRate(), decoder_->Channels(), &sdlWhy)) {
            TakeDevice(std::move(device), false);
            return;
        }
        why += (why.empty() ? "" : "; ") + sdlWhy;
    }
    retryAtNs_ = NowNs() + RETRY_EVERY_NS;
    if (!s_sound.toldSilent) {
        std::fprintf(stderr, "sound: no audio device (%s), the show plays silently\n", why.c_str());
        s_sound.toldSilent = true;
    }
}

} // namespace

std::unique_ptr<StreamPlayer> OpenStreamPlayer(const unsigned char *data, size_t size)
{
    std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(data, size);
    if (!decoder)
        return nullptr;
    return std::make_unique<DesktopPlayer>(std::move(decoder));
}

// The desktop's clock is always the sound's own.
bool HostMusicPosition(int *) { return false; }

// SDL starts when a stream finds no server.
void StartSoundBackend() {}

void StopSoundBackend()
{
    StopSdlAudio();
    s_sound.toldSilent = false;
}

bool ReportSoundOutput(FSOUND_STREAM *stream, SoundOutputReport *report)
{
    // Every player here is the desktop's own.
    auto *player = static_cast<DesktopPlayer *>(PlayerOf(stream));
    if (!player)
        return false;
    *report = player->Report();
    return true;
}
