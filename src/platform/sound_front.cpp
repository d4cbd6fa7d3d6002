// The FSOUND calls of sound.h, written once for every backend: the streams and the
// channels they play on, where streams start, whether they are muted, pausing and
// seeking. How a stream sounds, and where its position comes from, is the
// backend's player (sound_backend.h).
//
// The front's state is never torn down by exit() while a stream plays: an exit
// hook closes the streams first, which ends any thread a backend plays them on.

#include "platform/sound.h"
#include "platform/sound_backend.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

struct FSOUND_STREAM {
    std::unique_ptr<StreamPlayer> player;
    int channel = -1; // -1 until PlayEx
};

namespace {

struct SoundFront {
    int channelCount = 32;
    int startMs = 0;    // where streams played from now on start
    bool muted = false; // streams played from now on use the silent clock
    bool exitHooked = false;
    std::vector<std::unique_ptr<FSOUND_STREAM>> streams;
};

SoundFront s_front;

// The calls may be handed anything: only the front's own streams count.
bool Holds(const FSOUND_STREAM *stream)
{
    return std::any_of(s_front.streams.begin(), s_front.streams.end(),
                       [stream](const std::unique_ptr<FSOUND_STREAM> &held) { return held.get() == stream; });
}

bool Playing(const FSOUND_STREAM *stream) { return Holds(stream) && stream->channel >= 0; }

FSOUND_STREAM *StreamOnChannel(int channel)
{
    for (const auto &stream : s_front.streams)
        if (stream->channel >= 0 && stream->channel == channel)
            return stream.get();
    return nullptr;
}

// The channel PlayEx plays on: the one asked for, or with FSOUND_FREE the lowest
// free one; -1 when that one is out of range or taken.
int ChooseChannel(int channel)
{
    if (channel == FSOUND_FREE) {
        channel = 0;
        while (channel < s_front.channelCount && StreamOnChannel(channel))
            channel++;
    }
    return channel >= 0 && channel < s_front.channelCount && !StreamOnChannel(channel) ? channel : -1;
}

void CloseAtExit() { FSOUND_Close(); }

} // namespace

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int)
{
    if (mixRate <= 0 || maxSoftwareChannels <= 0)
        return 0;
    s_front.channelCount = maxSoftwareChannels;
    // No device is no failure: streams then play on a silent clock.
    StartSoundBackend();
    return 1;
}

void FSOUND_Close()
{
    s_front.streams.clear();
    StopSoundBackend();
}

FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *data, unsigned int mode, int length)
{
    if (!data || length <= 0 || !(mode & FSOUND_LOADMEMORY))
        return nullptr;
    std::unique_ptr<StreamPlayer> player =
        OpenStreamPlayer(reinterpret_cast<const unsigned char *>(data), size_t(length));
    if (!player)
        return nullptr;
    if (!s_front.exitHooked) {
        std::atexit(CloseAtExit);
        s_front.exitHooked = true;
    }
    s_front.streams.push_back(std::make_unique<FSOUND_STREAM>());
    s_front.streams.back()->player = std::move(player);
    return s_front.streams.back().get();
}

int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM *stream, void *, signed char startPaused)
{
    if (!Holds(stream))
        return -1;
    if (stream->channel >= 0)
        return stream->channel;
    channel = ChooseChannel(channel);
    if (channel < 0)
        return -1;
    stream->channel = channel;
    stream->player->Play(s_front.startMs, startPaused != 0, s_front.muted);
    return channel;
}

signed char FSOUND_SetPaused(int channel, signed char paused)
{
    FSOUND_STREAM *stream = StreamOnChannel(channel);
    if (!stream)
        return 0;
    stream->player->SetPaused(paused != 0);
    return 1;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM *stream)
{
    int position = 0;
    if (HostMusicPosition(&position))
        return position;
    return Playing(stream) ? stream->player->Position() : 0;
}

void SetStreamStart(int milliseconds) { s_front.startMs = std::max(0, milliseconds); }

void SetSoundMuted(bool muted) { s_front.muted = muted; }

void SeekStream(FSOUND_STREAM *stream, int milliseconds)
{
    if (Playing(stream))
        stream->player->Seek(std::max(0, milliseconds));
}

void FollowSoundDevices()
{
    for (const auto &stream : s_front.streams)
        if (stream->channel >= 0)
            stream->player->FollowDevice();
}

StreamPlayer *PlayerOf(FSOUND_STREAM *stream) { return Playing(stream) ? stream->player.get() : nullptr; }
