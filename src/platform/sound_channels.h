// The stream bookkeeping the desktop and web sound layers share: each layer owns
// its streams, and each stream knows the channel it plays on (-1 before PlayEx).
#pragma once

#include <memory>
#include <vector>

#include "platform/sound.h"

template <typename Stream> using StreamList = std::vector<std::unique_ptr<Stream>>;

// True when the layer holds this stream: the FSOUND calls may be handed anything.
template <typename Stream> bool HoldsStream(const StreamList<Stream> &streams, const Stream *stream)
{
    for (const auto &held : streams)
        if (held.get() == stream)
            return true;
    return false;
}

// The stream playing on the channel, or null.
template <typename Stream> Stream *StreamOnChannel(const StreamList<Stream> &streams, int channel)
{
    for (const auto &stream : streams)
        if (stream->channel >= 0 && stream->channel == channel)
            return stream.get();
    return nullptr;
}

// The channel PlayEx plays on: the one asked for, or with FSOUND_FREE the lowest
// free one; -1 when that one is out of range or taken.
template <typename Stream> int ChooseChannel(const StreamList<Stream> &streams, int channel, int channelCount)
{
    if (channel == FSOUND_FREE) {
        channel = 0;
        while (channel < channelCount && StreamOnChannel(streams, channel))
            channel++;
    }
    return channel >= 0 && channel < channelCount && !StreamOnChannel(streams, channel) ? channel : -1;
}
