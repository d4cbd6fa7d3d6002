// The FSOUND stream calls on libmpg123 and SDL2. A stream decodes in SDL's audio
// callback at its own rate and channel count (SDL converts for the device), and its
// position is what the device has played. Without a device a silent sink keeps the
// position running in real time, so the show still runs on its clock.
//
// The FSOUND calls come from one thread; SDL's audio thread only runs the callback.

#include "platform/sound.h"
#include "platform/sound_sdl.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include <SDL.h>

#include "platform/mp3_decoder.h"
#include "platform/playback_clock.h"

// Frames a callback fills: about 23 ms at 44.1 kHz.
static const Uint16 DEVICE_PERIOD_FRAMES = 1024;
// Periods between a take and the listener: the one just taken and the one the device
// is playing. SDL2 cannot ask a device for its latency, so this is the estimate.
static const int QUEUED_PERIODS = 2;

// Points standard error at /dev/null while it lives: SDL's audio back ends (ALSA's
// library, for one) print their own complaints there as SDL tries them.
class QuietStderr {
public:
    QuietStderr()
    {
        std::fflush(stderr);
        saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            dup2(null, STDERR_FILENO);
        if (null >= 0)
            close(null);
    }
    ~QuietStderr()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    QuietStderr(const QuietStderr &) = delete;
    QuietStderr &operator=(const QuietStderr &) = delete;

private:
    int saved_ = -1;
};

// Where a playing stream's samples go.
class Output {
public:
    virtual ~Output() = default;
    virtual void SetPaused(bool paused) = 0;
    virtual SoundOutputReport Report() = 0;
    // The stream goes on from this frame of the music; returns the frames the output
    // had taken by then, the last ones the listener hears of what played before.
    virtual int64_t Seek(Mp3Decoder &decoder, uint64_t frame) = 0;
};

static int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// No device: frames are taken, and heard, at the sample rate of the steady clock.
// The count comes from the time played in total, never from sums of steps, so it
// cannot drift.
class SilentOutput : public Output {
public:
    explicit SilentOutput(int sampleRate) : sampleRate_(sampleRate) {}

    void SetPaused(bool paused) override
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

    SoundOutputReport Report() override
    {
        const int64_t played = playedNs_ + (paused_ ? 0 : NowNs() - resumedAtNs_);
        const int64_t frames = FramesIn(played, sampleRate_);
        return {false, sampleRate_, frames, frames};
    }

    // Nothing decodes here, so only the clock counts.
    int64_t Seek(Mp3Decoder &, uint64_t) override { return Report().framesTaken; }

private:
    int sampleRate_;
    bool paused_ = true;
    int64_t playedNs_ = 0;
    int64_t resumedAtNs_ = 0;
};

// An SDL audio device fed by the callback. Closing it waits for the callback to
// return, so the decoder it reads is safe to destroy afterwards.
class DeviceOutput : public Output {
public:
    explicit DeviceOutput(Mp3Decoder &decoder)
        : decoder_(decoder), clock_(decoder.SampleRate(), QUEUED_PERIODS * DEVICE_PERIOD_FRAMES)
    {
    }
    ~DeviceOutput() override
    {
        if (device_ == 0)
            return;
        QuietStderr quiet;
        SDL_CloseAudioDevice(device_);
    }

    // False, with SDL's reason, when no device opens. It opens paused.
    bool Open(std::string *why)
    {
        SDL_AudioSpec want{};
        want.freq = decoder_.SampleRate();
        want.format = AUDIO_S16SYS;
        want.channels = Uint8(decoder_.Channels());
        want.samples = DEVICE_PERIOD_FRAMES;
        want.callback = Fill;
        want.userdata = this;
        SDL_AudioSpec have{};
        {
            QuietStderr quiet;
            device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        }
        if (device_ == 0) {
            *why = SDL_GetError();
            return false;
        }
        std::lock_guard<std::mutex> guard(lock_);
        clock_ = PlaybackClock(decoder_.SampleRate(), QUEUED_PERIODS * int64_t(have.samples));
        return true;
    }

