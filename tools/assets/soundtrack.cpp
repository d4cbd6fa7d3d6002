#include "soundtrack.h"

#include <cstddef>

std::vector<int16_t> RenderSoundtrack() { return std::vector<int16_t>(size_t(SOUNDTRACK_RATE) * 2 * 117); }
