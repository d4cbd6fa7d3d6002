// The show's soundtrack, synthesised by our own code: drums, bass, chords and a
// lead, arranged so that each part of the music begins where a scene begins.
#pragma once

#include <cstdint>
#include <vector>

const int SOUNDTRACK_RATE = 44100;

// Interleaved 16-bit stereo at SOUNDTRACK_RATE, the same samples on every run.
std::vector<int16_t> RenderSoundtrack();
