#include "platform/desktop/sdl_output.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <thread>
#include <unistd.h>

#include <SDL.h>

#include "music/mp3_decoder.h"
#include "platform/desktop/playback_clock.h"

// Frames a callback fills: about 23 ms at 44.1 kHz.
static const Uint16 DEVICE_PERIOD_FRAMES = 1024;
// Periods between a take and the listener: the one just taken and the one the device
// is playing. SDL2 cannot ask a device for its latency, so this is the estimate.
static const int QUEUED_PERIODS = 2;
// How long a device may take to close.
static const auto DEVICE_CLOSE_WAIT = std::chrono::milliseconds(500);

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

namespace {

struct SdlAudio {
    bool up = false;       // SDL's audio subsystem is initialised
    std::string noAudio;   // why it could not be, once tried
    std::atomic<int> devicesLeftOpen{0}; // did not close in time: SDL's audio stays up at exit
};

SdlAudio s_audio;

// False, with SDL's reason, when SDL's audio does not start; it is tried once.
bool StartSdlAudio(std::string *why)
{
    if (!s_audio.up && s_audio.noAudio.empty()) {
        // SDL would otherwise turn Ctrl+C and SIGTERM into quit events that nobody
        // reads, and the show could not be interrupted.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        QuietStderr quiet;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
            s_audio.up = true;
        else
            s_audio.noAudio = SDL_GetError();
    }
    *why = s_audio.noAudio;
    return s_audio.up;
}

// SDL joins its audio thread when it closes a device, and that thread may wait on a
// device or a server that never answers: the close runs on a thread of its own, and
// is given up on after a while.
void CloseDevice(SDL_AudioDeviceID device, const std::shared_ptr<SdlFeed> &feed)
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
        s_audio.devicesLeftOpen++;
    }
}

void SDLCALL Fill(void *userdata, Uint8 *bytes, int length)
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

} // namespace

void StopSdlAudio()
{
    if (s_audio.up && s_audio.devicesLeftOpen == 0) {
        QuietStderr quiet;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    s_audio.up = false;
    s_audio.noAudio.clear();
}

std::unique_ptr<SdlOutput> SdlOutput::Open(Mp3Decoder &decoder, std::string *why)
{
    if (!StartSdlAudio(why))
        return nullptr;
    auto output = std::make_unique<SdlOutput>(Key(), decoder);
    SDL_AudioSpec want{};
    want.freq = decoder.SampleRate();
    want.format = AUDIO_S16SYS;
    want.channels = Uint8(decoder.Channels());
    want.samples = DEVICE_PERIOD_FRAMES;
    want.callback = Fill;
    want.userdata = output->feed_.get();
    SDL_AudioSpec have{};
    {
        QuietStderr quiet;
        output->device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    if (output->device_ == 0) {
        *why = SDL_GetError();
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(output->feed_->lock);
    output->feed_->queued = QUEUED_PERIODS * int64_t(have.samples);
    return output;
}

SdlOutput::SdlOutput(Key, Mp3Decoder &decoder) : feed_(std::make_shared<SdlFeed>(decoder)) {}

SdlOutput::~SdlOutput()
{
    if (device_ != 0)
        CloseDevice(device_, feed_);
}

void SdlOutput::SetPaused(bool paused) { SDL_PauseAudioDevice(device_, paused ? 1 : 0); }

OutputCounts SdlOutput::Counts()
{
    std::lock_guard<std::mutex> guard(feed_->lock);
    return {feed_->taken, feed_->clock.Heard(NowNs())};
}

int64_t SdlOutput::Seek(Mp3Decoder &decoder, uint64_t frame)
{
    std::lock_guard<std::mutex> guard(feed_->lock);
    decoder.Seek(frame);
    return feed_->taken;
}

bool SdlOutput::Lost(std::string *why)
{
    if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED)
        return false;
    *why = "disconnected";
    return true;
}
