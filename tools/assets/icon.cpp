// The icon repeats the title picture's motif, the heart in a cube of light, so the
// menu entry looks like what it opens. Below 48 pixels the cube's lines would blur
// into the heart, so the smallest sizes show the heart alone, larger.
#include "icon.h"

#include "canvas.h"
#include "drawing.h"

#include <algorithm>

namespace {

const int SMALLEST_WITH_CUBE = 48;

} // namespace

std::vector<unsigned char> DrawIcon(int size)
{
    const float s = float(size), centre = s / 2;
    const bool withCube = size >= SMALLEST_WITH_CUBE;
    auto tile = [&](float x, float y) {
        return RoundedBoxDistance(x - centre, y - centre, s * 0.46f, s * 0.46f, s * 0.18f);
    };

    // The title's sky: deep violet at the top, warming to pink at the bottom.
    Canvas canvas(size, size);
    canvas.Paint([&](float, float y) {
        float t = y / s;
        return Mix(Mix(Hex(0x090320), Hex(0x3a0b52), t), Hex(0x9a1f6e), SmoothStep(0.6f, 1.0f, t) * 0.6f);
    });
    const float heartY = centre + s * (withCube ? 0.03f : 0.04f);
    Coverage heart = HeartShape(size, size, centre, heartY, s * (withCube ? 0.42f : 0.62f));
    canvas.Glow(heart.Blurred(std::max(1, size / 16)), Hex(0xff2a6d) * 0.8f);
    canvas.CoverWith(heart, [&](float, float y) {
        return Mix(Hex(0xff7aa8), Hex(0xc4003d), (y - heartY + s * 0.15f) / (s * 0.3f));
    });
    if (withCube)
        GlowText(canvas, CubeEdges(size, size, centre, centre, s * 0.25f, 0.62f, 0.42f, std::max(1.0f, s / 90)),
                 Hex(0xd8f6ff), Hex(0x39c6ff), std::max(1, size / 40), 1.3f);
    // A thin light rim keeps the tile apart from dark panels.
    canvas.Cover(Outline(size, size, std::max(1.0f, s / 64), [&](float x, float y) { return tile(x, y) + s / 128; }),
                 Hex(0xff8fc8), 0.7f);

    // Straight alpha: the tile's own colours right to its anti-aliased edge.
    const std::vector<unsigned char> rgb = canvas.Bytes(3);
    const std::vector<unsigned char> alpha = GreyBytes(Coverage::FromDistance(size, size, tile));
    std::vector<unsigned char> rgba;
    rgba.reserve(alpha.size() * 4);
    for (size_t i = 0; i < alpha.size(); i++)
        rgba.insert(rgba.end(), {rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2], alpha[i]});
    return rgba;
}
