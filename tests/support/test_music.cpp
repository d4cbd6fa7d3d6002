#include "test_music.h"

#include <cmath>
#include <random>

std::vector<int16_t> MakeMusic(int sampleRate, int channels, size_t frames, size_t onset)
{
    const double pi = 3.14159265358979;
    std::mt19937 noise(7);
    std::vector<int16_t> pcm(frames * size_t(channels), 0);
    for (size_t i = onset; i < frames; i++) {
        const double t = double(i) / sampleRate;
        const double tone = 6000 * std::sin(2 * pi * 440 * t + 3 * std::sin(2 * pi * 3 * t));
        for (int c = 0; c < channels; c++)
            pcm[i * size_t(channels) + size_t(c)] = int16_t(tone * (c ? 0.5 : 1) + int(noise() % 2001) - 1000);
    }
    return pcm;
}

std::vector<unsigned char> MakeMp3(const Mp3Options &options, size_t frames, size_t onset)
{
    return EncodeMp3(MakeMusic(options.sampleRate, options.channels, frames, onset), options);
}
