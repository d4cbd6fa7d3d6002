#include "drawing.h"

#include <algorithm>

float HeartAt(float x, float y, float cx, float cy, float height, float angle)
{
    float dx = x - cx, dy = cy - y;
    float c = std::cos(angle), s = std::sin(angle);
    return HeartDistance((dx * c + dy * s) / height, (dy * c - dx * s) / height) * height;
}

Coverage HeartShape(int width, int height, float cx, float cy, float size, float angle)
{
    return Coverage::FromDistance(width, height, [&](float x, float y) { return HeartAt(x, y, cx, cy, size, angle); });
}

Coverage CubeEdges(int width, int height, float cx, float cy, float scale, float yaw, float pitch, float stroke)
{
    float px[8], py[8];
    for (int i = 0; i < 8; i++) {
        float vx = (i & 1) ? 1.f : -1.f, vy = (i & 2) ? 1.f : -1.f, vz = (i & 4) ? 1.f : -1.f;
        float x1 = vx * std::cos(yaw) + vz * std::sin(yaw), z1 = vz * std::cos(yaw) - vx * std::sin(yaw);
        float y1 = vy * std::cos(pitch) - z1 * std::sin(pitch);
        px[i] = cx + x1 * scale;
        py[i] = cy - y1 * scale;
    }
    Coverage edges(width, height);
    for (int a = 0; a < 8; a++)
        for (int bit = 1; bit < 8; bit <<= 1)
            if (!(a & bit)) {
                int b = a | bit;
                edges.Merge(Coverage::FromDistance(width, height, [&](float x, float y) {
                    return SegmentDistance(x, y, px[a], py[a], px[b], py[b]) - stroke / 2;
                }));
            }
    return edges;
}

void AddStars(Canvas &canvas, uint32_t seed, int count, float maxY, float brightness)
{
    Random random(seed);
    Coverage stars(canvas.Width(), canvas.Height());
    for (int i = 0; i < count; i++) {
        float sx = random.Next() * float(canvas.Width()), sy = random.Next() * maxY;
        float radius = 0.5f + random.Next() * random.Next() * 1.4f, level = 0.3f + 0.7f * random.Next();
        int x0 = int(sx) - 3, y0 = int(sy) - 3;
        for (int y = std::max(0, y0); y < std::min(canvas.Height(), y0 + 7); y++)
            for (int x = std::max(0, x0); x < std::min(canvas.Width(), x0 + 7); x++)
                stars.At(x, y) = std::max(
                    stars.At(x, y), level * AntiAlias(std::hypot(float(x) + 0.5f - sx, float(y) + 0.5f - sy) - radius));
    }
    canvas.Glow(stars.Blurred(2), Hex(0x8fb8ff) * (0.8f * brightness));
    canvas.Glow(stars, Rgb{1, 1, 1} * brightness);
}

void GlowText(Canvas &canvas, const Coverage &text, Rgb fill, Rgb halo, int haloRadius, float haloStrength)
{
    canvas.Glow(text.Blurred(haloRadius), halo * haloStrength);
    canvas.Cover(text, fill);
}

int FitSize(const Font &font, const std::u32string &text, int maxSize, float width, float tracking)
{
    int size = maxSize;
    while (size > 8 && font.Measure(text, size) + tracking * float(text.size()) > width)
        size--;
    return size;
}

Canvas FromCoverage(const Coverage &coverage, bool inverted)
{
    Canvas grey(coverage.Width(), coverage.Height());
    grey.Paint([&](float x, float y) {
        float v = coverage.At(int(x), int(y));
        v = inverted ? 1 - v : v;
        return Rgb{v, v, v};
    });
    return grey;
}
