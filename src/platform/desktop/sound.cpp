// The FSOUND stream calls on libmpg123, the desktop's sound server and SDL2. A
// stream decodes at its own rate and channel count (the server or SDL converts for
// the device), and its position is what the listener hears.
//
// Where a sound server runs (PulseAudio, or PipeWire's server for its clients) the
// stream goes to it directly (pulse_output.cpp): it says how much it still holds,
// and when its device or the server goes away. Elsewhere SDL2 plays (ALSA, and the
// rest of SDL's drivers), or whichever SDL_AUDIODRIVER names. Without a device
// a silent sink keeps the position running in real time, so the show still runs on
// its clock.
//
// A device that goes away leaves the stream on the silent sink from the position
// reached; from then on, and when there was none at the start, the server is tried
// every second, and once one takes the stream the music goes on from the position
// the silent sink has reached. One line on stderr says each of these.
//
// The FSOUND calls come from one thread; the server's and SDL's threads only feed
// their outputs.

#include "platform/sound.h"
#include "platform/desktop/sound_report.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <SDL.h>

#include "music/mp3_decoder.h"
#include "platform/desktop/playback_clock.h"
#include "platform/desktop/pulse_output.h"
#include "platform/sound_channels.h"
#include "platform/desktop/sound_output.h"

// Frames a callback fills: about 23 ms at 44.1 kHz.
static const Uint16 DEVICE_PERIOD_FRAMES = 1024;
// Periods between a take and the listener: the one just taken and the one the device
// is playing. SDL2 cannot ask a device for its latency, so this is the estimate.
static const int QUEUED_PERIODS = 2;
// How long the start waits for the server to open a stream (a few milliseconds when
// it is well), and how long an SDL device may take to close.
static const int64_t SERVER_WAIT_NS = 1500000000;
static const auto DEVICE_CLOSE_WAIT = std::chrono::milliseconds(500);
// How often a stream on the silent sink for want of a device tries the server again.
static const int64_t RETRY_EVERY_NS = 1000000000;

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

// No device: frames are taken, and heard, at the sample rate of the steady clock.
// The count comes from the time played in total, never from sums of steps, so it
// cannot drift.
class SilentOutput final : public SoundOutput {
public:
    explicit SilentOutput(int sampleRate) : sampleRate_(sampleRate) {}

    bool Plays() const override { return false; }

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

    OutputCounts Counts() override
    {
        const int64_t played = playedNs_ + (paused_ ? 0 : NowNs() - resumedAtNs_);
        const int64_t frames = FramesIn(played, sampleRate_);
        return {frames, frames};
    }

    // Nothing decodes here, so only the clock counts.
    int64_t Seek(Mp3Decoder &, uint64_t) override { return Counts().taken; }

private:
    int sampleRate_;
    bool paused_ = true;
    int64_t playedNs_ = 0;
    int64_t resumedAtNs_ = 0;
};

// What SDL's audio thread reads. It outlives the output when a device will not
// close in time; the decoder is let go of first, so the stream can go on elsewhere.
struct SdlFeed {
    explicit SdlFeed(Mp3Decoder &music)
        : decoder(&music), frameBytes(size_t(music.Channels()) * sizeof(int16_t)), clock(music.SampleRate())
    {
    }

    std::mutex lock;     // all of it, between SDL's thread and the FSOUND calls
    Mp3Decoder *decoder; // null once let go of: the callback then plays silence
    size_t frameBytes;
    PlaybackClock clock;
    int64_t queued = 0;
    int64_t taken = 0;
};

// Devices that did not close in time; SDL's audio is then left up at exit, since
// shutting it down would wait for them too.
static std::atomic<int> s_devicesLeftOpen{0};

