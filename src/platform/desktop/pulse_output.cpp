#include "platform/desktop/pulse_output.h"

#include <algorithm>
#include <cstring>

#include <pulse/pulseaudio.h>

#include "music/mp3_decoder.h"

// The server holds this much of the music ahead of what it plays: a busy machine
// may leave the thread that feeds it unscheduled for well over a tenth of a second,
// and the 23 ms SDL asks for gave gaps of silence then. The cost is that a rewind
// (--loop) is heard this much later; the position says so, so the show waits for it.
static const int QUEUE_MS = 200;
// The server asks for more whenever this much has room, so the queue stays nearly full.
static const int REQUEST_MS = 20;
// How often the server is asked where the listener is; between answers the position
// moves on with the steady clock.
static const pa_usec_t ASK_EVERY_US = 20000;
// A server that leaves a question unanswered this long has stalled: the show goes on
// without it rather than stand still.
static const pa_usec_t ANSWER_WITHIN_US = 3000000;
static const int64_t NS_PER_SECOND = 1000000000;

namespace {

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop *loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock &) = delete;
    LoopLock &operator=(const LoopLock &) = delete;

private:
    pa_threaded_mainloop *loop_;
};

void Unref(pa_operation *operation)
{
    if (operation)
        pa_operation_unref(operation);
}

} // namespace

struct PulseOutput::Callbacks {
    static void ContextState(pa_context *context, void *self)
    {
        PulseOutput &output = *static_cast<PulseOutput *>(self);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY: output.OpenStream(); break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED: output.Fail(pa_strerror(pa_context_errno(context))); break;
        default: break;
        }
    }

    static void StreamState(pa_stream *stream, void *self)
    {
        PulseOutput &output = *static_cast<PulseOutput *>(self);
        switch (pa_stream_get_state(stream)) {
        case PA_STREAM_READY:
            if (output.state_ == State::CONNECTING)
                output.state_ = State::READY;
            if (!output.timer_)
                output.timer_ = pa_context_rttime_new(output.context_, pa_rtclock_now() + ASK_EVERY_US, Timer, self);
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED: output.Fail(pa_strerror(pa_context_errno(output.context_))); break;
        default: break;
        }
    }

    static void Writable(pa_stream *, size_t bytes, void *self)
    {
        PulseOutput &output = *static_cast<PulseOutput *>(self);
        if (output.feeding_)
            output.Feed(bytes);
    }

    static void Timer(pa_mainloop_api *, pa_time_event *event, const struct timeval *, void *self)
    {
        PulseOutput &output = *static_cast<PulseOutput *>(self);
        const pa_usec_t now = pa_rtclock_now();
        pa_context_rttime_restart(output.context_, event, now + ASK_EVERY_US);
        if (output.state_ != State::READY)
            return;
        if (output.asking_) {
            if (now - output.askedAt_ > ANSWER_WITHIN_US)
                output.Fail("the sound server does not answer");
            return;
        }
        pa_operation *asked = pa_stream_update_timing_info(output.stream_, Timing, self);
        output.asking_ = asked != nullptr;
        output.askedAt_ = now;
        Unref(asked);
    }

    // The server's answer holds the frame it was playing into its device and how
    // long the device takes to play what it holds, as of the moment it answered.
    static void Timing(pa_stream *stream, int success, void *self)
    {
        PulseOutput &output = *static_cast<PulseOutput *>(self);
        output.asking_ = false;
        const pa_timing_info *info = success ? pa_stream_get_timing_info(stream) : nullptr;
        if (!info || info->read_index_corrupt)
            return;
        // The moment of the answer, on the server's wall clock: that far back on ours.
        const int64_t age = std::clamp<int64_t>(int64_t(pa_timeval_age(&info->timestamp)) * 1000, 0, NS_PER_SECOND);
        const int64_t heard =
            info->read_index / int64_t(output.frameBytes_) - FramesIn(int64_t(info->sink_usec) * 1000, output.rate_);
        // Corked, suspended or run dry, the listener stays where it is.
        const int64_t runOn = info->playing ? output.written_ - heard : 0;
        output.clock_.Anchor(NowNs() - age, heard, runOn);
    }
};