    void SetPaused(bool paused) override { SDL_PauseAudioDevice(device_, paused ? 1 : 0); }

    SoundOutputReport Report() override
    {
        std::lock_guard<std::mutex> guard(lock_);
        return {true, decoder_.SampleRate(), taken_, clock_.Heard(NowNs())};
    }

    // The callback is held off while the decoder moves.
    int64_t Seek(Mp3Decoder &decoder, uint64_t frame) override
    {
        SDL_LockAudioDevice(device_);
        decoder.Seek(frame);
        int64_t taken;
        {
            std::lock_guard<std::mutex> guard(lock_);
            taken = taken_;
        }
        SDL_UnlockAudioDevice(device_);
        return taken;
    }

private:
    static void SDLCALL Fill(void *self, Uint8 *bytes, int length)
    {
        DeviceOutput &output = *static_cast<DeviceOutput *>(self);
        const int64_t now = NowNs();
        const size_t frameBytes = size_t(output.decoder_.Channels()) * sizeof(int16_t);
        const size_t frames = length > 0 ? size_t(length) / frameBytes : 0;
        const size_t decoded = output.decoder_.Decode(reinterpret_cast<int16_t *>(bytes), frames);
        // After the music, silence: the device goes on taking frames and the clock runs.
        std::memset(bytes + decoded * frameBytes, 0, size_t(length) - decoded * frameBytes);
        std::lock_guard<std::mutex> guard(output.lock_);
        output.taken_ += int64_t(frames);
        output.clock_.OnTaken(now, output.taken_);
    }

    Mp3Decoder &decoder_;
    SDL_AudioDeviceID device_ = 0;
    std::mutex lock_; // the clock and count, between the callback and the FSOUND calls
    PlaybackClock clock_;
    int64_t taken_ = 0;
};

struct FSOUND_STREAM {
    std::unique_ptr<Mp3Decoder> decoder;
    std::unique_ptr<Output> output; // declared after the decoder, so it closes first
    int channel = -1;
    // The position is startMs once the output has played past startTaken frames.
    int startMs = 0;
    int64_t startTaken = 0;
};

struct SoundLayer {
    int channelCount = 32;
    bool audioUp = false;  // SDL's audio subsystem is initialised
    std::string noAudio;   // why it could not be, once tried
    bool toldSilent = false;
    int startMs = 0;       // where streams start playing
    bool muted = false;    // every stream on the silent sink, no device tried
    std::vector<std::unique_ptr<FSOUND_STREAM>> streams;
};

static void CloseAtExit();

// Never destroyed: nothing SDL's audio thread reads can go while exit() runs the
// static destructors. The exit hook closes the devices, which ends that thread,
// before the audio libraries' own clean-up runs.
static SoundLayer &Layer()
{
    static SoundLayer &layer = []() -> SoundLayer & {
        std::atexit(CloseAtExit);
        return *std::make_unique<SoundLayer>().release();
    }();
    return layer;
}

static void StartAudio(SoundLayer &layer)
{
    if (layer.audioUp || !layer.noAudio.empty())
        return;
    // SDL would otherwise turn Ctrl+C and SIGTERM into quit events that nobody
    // reads, and the show could not be interrupted.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    QuietStderr quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        layer.audioUp = true;
    else
        layer.noAudio = SDL_GetError();
}

