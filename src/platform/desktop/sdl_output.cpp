#include "platform/desktop/sdl_output.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
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
    SdlFeed(int sampleRate, int channels) : frameBytes(size_t(channels) * sizeof(int16_t)), clock(sampleRate) {}

    std::mutex lock;               // all of it, between SDL's thread and the player's
    Mp3Decoder *decoder = nullptr; // null before Start and once let go of: silence
    size_t frameBytes;
    PlaybackClock clock;
    int64_t queued = 0;
    int64_t taken = 0;
};

namespace {

struct SdlAudio {
    std::mutex lock;     // SDL's audio started, stopped and opened from one thread at a time
    bool up = false;     // SDL's audio subsystem is initialised
    std::string noAudio; // why it could not be, once tried
    std::atomic<int> devicesOpen{0};
    std::atomic<int> devicesLeftOpen{0}; // did not close in time: SDL's audio stays up at exit
};

// Never destroyed: a device still opening or closing on a thread of its own may
// use it while the program exits.
SdlAudio &s_audio = *std::make_unique<SdlAudio>().release();

// False, with SDL's reason, when SDL's audio does not start. With the lock held.
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

// With the lock held.
void StopSdlAudioLocked()
{
    if (s_audio.up && s_audio.devicesLeftOpen == 0 && s_audio.devicesOpen == 0) {
        QuietStderr quiet;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        s_audio.up = false;
    }
    s_audio.noAudio.clear();
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
    s_audio.devicesOpen--;
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
    // A device still opening holds the lock, maybe for ever: SDL then stays up.
    std::unique_lock<std::mutex> guard(s_audio.lock, std::try_to_lock);
    if (guard.owns_lock())
        StopSdlAudioLocked();
}

std::unique_ptr<SdlOutput> SdlOutput::Open(int sampleRate, int channels, std::string *why)
{
    std::lock_guard<std::mutex> guard(s_audio.lock);
    return StartSdlAudio(why) ? OpenLocked(sampleRate, channels, why) : nullptr;
}

std::unique_ptr<SdlOutput> SdlOutput::OpenLocked(int sampleRate, int channels, std::string *why)
{
    auto output = std::make_unique<SdlOutput>(Key(), sampleRate, channels);
    SDL_AudioSpec want{};
    want.freq = sampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = Uint8(channels);
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
    s_audio.devicesOpen++;
    std::lock_guard<std::mutex> guard(output->feed_->lock);
    output->feed_->queued = QUEUED_PERIODS * int64_t(have.samples);
    return output;
}

SdlOutput::SdlOutput(Key, int sampleRate, int channels) : feed_(std::make_shared<SdlFeed>(sampleRate, channels)) {}

SdlOutput::~SdlOutput()
{
    if (device_ != 0)
        CloseDevice(device_, feed_);
}

void SdlOutput::Start(Mp3Decoder &decoder, uint64_t frame, bool paused)
{
    {
        std::lock_guard<std::mutex> guard(feed_->lock);
        feed_->decoder = &decoder;
        decoder.Seek(frame);
    }
    SetPaused(paused);
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

// What the opening's thread hands over, or closes itself once nobody wants it.
struct SdlOpening::Shared {
    std::mutex lock;
    bool done = false;
    bool wanted = true;
    std::unique_ptr<SdlOutput> device;
    std::string why;

    void Hand(std::unique_ptr<SdlOutput> opened, const std::string &reason)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!wanted)
            return; // the device, if any, closes here
        device = std::move(opened);
        why = reason;
        done = true;
    }
};

struct SdlOpening::Job {
    std::shared_ptr<Shared> shared;
    int sampleRate;
    int channels;
};

// An SDL thread rather than one of our own: SDL frees what it keeps for a thread
// (its error text) only when a thread of its own ends.
int SdlOpening::Run(void *data)
{
    const std::unique_ptr<Job> job(static_cast<Job *>(data));
    std::string why;
    std::unique_ptr<SdlOutput> device;
    {
        std::lock_guard<std::mutex> guard(s_audio.lock);
        if (s_audio.devicesOpen == 0)
            StopSdlAudioLocked();
        if (StartSdlAudio(&why))
            device = SdlOutput::OpenLocked(job->sampleRate, job->channels, &why);
    }
    job->shared->Hand(std::move(device), why);
    return 0;
}

SdlOpening::SdlOpening(int sampleRate, int channels) : shared_(std::make_shared<Shared>())
{
    auto job = std::make_unique<Job>(Job{shared_, sampleRate, channels});
    SDL_Thread *thread = SDL_CreateThread(Run, "heartcube-sound", job.get());
    if (!thread) {
        shared_->Hand(nullptr, SDL_GetError());
        return;
    }
    job.release(); // the thread's now
    SDL_DetachThread(thread);
}

SdlOpening::~SdlOpening()
{
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->wanted = false;
}

bool SdlOpening::Done(std::unique_ptr<SdlOutput> *device, std::string *why)
{
    std::lock_guard<std::mutex> guard(shared_->lock);
    if (!shared_->done)
        return false;
    *device = std::move(shared_->device);
    *why = shared_->why;
    shared_->done = false;
    return true;
}