// SDL joins its audio thread when it closes a device, and that thread may wait on a
// device or a server that never answers: the close runs on a thread of its own, and
// is given up on after a while.
static void CloseDevice(SDL_AudioDeviceID device, const std::shared_ptr<SdlFeed> &feed)
{
    {
        std::lock_guard<std::mutex> guard(feed->lock);
        feed->decoder = nullptr;
    }
    QuietStderr quiet;
    auto closed = std::make_shared<std::promise<void>>();
    std::future<void> done = closed->get_future();
    std::thread closer([device, feed, closed] {
        SDL_CloseAudioDevice(device);
        closed->set_value();
    });
    if (done.wait_for(DEVICE_CLOSE_WAIT) == std::future_status::ready) {
        closer.join();
    } else {
        closer.detach();
        s_devicesLeftOpen++;
    }
}

// An SDL audio device fed by the callback.
class DeviceOutput final : public SoundOutput {
public:
    explicit DeviceOutput(Mp3Decoder &decoder) : feed_(std::make_shared<SdlFeed>(decoder)) {}
    ~DeviceOutput() override
    {
        if (device_ != 0)
            CloseDevice(device_, feed_);
    }

    // False, with SDL's reason, when no device opens. It opens paused.
    bool Open(const Mp3Decoder &decoder, std::string *why)
    {
        SDL_AudioSpec want{};
        want.freq = decoder.SampleRate();
        want.format = AUDIO_S16SYS;
        want.channels = Uint8(decoder.Channels());
        want.samples = DEVICE_PERIOD_FRAMES;
        want.callback = Fill;
        want.userdata = feed_.get();
        SDL_AudioSpec have{};
        {
            QuietStderr quiet;
            device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        }
        if (device_ == 0) {
            *why = SDL_GetError();
            return false;
        }
        std::lock_guard<std::mutex> guard(feed_->lock);
        feed_->queued = QUEUED_PERIODS * int64_t(have.samples);
        return true;
    }

    bool Plays() const override { return true; }
    void SetPaused(bool paused) override { SDL_PauseAudioDevice(device_, paused ? 1 : 0); }

    OutputCounts Counts() override
    {
        std::lock_guard<std::mutex> guard(feed_->lock);
        return {feed_->taken, feed_->clock.Heard(NowNs())};
    }

    int64_t Seek(Mp3Decoder &decoder, uint64_t frame) override
    {
        std::lock_guard<std::mutex> guard(feed_->lock);
        decoder.Seek(frame);
        return feed_->taken;
    }

    // SDL keeps calling back at the device's pace after a device is unplugged, so
    // only its status tells.
    bool Lost(std::string *why) override
    {
        if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED)
            return false;
        *why = "disconnected";
        return true;
    }

private:
    static void SDLCALL Fill(void *userdata, Uint8 *bytes, int length)
    {
        SdlFeed &feed = *static_cast<SdlFeed *>(userdata);
        const int64_t now = NowNs();
        const size_t frames = length > 0 ? size_t(length) / feed.frameBytes : 0;
        std::lock_guard<std::mutex> guard(feed.lock);
        const size_t decoded = feed.decoder ? feed.decoder->Decode(reinterpret_cast<int16_t *>(bytes), frames) : 0;
        // After the music, silence: the device goes on taking frames and the clock runs.
        std::memset(bytes + decoded * feed.frameBytes, 0, size_t(length) - decoded * feed.frameBytes);
        feed.taken += int64_t(frames);
        feed.clock.OnTaken(now, feed.taken, feed.queued);
    }

    std::shared_ptr<SdlFeed> feed_;
    SDL_AudioDeviceID device_ = 0;
};

struct FSOUND_STREAM {
    std::unique_ptr<Mp3Decoder> decoder;
    std::unique_ptr<SoundOutput> output;  // declared after the decoder, so it closes first
    std::unique_ptr<PulseOutput> attempt; // a server being tried while the output is silent
    int channel = -1;
    bool paused = true;
    bool seeksDevice = false; // on the silent sink, tries the server again now and then
    int64_t retryAtNs = 0;
    // The output's frame 0 is this frame of the stream, which counts every frame
    // played since PlayEx, on whichever output.
    int64_t base = 0;
    // The position is startMs once the stream has played past startTaken frames.
    int startMs = 0;
    int64_t startTaken = 0;
};

