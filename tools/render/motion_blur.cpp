#include "motion_blur.h"

#include <algorithm>

double SampleLead(const Shutter &shutter, int sample)
{
    return shutter.degrees / 360.0 * double(shutter.samples - 1 - sample) / double(shutter.samples);
}

FrameAverage::FrameAverage(int samples) : samples_(std::max(1, std::min(samples, 256)))
{
    // 255 x 256 fits 16 bits; a table divides faster than the processor does.
    quotients_.resize(size_t(255 * samples_ + 1));
    for (size_t sum = 0; sum < quotients_.size(); sum++)
        quotients_[sum] = static_cast<unsigned char>((sum + size_t(samples_) / 2) / size_t(samples_));
}

void FrameAverage::Add(const std::vector<unsigned char> &rgba)
{
    if (added_ == 0)
        sums_.assign(rgba.begin(), rgba.end());
    else
        for (size_t i = 0; i < sums_.size() && i < rgba.size(); i++)
            sums_[i] = uint16_t(sums_[i] + rgba[i]);
    added_++;
}

void FrameAverage::Take(std::vector<unsigned char> &rgba)
{
    rgba.resize(sums_.size());
    for (size_t i = 0; i < sums_.size(); i++)
        rgba[i] = quotients_[sums_[i]];
    added_ = 0;
}