static void StopAudio(SoundLayer &layer)
{
    layer.streams.clear();
    if (layer.audioUp) {
        QuietStderr quiet;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    layer.audioUp = false;
    layer.noAudio.clear();
    layer.toldSilent = false;
}

static void CloseAtExit()
{
    StopAudio(Layer());
}

static bool IsOpen(const SoundLayer &layer, const FSOUND_STREAM *stream)
{
    for (const auto &open : layer.streams)
        if (open.get() == stream)
            return true;
    return false;
}

static FSOUND_STREAM *StreamOn(const SoundLayer &layer, int channel)
{
    for (const auto &stream : layer.streams)
        if (stream->output && stream->channel == channel)
            return stream.get();
    return nullptr;
}

// The device when one opens; otherwise the silent sink, said once on stderr unless
// the viewer asked for silence.
static std::unique_ptr<Output> OpenOutput(SoundLayer &layer, Mp3Decoder &decoder)
{
    if (layer.muted)
        return std::make_unique<SilentOutput>(decoder.SampleRate());
    StartAudio(layer);
    std::string why = layer.noAudio;
    if (layer.audioUp) {
        auto device = std::make_unique<DeviceOutput>(decoder);
        if (device->Open(&why))
            return device;
    }
    if (!layer.toldSilent) {
        std::fprintf(stderr, "sound: no audio device (%s), the show plays silently\n", why.c_str());
        layer.toldSilent = true;
    }
    return std::make_unique<SilentOutput>(decoder.SampleRate());
}

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int)
{
    if (mixRate <= 0 || maxSoftwareChannels <= 0)
        return 0;
    SoundLayer &layer = Layer();
    layer.channelCount = maxSoftwareChannels;
    // No device is no failure: streams then play on the silent sink.
    if (!layer.muted)
        StartAudio(layer);
    return 1;
}

void FSOUND_Close()
{
    StopAudio(Layer());
}

FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *data, unsigned int mode, int length)
{
    if (!data || length <= 0 || !(mode & FSOUND_LOADMEMORY))
        return nullptr;
    auto decoder = Mp3Decoder::Open(reinterpret_cast<const unsigned char *>(data), size_t(length));
    if (!decoder)
        return nullptr;
    SoundLayer &layer = Layer();
    layer.streams.push_back(std::make_unique<FSOUND_STREAM>());
    layer.streams.back()->decoder = std::move(decoder);
    return layer.streams.back().get();
}

int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM *stream, void *, signed char startPaused)
{
    SoundLayer &layer = Layer();
    if (!IsOpen(layer, stream))
        return -1;
    if (stream->output)
        return stream->channel;
    if (channel == FSOUND_FREE) {
        channel = 0;
        while (channel < layer.channelCount && StreamOn(layer, channel))
            channel++;
    }
    if (channel < 0 || channel >= layer.channelCount || StreamOn(layer, channel))
        return -1;
    stream->startMs = layer.startMs;
    stream->decoder->Seek(uint64_t(layer.startMs) * uint64_t(stream->decoder->SampleRate()) / 1000);
    stream->output = OpenOutput(layer, *stream->decoder);
    stream->channel = channel;
    stream->output->SetPaused(startPaused != 0);
    return channel;
}

signed char FSOUND_SetPaused(int channel, signed char paused)
{
    FSOUND_STREAM *stream = StreamOn(Layer(), channel);
    if (!stream)
        return 0;
    stream->output->SetPaused(paused != 0);
    return 1;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM *stream)
{
    SoundOutputReport report;
    if (!ReportSoundOutput(stream, &report))
        return 0;
    const int64_t heard = std::max<int64_t>(0, report.framesHeard - stream->startTaken);
    const int64_t ms = stream->startMs + heard * 1000 / report.sampleRate;
    return ms < INT_MAX ? int(ms) : INT_MAX;
}

void SetStreamStart(int milliseconds)
{
    Layer().startMs = std::max(0, milliseconds);
}

void SetSoundMuted(bool muted)
{
    Layer().muted = muted;
}

void RewindStream(FSOUND_STREAM *stream)
{
    if (!IsOpen(Layer(), stream) || !stream->output)
        return;
    stream->startTaken = stream->output->Seek(*stream->decoder, 0);
    stream->startMs = 0;
}

bool ReportSoundOutput(FSOUND_STREAM *stream, SoundOutputReport *report)
{
    if (!IsOpen(Layer(), stream) || !stream->output)
        return false;
    *report = stream->output->Report();
    return true;
}
