// Placeholder until the decoder lands: a silent stream whose clock runs in real time.

#include <chrono>
#include <memory>

#include "platform/sound.h"

struct FSOUND_STREAM {
    std::chrono::steady_clock::time_point start;
    bool playing = false;
};

static std::unique_ptr<FSOUND_STREAM> s_stream;

signed char FSOUND_Init(int, int, unsigned int) { return 1; }
void FSOUND_Close() {}

FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *data, unsigned int, int length)
{
    if (!data || length <= 0)
        return nullptr;
    s_stream = std::make_unique<FSOUND_STREAM>();
    return s_stream.get();
}

int FSOUND_Stream_PlayEx(int, FSOUND_STREAM *stream, void *, signed char)
{
    return stream ? 0 : -1;
}

signed char FSOUND_SetPaused(int channel, signed char paused)
{
    if (channel != 0 || !s_stream)
        return 0;
    if (!paused && !s_stream->playing) {
        s_stream->start = std::chrono::steady_clock::now();
        s_stream->playing = true;
    }
    return 1;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM *stream)
{
    if (!stream || !stream->playing)
        return 0;
    auto elapsed = std::chrono::steady_clock::now() - stream->start;
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}
