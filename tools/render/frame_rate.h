// A frame rate as the fraction video people write it: 60, or 60000/1001 for the
// rates of NTSC television. Frame k shows the moment k x den / num seconds,
// worked out from the frame number every time, so nothing drifts over the show.
#pragma once

#include <cmath>
#include <string>

struct FrameRate {
    long num = 60, den = 1;

    FrameRate() = default;
    // A whole number of frames a second stands for its rate.
    FrameRate(long numerator, long denominator = 1) : num(numerator), den(denominator) {}

    // The moment of frame k, rounded once. For a whole rate it is k / num.
    double Seconds(long frame) const { return double(frame * den) / double(num); }
    // Whole milliseconds of music at frame k, rounded down, in integers.
    long Milliseconds(long frame) const { return frame * 1000L * den / num; }
    // The first frame at or after a moment.
    long FirstFrameAt(double seconds) const { return long(std::ceil(seconds * double(num) / double(den) - 1e-9)); }
    // A frame's time, rounded once.
    double FrameSeconds() const { return double(den) / double(num); }
    // Frames a second, for what is only reported or sized by it.
    double Value() const { return double(num) / double(den); }
    bool operator==(const FrameRate &other) const { return num == other.num && den == other.den; }
    bool operator!=(const FrameRate &other) const { return !(*this == other); }

    // "60" or "60000/1001", as Parse reads it and ffmpeg takes it.
    std::string Text() const;
    // A whole number or a fraction of whole numbers, from 1 to 240 frames a second,
    // kept in lowest terms (120/2 is 60). False for anything else.
    static bool Parse(const std::string &text, FrameRate &rate);
};
