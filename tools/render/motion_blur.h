// Motion blur as a film camera's shutter makes it: each frame the average of N
// moments spread over the time the shutter is open, a fraction (degrees / 360) of
// a frame's time. The shutter closes at the frame's own moment, so the last of
// the N moments is the sharp frame itself and the blur trails behind what moves;
// at 360 degrees the moments of one frame follow on evenly from the last one of
// the frame before.
#pragma once

#include <cstdint>
#include <vector>

struct Shutter {
    double degrees = 0.0; // 0: no blur
    int samples = 8;      // moments a frame

    bool Blurs() const { return degrees > 0 && samples > 1; }
};

// How far before the frame's own moment the sample j of N is, in frames:
// degrees / 360 x (N - 1 - j) / N, so sample N - 1 is the frame itself.
double SampleLead(const Shutter &shutter, int sample);

// Sums RGBA frames in 16 bits a channel and divides once, rounding to nearest,
// so that N copies of one frame average to that very frame.
class FrameAverage {
public:
    explicit FrameAverage(int samples);
    void Add(const std::vector<unsigned char> &rgba);
    // The average of the frames added since the last one, into rgba.
    void Take(std::vector<unsigned char> &rgba);

private:
    int samples_;
    int added_ = 0;
    std::vector<uint16_t> sums_;
    std::vector<unsigned char> quotients_; // each sum's rounded average, looked up
};
