// The position the listener hears, worked out from what the output says and when:
// every report re-anchors the position (an audio device's count of frames taken
// less what it still holds, or a sound server's own count of frames played), and
// between reports it moves on with the clock of the caller's choosing.
#pragma once

#include <cstdint>

// Frames that `nanoseconds` of playback at `sampleRate` hold, rounded down; exact and
// free of overflow for any non-negative time and rate up to a million.
int64_t FramesIn(int64_t nanoseconds, int sampleRate);
// The steady clock in nanoseconds: the time the sound outputs read their counts against.
int64_t NowNs();

class PlaybackClock {
public:
    explicit PlaybackClock(int sampleRate) : sampleRate_(sampleRate) {}

    // At atNs the listener was at frame `heard`, and hears on at the sample rate for
    // at most `runOn` more frames: what the output holds beyond it, or 0 when it
    // does not play.
    void Anchor(int64_t atNs, int64_t heard, int64_t runOn);
    // An audio device took frames at nowNs; `taken` counts every frame taken so far,
    // and the device holds `queued` of them (the ones just taken included).
    void OnTaken(int64_t nowNs, int64_t taken, int64_t queued) { Anchor(nowNs, taken - queued, queued); }
    // Frames heard by nowNs: never past what the last anchor allows, and never less
    // than an earlier answer.
    int64_t Heard(int64_t nowNs);

private:
    struct Mark {
        int64_t atNs;
        int64_t heard;
        int64_t runOn;
    };
    // A report can come late (a callback run late, a server's answer stamped after
    // its reading), never early, and a late one puts the listener behind: the
    // position follows the furthest of the last few anchors.
    static const int MARKS = 4;

    int sampleRate_;
    Mark marks_[MARKS] = {};
    int count_ = 0;
    int64_t heard_ = 0;
};