std::unique_ptr<PulseOutput> PulseOutput::Connect(Mp3Decoder &decoder)
{
    auto output = std::make_unique<PulseOutput>(Key(), decoder);
    output->loop_ = pa_threaded_mainloop_new();
    if (!output->loop_)
        return nullptr;
    output->context_ = pa_context_new(pa_threaded_mainloop_get_api(output->loop_), "heartcube");
    if (!output->context_)
        return nullptr;
    pa_context_set_state_callback(output->context_, Callbacks::ContextState, output.get());
    // No server is started for us: a desktop that has one runs it already.
    if (pa_context_connect(output->context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        output->Fail(pa_strerror(pa_context_errno(output->context_)));
    else if (pa_threaded_mainloop_start(output->loop_) < 0)
        output->Fail("cannot start a thread");
    return output;
}

PulseOutput::PulseOutput(Key, Mp3Decoder &decoder)
    : decoder_(decoder), rate_(decoder.SampleRate()), frameBytes_(size_t(decoder.Channels()) * sizeof(int16_t)),
      clock_(decoder.SampleRate())
{
}

PulseOutput::~PulseOutput()
{
    if (!loop_)
        return;
    {
        // Nothing here waits for the server: a stalled or suspended one cannot hold
        // the program at exit.
        LoopLock lock(loop_);
        if (timer_)
            pa_threaded_mainloop_get_api(loop_)->time_free(timer_);
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

void PulseOutput::OpenStream()
{
    const pa_sample_spec spec{PA_SAMPLE_S16NE, uint32_t(rate_), uint8_t(frameBytes_ / sizeof(int16_t))};
    pa_proplist *properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    stream_ = pa_stream_new_with_proplist(context_, "Soundtrack", &spec, nullptr, properties);
    pa_proplist_free(properties);
    if (!stream_) {
        Fail(pa_strerror(pa_context_errno(context_)));
        return;
    }
    pa_stream_set_state_callback(stream_, Callbacks::StreamState, this);
    pa_stream_set_write_callback(stream_, Callbacks::Writable, this);
    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(pa_usec_to_bytes(QUEUE_MS * 1000, &spec));
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(pa_usec_to_bytes(REQUEST_MS * 1000, &spec));
    buffer.fragsize = uint32_t(-1);
    // A device suspended (taken by another program, the session locked) ends the
    // stream, so the show goes on silently rather than waiting for it.
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_FAIL_ON_SUSPEND);
    if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0)
        Fail(pa_strerror(pa_context_errno(context_)));
}

void PulseOutput::Feed(size_t bytes)
{
    size_t room = bytes / frameBytes_ * frameBytes_;
    while (room > 0) {
        void *data = nullptr;
        size_t size = room;
        if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data)
            return;
        size = std::min(size, room) / frameBytes_ * frameBytes_;
        if (size == 0) {
            pa_stream_cancel_write(stream_);
            return;
        }
        const size_t frames = size / frameBytes_;
        const size_t decoded = decoder_.Decode(static_cast<int16_t *>(data), frames);
        // After the music, silence: the server goes on playing and the clock runs.
        std::memset(static_cast<char *>(data) + decoded * frameBytes_, 0, size - decoded * frameBytes_);
        if (pa_stream_write(stream_, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        written_ += int64_t(frames);
        room -= size;
    }
}

void PulseOutput::Fail(const char *why)
{
    if (state_ == State::FAILED)
        return;
    state_ = State::FAILED;
    why_ = why;
}

PulseOutput::State PulseOutput::Poll(std::string *why)
{
    LoopLock lock(loop_);
    if (state_ == State::FAILED)
        *why = why_;
    return state_;
}

void PulseOutput::Start(uint64_t frame, bool paused)
{
    LoopLock lock(loop_);
    if (state_ != State::READY)
        return;
    decoder_.Seek(frame);
    feeding_ = true;
    const size_t room = pa_stream_writable_size(stream_);
    if (room != size_t(-1))
        Feed(room);
    if (!paused)
        Unref(pa_stream_cork(stream_, 0, nullptr, nullptr));
}

void PulseOutput::SetPaused(bool paused)
{
    LoopLock lock(loop_);
    if (state_ == State::READY)
        Unref(pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr));
}

OutputCounts PulseOutput::Counts()
{
    LoopLock lock(loop_);
    return {written_, clock_.Heard(NowNs())};
}

int64_t PulseOutput::Seek(Mp3Decoder &decoder, uint64_t frame)
{
    LoopLock lock(loop_);
    decoder.Seek(frame);
    return written_;
}

bool PulseOutput::Lost(std::string *why) { return Poll(why) == State::FAILED; }
