// The position the listener hears, worked out from what the audio device has taken
// and when: every take re-anchors the position to the device's own count of frames,
// and between takes it moves on with the clock of the caller's choosing.
#pragma once

#include <cstdint>

// Frames that `nanoseconds` of playback at `sampleRate` hold, rounded down; exact and
// free of overflow for any non-negative time and rate up to a million.
int64_t FramesIn(int64_t nanoseconds, int sampleRate);

class PlaybackClock {
public:
    // queuedFrames: frames the device holds between taking a frame and playing it out,
    // counted from the moment of a take (the frames just taken included).
    PlaybackClock(int sampleRate, int64_t queuedFrames);

    // The device took frames at nowNs; framesTaken counts every frame taken so far.
    void OnTaken(int64_t nowNs, int64_t framesTaken);
    // Frames heard by nowNs: never more than the device has taken, and never less
    // than an earlier answer.
    int64_t Heard(int64_t nowNs);

private:
    int sampleRate_;
    int64_t queued_;
    int64_t taken_ = 0;
    int64_t takenAtNs_ = 0;
    int64_t heard_ = 0;
};
