// Drawing pieces the default pictures share: anti-aliased shapes, hearts, star
// fields, glowing lettering and masks made from coverage.
#pragma once

#include "canvas.h"
#include "text.h"

#include <cmath>
#include <cstdint>
#include <string>

const float TAU = 6.2831853f;

// A signed distance in pixels turned into coverage at one pixel centre.
inline float AntiAlias(float distance) { return Clamp01(0.5f - distance); }

// Heart of the given height in pixels centred on (cx, cy), point down on the
// canvas, turned by `angle` radians; distance in pixels.
float HeartAt(float x, float y, float cx, float cy, float height, float angle = 0);
Coverage HeartShape(int width, int height, float cx, float cy, float size, float angle = 0);

// The twelve edges of a cube turned by yaw and pitch (radians) to show three
// faces, centred on (cx, cy), `scale` pixels from its centre to a face, in lines
// `stroke` pixels wide.
Coverage CubeEdges(int width, int height, float cx, float cy, float scale, float yaw, float pitch, float stroke);

// An outline of the given stroke width around a distance field.
template <class F> Coverage Outline(int width, int height, float stroke, F distance)
{
    return Coverage::FromDistance(width, height,
                                  [&](float x, float y) { return std::fabs(distance(x, y)) - stroke / 2; });
}

// Twinkling stars above maxY, the same ones for the same seed.
void AddStars(Canvas &canvas, uint32_t seed, int count, float maxY, float brightness);

// Text with a soft halo of its accent colour, as lettering on black wants.
void GlowText(Canvas &canvas, const Coverage &text, Rgb fill, Rgb halo, int haloRadius, float haloStrength);

// The largest size up to `maxSize` at which the text fits the width.
int FitSize(const Font &font, const std::u32string &text, int maxSize, float width, float tracking = 0);

// A grey picture of the coverage, or of its complement: the masks.
Canvas FromCoverage(const Coverage &coverage, bool inverted);