struct SoundLayer {
    int channelCount = 32;
    bool audioUp = false; // SDL's audio subsystem is initialised
    std::string noAudio;  // why it could not be, once tried
    bool toldSilent = false;
    int startMs = 0;    // where streams start playing
    bool muted = false; // every stream on the silent sink, no device tried
    StreamList<FSOUND_STREAM> streams;
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

// The server is spoken to directly unless SDL_AUDIODRIVER names one of SDL's drivers
// (the tests name SDL's dummy device, or one SDL does not have).
static bool UsesServer()
{
    const char *driver = std::getenv("SDL_AUDIODRIVER");
    return !driver || !*driver;
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
    if (layer.audioUp && s_devicesLeftOpen == 0) {
        QuietStderr quiet;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    layer.audioUp = false;
    layer.noAudio.clear();
    layer.toldSilent = false;
}

static void CloseAtExit() { StopAudio(Layer()); }

// Frames taken and heard on the stream's own count.
static OutputCounts StreamCounts(FSOUND_STREAM &stream)
{
    const OutputCounts counts = stream.output->Counts();
    return {stream.base + counts.taken, stream.base + counts.heard};
}

// The music's frame at that many milliseconds from its start.
static uint64_t FrameAt(const FSOUND_STREAM &stream, int milliseconds)
{
    return uint64_t(milliseconds) * uint64_t(stream.decoder->SampleRate()) / 1000;
}

static int PositionMs(const FSOUND_STREAM &stream, int64_t heard)
{
    const int64_t since = std::max<int64_t>(0, heard - stream.startTaken);
    const int64_t ms = stream.startMs + since * 1000 / stream.decoder->SampleRate();
    return ms < INT_MAX ? int(ms) : INT_MAX;
}

// The new output counts on from `heard`, the frame the listener has reached on the
// one before, so the position neither jumps nor goes back.
static void Replace(FSOUND_STREAM &stream, std::unique_ptr<SoundOutput> output, int64_t heard)
{
    stream.output = std::move(output);
    stream.base = heard;
}

static void GoSilent(FSOUND_STREAM &stream, const std::string &why)
{
    std::fprintf(stderr, "sound: lost the audio device (%s), the show plays on silently\n", why.c_str());
    Replace(stream, std::make_unique<SilentOutput>(stream.decoder->SampleRate()), StreamCounts(stream).heard);
    stream.output->SetPaused(stream.paused);
    stream.retryAtNs = NowNs() + RETRY_EVERY_NS;
}

// The server has opened a stream: the music plays on it from the position heard so
// far. A rewind not heard yet is heard from here.
static void TakeServer(FSOUND_STREAM &stream, bool say)
{
    const int64_t heard = StreamCounts(stream).heard;
    stream.startTaken = std::min(stream.startTaken, heard);
    const int64_t since = heard - stream.startTaken;
    const uint64_t frame = FrameAt(stream, stream.startMs) + uint64_t(since);
    if (say)
        std::fprintf(stderr, "sound: playing through the sound server from %.1f s\n",
                     PositionMs(stream, heard) / 1000.0);
    stream.attempt->Start(frame, stream.paused);
    Replace(stream, std::move(stream.attempt), heard);
}

// What the FSOUND calls see first: a device gone, or a server come.
static void FollowDevices(FSOUND_STREAM &stream)
{
    std::string why;
    if (stream.output->Lost(&why))
        GoSilent(stream, why);
    if (stream.output->Plays() || !stream.seeksDevice)
        return;
    const int64_t now = NowNs();
    if (!stream.attempt) {
        if (now < stream.retryAtNs)
            return;
        stream.retryAtNs = now + RETRY_EVERY_NS;
        stream.attempt = PulseOutput::Connect(*stream.decoder);
        if (!stream.attempt)
            return;
    }
    switch (stream.attempt->Poll(&why)) {
    case PulseOutput::State::READY: TakeServer(stream, true); break;
    case PulseOutput::State::FAILED: stream.attempt.reset(); break;
    case PulseOutput::State::CONNECTING: break;
    }
}

// The server when one takes the stream, or else an SDL device; otherwise the silent
// sink, said once on stderr unless the viewer asked for silence.
static void OpenOutput(SoundLayer &layer, FSOUND_STREAM &stream)
{
    stream.output = std::make_unique<SilentOutput>(stream.decoder->SampleRate());
    if (layer.muted)
        return;
    stream.seeksDevice = UsesServer();
    std::string why;
    if (stream.seeksDevice) {
        stream.attempt = PulseOutput::Connect(*stream.decoder);
        PulseOutput::State state = stream.attempt ? PulseOutput::State::CONNECTING : PulseOutput::State::FAILED;
        for (const int64_t deadline = NowNs() + SERVER_WAIT_NS; stream.attempt;) {
            state = stream.attempt->Poll(&why);
            if (state != PulseOutput::State::CONNECTING || NowNs() > deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (state == PulseOutput::State::READY) {
            TakeServer(stream, false);
            return;
        }
        if (state == PulseOutput::State::CONNECTING) {
            // SDL would wait on the same server, maybe for ever; this one goes on trying.
            why = "the sound server does not answer";
        } else {
            stream.attempt.reset();
            why = "no sound server: " + why;
        }
    }
    if (!stream.attempt) {
        StartAudio(layer);
        std::string sdlWhy = layer.noAudio;
        if (layer.audioUp) {
            auto device = std::make_unique<DeviceOutput>(*stream.decoder);
            if (device->Open(*stream.decoder, &sdlWhy)) {
                stream.output = std::move(device);
                return;
            }
        }
        why += (why.empty() ? "" : "; ") + sdlWhy;
    }
    stream.retryAtNs = NowNs() + RETRY_EVERY_NS;
    if (!layer.toldSilent) {
        std::fprintf(stderr, "sound: no audio device (%s), the show plays silently\n", why.c_str());
        layer.toldSilent = true;
    }
}

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int)
{
    if (mixRate <= 0 || maxSoftwareChannels <= 0)
        return 0;
    Layer().channelCount = maxSoftwareChannels;
    // No device is no failure: streams then play on the silent sink. SDL starts
    // when a stream finds no server.
    return 1;
}

void FSOUND_Close() { StopAudio(Layer()); }

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
    if (!HoldsStream(layer.streams, stream))
        return -1;
    if (stream->output)
        return stream->channel;
    channel = ChooseChannel(layer.streams, channel, layer.channelCount);
    if (channel < 0)
        return -1;
    stream->startMs = layer.startMs;
    stream->paused = startPaused != 0;
    stream->decoder->Seek(FrameAt(*stream, layer.startMs));
    OpenOutput(layer, *stream);
    stream->channel = channel;
    stream->output->SetPaused(stream->paused);
    return channel;
}

signed char FSOUND_SetPaused(int channel, signed char paused)
{
    FSOUND_STREAM *stream = StreamOnChannel(Layer().streams, channel);
    if (!stream)
        return 0;
    stream->paused = paused != 0;
    stream->output->SetPaused(stream->paused);
    return 1;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM *stream)
{
    SoundOutputReport report;
    if (!ReportSoundOutput(stream, &report))
        return 0;
    return PositionMs(*stream, report.framesHeard);
}

void SetStreamStart(int milliseconds) { Layer().startMs = std::max(0, milliseconds); }

void SetSoundMuted(bool muted) { Layer().muted = muted; }

void RewindStream(FSOUND_STREAM *stream)
{
    if (!HoldsStream(Layer().streams, stream) || !stream->output)
        return;
    stream->startTaken = stream->base + stream->output->Seek(*stream->decoder, 0);
    stream->startMs = 0;
}

bool ReportSoundOutput(FSOUND_STREAM *stream, SoundOutputReport *report)
{
    if (!HoldsStream(Layer().streams, stream) || !stream->output)
        return false;
    FollowDevices(*stream);
    const OutputCounts counts = StreamCounts(*stream);
    *report = {stream->output->Plays(), stream->decoder->SampleRate(), counts.taken, counts.heard};
    return true;
}
