// Where a playing stream's samples go: a sound server, an SDL audio device, or the
// silent sink that only keeps time. The player (sound.cpp) moves a stream
// from one to another as devices come and go; each counts its frames from its own
// start, and the player adds them up.
#pragma once

#include <cstdint>
#include <string>

class Mp3Decoder;

struct OutputCounts {
    int64_t taken; // taken from the stream (decoded, or silence after the music)
    int64_t heard; // heard by the listener, never less than before
};

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // False for the silent sink.
    virtual bool Plays() const = 0;
    virtual void SetPaused(bool paused) = 0;
    virtual OutputCounts Counts() = 0;
    // The stream goes on from this frame of the music; returns the frames the output
    // had taken by then, the last ones the listener hears of what played before.
    virtual int64_t Seek(Mp3Decoder &decoder, uint64_t frame) = 0;
    // True once the device or the server has gone, with the reason; the output then
    // takes no more frames, and its counts stand still.
    virtual bool Lost(std::string *) { return false; }
};
