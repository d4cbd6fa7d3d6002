// The FSOUND stream calls on Web Audio: the browser decodes the MP3 image
// (decodeAudioData) and plays it from an AudioBufferSourceNode; the position is
// the audio context's time since the start, less its output latency, so it is
// what the listener hears. Decoding takes a moment: until it is done the position
// is 0. Without Web Audio, or where the context cannot start, a silent clock runs
// in real time instead, as on a desktop without a sound card; where the browser
// cannot decode the file the position stays 0, as for a file that is not an MP3.
//
// A later start, muted playback (the silent clock, no notice) and a rewind serve the
// viewer's options as on the desktop.
//
// The page makes the audio context while handling the click that starts the show
// (browsers start sound only after a gesture) and passes it in Module.heartcube.

#include "platform/sound.h"

#include <algorithm>
#include <emscripten.h>
#include <memory>
#include <string>
#include <vector>

#include "music/music.h"
#include "platform/sound_channels.h"
#include "platform/web/page.h"

namespace {

// What a stream's JavaScript side has to say, once.
enum { STREAM_FINE = 0, STREAM_UNDECODABLE = 1, STREAM_SILENT = 2 };

// clang-format off
EM_JS(void, SoundOpen, (), {
    if (Module.heartcubeSound)
        return;
    var page = Module["heartcube"] || {};
    var context = page.audioContext || null;
    if (!context && typeof AudioContext != "undefined" && typeof page.fixedTime != "number") {
        try {
            context = new AudioContext();
        } catch (e) {
            context = null;
        }
    }
    var sound = Module.heartcubeSound = {context: context, streams: []};
    // Plays from fromMs on the context's clock, or counts on the page's clock where
    // the context does not run.
    sound.start = function(s) {
        var context = sound.context;
        if (s.muted)
            s.silent = true;
        if (!s.silent && context.state != "running") {
            // A context made in the click may still be starting: it has a second.
            if (!s.askedToResume) {
                s.askedToResume = true;
                var again = function() { if (s.wanted && !s.playing) sound.start(s); };
                Promise.race([context.resume(), new Promise(function(done) { setTimeout(done, 1000); })])
                    .then(again, again);
                return;
            }
            s.silent = true;
            s.state = 2;
        }
        if (s.silent) {
            s.startedAt = performance.now() / 1000;
        } else {
            s.source = context.createBufferSource();
            s.source.buffer = s.buffer;
            s.source.connect(context.destination);
            s.startedAt = context.currentTime;
            s.source.start(s.startedAt, Math.min(s.fromMs / 1000, s.buffer.duration));
        }
        s.playing = true;
    };
});

// Copies the image (the caller may reuse its bytes) and starts decoding it.
EM_JS(int, SoundOpenStream, (const char *data, int length), {
    var sound = Module.heartcubeSound;
    var stream = {
        buffer: null, state: 0, wanted: false, playing: false, source: null,
        silent: !sound.context, muted: false, startedAt: 0, fromMs: 0, lastMs: 0
    };
    stream.id = sound.streams.push(stream) - 1;
    if (sound.context) {
        var bytes = HEAPU8.slice(data, data + length).buffer;
        sound.context.decodeAudioData(bytes).then(function(buffer) {
            stream.buffer = buffer;
            if (stream.wanted)
                sound.start(stream);
        }, function() {
            stream.state = 1;
        });
    } else {
        stream.state = 2;
    }
    return stream.id;
});

// Where the stream starts in the music, and whether it plays on the silent clock.
EM_JS(void, SoundPrepare, (int id, int startMs, int muted), {
    var s = Module.heartcubeSound.streams[id];
    s.fromMs = startMs;
    s.muted = !!muted;
});

EM_JS(void, SoundSetPaused, (int id, int paused), {
    var s = Module.heartcubeSound.streams[id];
    if (!paused == s.wanted)
        return;
    s.wanted = !paused;
    if (paused && s.playing) {
        s.fromMs = s.lastMs;
        s.playing = false;
        if (s.source)
            s.source.stop();
        s.source = null;
    } else if (!paused && (s.buffer || s.silent) && s.state != 1) {
        Module.heartcubeSound.start(s);
    }
});

// Milliseconds heard, never less than before: 0 until playback starts.
EM_JS(int, SoundPosition, (int id), {
    var sound = Module.heartcubeSound;
    var s = sound.streams[id];
    if (!s.playing)
        return s.lastMs;
    var heard;
    if (s.silent) {
        heard = performance.now() / 1000 - s.startedAt;
    } else {
        var context = sound.context;
        heard = context.currentTime - s.startedAt - (context.outputLatency || context.baseLatency || 0);
    }
    var ms = Math.floor(heard * 1000) + s.fromMs;
    s.lastMs = Math.min(Math.max(ms, s.lastMs), 2147483647);
    return s.lastMs;
});

EM_JS(int, SoundState, (int id), { return Module.heartcubeSound.streams[id].state; });

// Back to the start of the music: the position counts from 0 once it is heard.
EM_JS(void, SoundRewind, (int id), {
    var sound = Module.heartcubeSound;
    var s = sound.streams[id];
    s.fromMs = 0;
    s.lastMs = 0;
    if (!s.playing)
        return;
    if (s.source)
        s.source.stop();
    s.source = null;
    sound.start(s);
});

EM_JS(void, SoundStopAll, (), {
    var sound = Module.heartcubeSound;
    if (!sound)
        return;
    sound.streams.forEach(function(s) {
        s.wanted = false;
        s.playing = false;
        if (s.source)
            s.source.stop();
        s.source = null;
    });
});
// clang-format on

} // namespace

