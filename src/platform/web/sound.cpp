// The sound front's players on Web Audio: the browser decodes the MP3 image
// (decodeAudioData) and plays it from an AudioBufferSourceNode; the position is
// the audio context's time since the start, less its output latency, so it is
// what the listener hears. Decoding takes a moment: until it is done the position
// is 0. Without Web Audio, or where the context cannot start, a silent clock runs
// in real time instead, as on a desktop without a sound card; where the browser
// cannot decode the file the position stays 0, as for a file that is not an MP3.
//
// A later start, muted playback (the silent clock, no notice) and a seek serve the
// viewer's options as on the desktop.
//
// The page makes the audio context while handling the click that starts the show
// (browsers start sound only after a gesture) and passes it in Module.heartcube.

#include "platform/sound_backend.h"

#include <emscripten.h>
#include <memory>

#include "platform/web/page.h"
#include "show/show.h"

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

// On from that millisecond of the music: the position reads it until it is heard.
EM_JS(void, SoundSeek, (int id, int ms), {
    var sound = Module.heartcubeSound;
    var s = sound.streams[id];
    s.fromMs = ms;
    s.lastMs = ms;
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

// One stream: its JavaScript side, and whether the page has been told what became of it.
class WebPlayer final : public StreamPlayer {
public:
    explicit WebPlayer(int id) : id_(id) {}

    void Play(int fromMs, bool paused, bool muted) override
    {
        SoundPrepare(id_, fromMs, muted ? 1 : 0);
        SetPaused(paused);
    }

    void SetPaused(bool paused) override { SoundSetPaused(id_, paused ? 1 : 0); }

    int Position() override
    {
        TellState();
        return SoundPosition(id_);
    }

    void Seek(int milliseconds) override { SoundSeek(id_, milliseconds); }

private:
    // Says once on the page what became of a stream that does not play as it should.
    void TellState()
    {
        if (told_)
            return;
        switch (SoundState(id_)) {
        case STREAM_UNDECODABLE:
            TellPage("notice", "music: " MUSIC_FILE ": this browser cannot decode it, so the show stays on its title");
            told_ = true;
            break;
        case STREAM_SILENT:
            TellPage("notice", "sound: this browser cannot play sound here, the show plays silently");
            told_ = true;
            break;
        default: break;
        }
    }

    int id_;
    bool told_ = false;
};

} // namespace

std::unique_ptr<StreamPlayer> OpenStreamPlayer(const unsigned char *data, size_t size)
{
    SoundOpen();
    return std::make_unique<WebPlayer>(SoundOpenStream(reinterpret_cast<const char *>(data), int(size)));
}

// A page frozen at a moment reads that moment's position, whatever plays.
bool HostMusicPosition(int *milliseconds)
{
    double timer = 0.0;
    return WebFixedClocks(&timer, milliseconds);
}

void StartSoundBackend() { SoundOpen(); }

void StopSoundBackend() { SoundStopAll(); }
