// Music of our own for the sound tests: silence, then a tone that wanders in pitch
// over noise, so that no stretch of it looks like another and an offset shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mp3_writer.h"

// Interleaved 16-bit PCM: `frames` sample frames, silent before `onset`.
std::vector<int16_t> MakeMusic(int sampleRate, int channels, size_t frames, size_t onset);
// MakeMusic encoded by LAME; the frames are those of the PCM before encoding.
std::vector<unsigned char> MakeMp3(const Mp3Options &options, size_t frames, size_t onset = 0);