struct FSOUND_STREAM {
    int id = 0;
    int channel = -1;
    bool paused = true;
    bool told = false;
};

namespace {

struct SoundLayer {
    int channelCount = 32;
    int startMs = 0;    // where streams played from now on start
    bool muted = false; // streams played from now on use the silent clock
    StreamList<FSOUND_STREAM> streams;
};

SoundLayer &Layer()
{
    static SoundLayer layer;
    return layer;
}

// Says once on the page what became of a stream that does not play as it should.
void TellState(FSOUND_STREAM *stream)
{
    if (stream->told)
        return;
    switch (SoundState(stream->id)) {
    case STREAM_UNDECODABLE:
        TellPage("notice", "music: " MUSIC_FILE ": this browser cannot decode it, so the show stays on its title");
        stream->told = true;
        break;
    case STREAM_SILENT:
        TellPage("notice", "sound: this browser cannot play sound here, the show plays silently");
        stream->told = true;
        break;
    default: break;
    }
}

} // namespace

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int)
{
    if (mixRate <= 0 || maxSoftwareChannels <= 0)
        return 0;
    Layer().channelCount = maxSoftwareChannels;
    SoundOpen();
    return 1;
}

void FSOUND_Close()
{
    SoundStopAll();
    Layer().streams.clear();
}

FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *data, unsigned int mode, int length)
{
    if (!data || length <= 0 || !(mode & FSOUND_LOADMEMORY))
        return nullptr;
    SoundOpen();
    Layer().streams.push_back(std::make_unique<FSOUND_STREAM>());
    FSOUND_STREAM *stream = Layer().streams.back().get();
    stream->id = SoundOpenStream(data, length);
    return stream;
}

int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM *stream, void *, signed char startPaused)
{
    if (!HoldsStream(Layer().streams, stream))
        return -1;
    if (stream->channel >= 0)
        return stream->channel;
    channel = ChooseChannel(Layer().streams, channel, Layer().channelCount);
    if (channel < 0)
        return -1;
    stream->channel = channel;
    SoundPrepare(stream->id, Layer().startMs, Layer().muted ? 1 : 0);
    FSOUND_SetPaused(channel, startPaused);
    return channel;
}

signed char FSOUND_SetPaused(int channel, signed char paused)
{
    FSOUND_STREAM *stream = StreamOnChannel(Layer().streams, channel);
    if (!stream)
        return 0;
    stream->paused = paused != 0;
    SoundSetPaused(stream->id, stream->paused ? 1 : 0);
    return 1;
}

int FSOUND_Stream_GetTime(FSOUND_STREAM *stream)
{
    double timer = 0.0;
    int fixed = 0;
    if (WebFixedClocks(&timer, &fixed))
        return fixed;
    if (!HoldsStream(Layer().streams, stream))
        return 0;
    TellState(stream);
    return SoundPosition(stream->id);
}

void SetStreamStart(int milliseconds) { Layer().startMs = std::max(0, milliseconds); }

void SetSoundMuted(bool muted) { Layer().muted = muted; }

void RewindStream(FSOUND_STREAM *stream)
{
    if (HoldsStream(Layer().streams, stream) && stream->channel >= 0)
        SoundRewind(stream->id);
}
