// The seam between the sound front (sound_front.cpp: the calls of sound.h, written
// once) and a backend, which plays each stream its own way: the desktop on its sound
// server, SDL2 or a silent clock, the web page on Web Audio, the headless layer not
// at all. The front keeps the streams, their channels and the viewer's start and
// mute; the backend gives it a player for each stream, and says where the host
// sets the music's position itself.
#pragma once

#include <cstddef>
#include <memory>

struct FSOUND_STREAM;

// One stream as the backend plays it; the front calls it from one thread.
class StreamPlayer {
public:
    virtual ~StreamPlayer() = default;
    // Called once: plays from `fromMs` into the music (silence past its end), paused
    // or not. Muted, it plays on the silent clock: no device is opened, and none is
    // said to be missing.
    virtual void Play(int fromMs, bool paused, bool muted) = 0;
    virtual void SetPaused(bool paused) = 0;
    // Milliseconds of the music the listener has heard; never less than before, but
    // for a seek. Reading it never changes where the stream plays.
    virtual int Position() = 0;
    // The music goes on from that millisecond; the position reads it until the
    // listener hears it, and counts on from there.
    virtual void Seek(int milliseconds) = 0;
    // Once a frame: the stream leaves a device that has gone, and takes one that has
    // come. Nothing where the backend's device cannot go.
    virtual void FollowDevice() {}
};

// What a backend provides.
// A player of the MP3 image, whose bytes stay the caller's and stay allocated while
// it lives; null when the backend can tell that they are not an MP3 stream.
std::unique_ptr<StreamPlayer> OpenStreamPlayer(const unsigned char *data, size_t size);
// True, with the position, while the host sets the music's position frame by frame
// (the renderer's virtual clock, a page frozen at a moment): every stream, and no
// stream, then reads that.
bool HostMusicPosition(int *milliseconds);
// What FSOUND_Init does beyond the front's bookkeeping, and what FSOUND_Close does
// once the streams have gone.
void StartSoundBackend();
void StopSoundBackend();

// What the front provides.
// The platform's work once a frame (the desktop's buffer swap): every playing
// stream follows its device.
void FollowSoundDevices();
// The player of a stream the front holds and plays, or null.
StreamPlayer *PlayerOf(FSOUND_STREAM *stream);
