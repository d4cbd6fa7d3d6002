// Every picture is drawn at the size the table gives, top row first, and
// encoded as the table says; the show turns the file upright again on loading.
#include "pictures.h"

#include "canvas.h"
#include "drawing.h"
#include "effects/effects.h"
#include "show/show.h"
#include "tga_writer.h"

#include <algorithm>
#include <cmath>

namespace {

// ---- Encodings ----------------------------------------------------------

enum class Rows { BottomUp, TopDown };

TgaEncoding TrueColour(int bits, bool runLength, Rows rows, bool rightToLeft = false)
{
    TgaEncoding e;
    e.imageType = runLength ? 10 : 2;
    e.pixelDepth = bits;
    e.topToBottom = rows == Rows::TopDown;
    e.rightToLeft = rightToLeft;
    return e;
}

TgaEncoding Mapped(int mapBits, bool runLength, Rows rows, bool rightToLeft = false)
{
    TgaEncoding e = TrueColour(8, false, rows, rightToLeft);
    e.imageType = runLength ? 9 : 1;
    e.colourMapBits = mapBits;
    return e;
}

TgaEncoding Grey(bool runLength, Rows rows, bool rightToLeft = false)
{
    TgaEncoding e = TrueColour(8, false, rows, rightToLeft);
    e.imageType = runLength ? 11 : 3;
    return e;
}

TgaEncoding WithId(TgaEncoding e, const char *id)
{
    e.id = id;
    return e;
}

// ---- Title and creators: full 4:3 screens --------------------------------

Canvas DrawTitleCard(const Fonts &fonts, int w, int h)
{
    const float horizon = float(h) * 0.69f;
    Canvas canvas(w, h);
    canvas.Paint([&](float x, float y) {
        if (y < horizon) {
            float t = y / horizon;
            Rgb sky = Mix(Hex(0x090320), Hex(0x3a0b52), t * t);
            return Mix(sky, Hex(0x9a1f6e), SmoothStep(0.75f, 1.0f, t) * 0.7f);
        }
        // A floor grid in perspective, its lines thinning towards the horizon.
        float dy = y - horizon, depth = 40.0f / dy;
        float wx = (x - float(w) / 2) * depth / 40.0f * 2.5f, wz = depth * 6.0f;
        float lineX = std::fabs(wx - std::round(wx)) / (depth / 40.0f * 2.5f);
        float lineZ = std::fabs(wz - std::round(wz)) / (6.0f * 40.0f / (dy * dy));
        float line = std::max(AntiAlias(lineX - 0.7f), AntiAlias(lineZ - 0.7f)) * SmoothStep(0, 60, dy);
        float haze = std::exp(-dy / 18.0f);
        return Mix(Hex(0x14031e), Hex(0xff4fb0), line * 0.85f) + Hex(0xff5cbf) * (haze * 0.55f);
    });
    AddStars(canvas, 11, 160, horizon - 20, 0.9f);

    const float cx = float(w) / 2, cy = float(h) * 0.34f;
    Coverage sun = Coverage::FromDistance(w, h, [&](float x, float y) { return std::hypot(x - cx, y - cy) - 120; });
    canvas.Glow(sun.Blurred(30), Hex(0xff3d9a) * 0.45f);

    // A cube turned to show three faces, drawn as glowing edges around a heart.
    Coverage edges = CubeEdges(w, h, cx, cy, float(h) * 0.145f, 0.62f, 0.42f, 3.2f);
    Coverage heart = HeartShape(w, h, cx, cy + 4, float(h) * 0.2f);
    canvas.Glow(heart.Blurred(14), Hex(0xff2a6d) * 0.8f);
    canvas.CoverWith(heart, [&](float, float y) { return Mix(Hex(0xff7aa8), Hex(0xc4003d), (y - cy + 50) / 100); });
    GlowText(canvas, edges, Hex(0xd8f6ff), Hex(0x39c6ff), 5, 1.3f);

    Coverage title(w, h);
    const std::u32string name = U"heartcube";
    int size = FitSize(fonts.bold, name, int(float(h) * 0.25f), float(w) * 0.86f);
    fonts.bold.DrawCentred(title, name, size, cx, float(h) * 0.905f);
    canvas.Cover(title.Blurred(6), Hex(0x000000), 0.8f);
    canvas.Glow(title.Blurred(8), Hex(0xff2f92) * 0.9f);
    canvas.CoverWith(title, [&](float, float y) {
        return Mix(Hex(0xffffff), Hex(0xffa6d4), (y - float(h) * 0.74f) / (float(h) * 0.17f));
    });

    Coverage subtitle(w, h);
    fonts.regular.DrawCentred(subtitle, U"a real-time demo \u00b7 made with love", int(float(h) * 0.042f), cx,
                              float(h) * 0.975f, 1.0f);
    GlowText(canvas, subtitle, Hex(0xc9f3ff), Hex(0x39c6ff), 3, 0.6f);
    return canvas;
}

Canvas DrawCreators(const Fonts &fonts, int w, int h)
{
    Canvas canvas(w, h);
    canvas.Paint([&](float x, float y) {
        float t = (x / float(w) + y / float(h)) / 2;
        return Mix(Hex(0x1b0838), Hex(0x06263f), t);
    });
    // A wallpaper of faint hearts, every other row shifted by half a step.
    const float step = float(h) / 7.5f;
    Coverage wallpaper = Coverage::FromDistance(w, h, [&](float x, float y) {
        float row = std::floor(y / step);
        float shift = std::fmod(row, 2.0f) * step / 2;
        float lx = std::fmod(x + shift, step) - step / 2, ly = y - (row + 0.5f) * step;
        return std::fabs(HeartAt(lx, ly, 0, 0, step * 0.42f)) - 1.0f;
    });
    canvas.Glow(wallpaper, Hex(0xff5fa8) * 0.16f);

    const float cx = float(w) / 2;
    auto card = [&](float x, float y) {
        return RoundedBoxDistance(x - cx, y - float(h) * 0.5f, float(w) * 0.37f, float(h) * 0.3f, 24);
    };
    canvas.Cover(Coverage::FromDistance(w, h, card).Blurred(10), Hex(0x000000), 0.6f);
    canvas.CoverWith(Coverage::FromDistance(w, h, card),
                     [&](float, float y) { return Mix(Hex(0x2a0f4a), Hex(0x101a40), y / float(h)); });
    GlowText(canvas, Outline(w, h, 2.5f, card), Hex(0xff8fc8), Hex(0xff3d9a), 4, 0.9f);

    Coverage small(w, h), big(w, h), roles(w, h);
    fonts.regular.DrawCentred(small, U"created by", int(float(h) * 0.05f), cx, float(h) * 0.32f, 4);
    const std::u32string team = U"the heartcube team";
    fonts.bold.DrawCentred(big, team, FitSize(fonts.bold, team, int(float(h) * 0.1f), float(w) * 0.66f), cx,
                           float(h) * 0.47f);
    fonts.regular.DrawCentred(roles, U"code \u00b7 music \u00b7 pictures", int(float(h) * 0.05f), cx, float(h) * 0.59f,
                              1);
    GlowText(canvas, small, Hex(0x9fe9ff), Hex(0x39c6ff), 3, 0.6f);
    GlowText(canvas, big, Hex(0xffffff), Hex(0xff3d9a), 6, 0.9f);
    GlowText(canvas, roles, Hex(0xffb3da), Hex(0xff3d9a), 3, 0.5f);

    Coverage line(w, h);
    fonts.serif.DrawCentred(line, U"all of it drawn and played by our own code", int(float(h) * 0.038f), cx,
                            float(h) * 0.71f);
    canvas.Cover(line, Hex(0xd9d2ff));
    Coverage hearts(w, h);
    for (int i = -1; i <= 1; i++)
        hearts.Merge(
            HeartShape(w, h, cx + float(i) * float(h) * 0.07f, float(h) * 0.2f, float(h) * (i ? 0.04f : 0.06f)));
    GlowText(canvas, hearts, Hex(0xff4f8f), Hex(0xff2a6d), 5, 0.8f);
    return canvas;
}

// ---- Rotozoomer and tunnel: pictures that repeat seamlessly ------------------

// Everything here is periodic over the picture: cells divide it evenly and
// waves complete whole cycles, so the repeated floor shows no seams.
Canvas DrawRotozoomer(const Fonts &, int w, int h)
{
    // Two by two cells, so that each heart is big on the screen; the picture's
    // edges run through the middle of a row of cells, so its opposite edges
    // continue each other.
    const int cells = 2;
    const float cell = float(w) / cells;
    Canvas canvas(w, h);
    canvas.Paint([&](float x, float y) {
        float u = x / float(w), v = y / float(h);
        x = std::fmod(x + cell / 2, float(w)), y = std::fmod(y + cell / 2, float(h));
        float plasma = std::sin(TAU * u) + std::sin(TAU * (v * 2 + u)) + std::sin(TAU * (u * 2 - v)) * 0.5f;
        int column = int(x / cell), row = int(y / cell);
        bool light = (column + row) % 2 == 0;
        Rgb base = light ? Mix(Hex(0xff7ab8), Hex(0xffc2a8), 0.5f + plasma * 0.2f)
                         : Mix(Hex(0x3a0d63), Hex(0x123a7a), 0.5f + plasma * 0.2f);
        float lx = std::fmod(x, cell) - cell / 2, ly = std::fmod(y, cell) - cell / 2;
        float heart = HeartAt(lx, ly, 0, 1, cell * 0.62f);
        Rgb ink = light ? Mix(Hex(0x5a0f6e), Hex(0x2a0a55), (ly + cell / 3) / cell)
                        : Mix(Hex(0xffd0e6), Hex(0xff5fa0), (ly + cell / 3) / cell);
        Rgb colour = Mix(base, ink, AntiAlias(heart));
        // A thin rim round each heart and a soft bevel along the cell edges.
        colour = Mix(colour, light ? Hex(0xffffff) : Hex(0xff2f7e), AntiAlias(std::fabs(heart + 4.0f) - 1.5f) * 0.6f);
        float edge = std::min(std::fabs(std::fmod(x, cell) - cell / 2), std::fabs(std::fmod(y, cell) - cell / 2));
        return colour * (0.8f + 0.2f * SmoothStep(cell / 2, cell / 2 - 10, edge));
    });
    return canvas;
}

Canvas DrawTunnel(const Fonts &, int w, int h)
{
    // A square grid the same both ways, since the side walls use the picture
    // turned a quarter against the floor and ceiling: the lines across become
    // rings that rush past, the lines along become rails into the distance.
    const int cells = 16;
    const float cell = float(w) / cells;
    Canvas canvas(w, h);
    canvas.Paint([&](float x, float y) {
        auto lineDistance = [&](float v) { return std::fabs(v - std::round(v / cell) * cell); };
        auto major = [&](float v) { return int(std::round(v / cell)) % 4 == 0; };
        float dx = lineDistance(x), dy = lineDistance(y);
        float u = x / float(w), v = y / float(h);
        float tint = 0.5f + 0.25f * (std::sin(TAU * u) + std::sin(TAU * v));
        Rgb colour = Mix(Hex(0x080c26), Hex(0x1a0a36), tint);
        auto addLine = [&](float d, bool isMajor) {
            Rgb hue = isMajor ? Hex(0xff4fb4) : Mix(Hex(0x2fd8ff), Hex(0x7a8bff), tint);
            float width = isMajor ? 1.6f : 0.9f;
            colour = colour + hue * (AntiAlias(d - width) * 0.9f + std::exp(-d / 2.5f) * 0.35f);
        };
        addLine(dx, major(x));
        addLine(dy, major(y));
        // A small lamp in the middle of every other cell.
        float cxd = std::fmod(x, cell) - cell / 2, cyd = std::fmod(y, cell) - cell / 2;
        int cellIndex = int(x / cell) + int(y / cell);
        if (cellIndex % 2 == 0)
            colour = colour + Hex(0xffd27a) * (std::exp(-std::hypot(cxd, cyd) / 1.6f) * 0.8f);
        return colour;
    });
    return canvas;
}

// ---- Frames over the rotozoomer and the tunnel -------------------------------

// A frame quad is a picture panel's width and 2 * halfHeight high at the panel's
// distance, where the screen shows ±1.869 × ±1.4016 units: the frame is drawn in
// those units so that it sits on the visible part, and the rows above and below
// the screen are simply more frame.
const float FRAME_WIDTH = 2 * PANEL_HALF_WIDTH;

struct FrameSpace {
    int w, h;
    float halfHeight;
    float UnitsPerPixel() const { return FRAME_WIDTH / float(w); }
    float X(float x) const { return (x / float(w) - 0.5f) * FRAME_WIDTH; }
    float Y(float y) const { return (0.5f - y / float(h)) * 2 * halfHeight; }
};

const float VIEW_HALF_WIDTH = 1.869f, VIEW_HALF_HEIGHT = 1.4016f;

// The rotozoomer looks through a rounded window in a glossy candy frame.
float RotozoomWindow(const FrameSpace &s, float x, float y)
{
    return RoundedBoxDistance(s.X(x), s.Y(y), VIEW_HALF_WIDTH - 0.17f, VIEW_HALF_HEIGHT - 0.16f, 0.32f) /
           s.UnitsPerPixel();
}

// The tunnel looks through a cut-cornered cockpit window.
float TunnelWindow(const FrameSpace &s, float x, float y)
{
    const float a = VIEW_HALF_WIDTH - 0.2f, b = VIEW_HALF_HEIGHT - 0.19f, cut = 0.34f;
    float ax = std::fabs(s.X(x)), ay = std::fabs(s.Y(y));
    float d = std::max({ax - a, ay - b, (ax + ay - (a + b - cut)) / std::sqrt(2.0f)});
    return d / s.UnitsPerPixel();
}

// Coverage of the frame: 1 where the frame is, 0 where the scene shows.
template <class F> Coverage FrameCoverage(const FrameSpace &s, F window)
{
    return Coverage::FromDistance(s.w, s.h, [&](float x, float y) { return -window(s, x, y); });
}

// The frame picture is its art times the frame's coverage, so that the mask
// (1 - coverage) and the picture add up exactly: nothing of the frame lies over
// the window, and at the anti-aliased rim the two share each pixel.
Canvas ApplyFrame(Canvas art, const Coverage &frame)
{
    art.Paint([&](float x, float y) { return Clamp(art.At(int(x), int(y))) * frame.At(int(x), int(y)); });
    return art;
}

Canvas RotozoomFrameArt(const FrameSpace &s)
{
    Canvas art(s.w, s.h);
    art.Paint([&](float x, float y) {
        float d = RotozoomWindow(s, x, y) * s.UnitsPerPixel(); // units from the window's edge
        float stripe = 0.5f + 0.5f * std::sin((s.X(x) + s.Y(y)) * 40.0f);
        Rgb body = Mix(Hex(0x7a1573), Hex(0xb8246f), 0.5f + 0.5f * s.Y(y) / 1.5f);
        body = Mix(body, Hex(0x4a0c5c), stripe * 0.35f);
        float gloss = SmoothStep(0.12f, 0.0f, std::fabs(d - 0.09f)) * 0.35f;
        float rim = AntiAlias(std::fabs(d - 0.012f) / s.UnitsPerPixel() - 2.0f);
        float outerShade = SmoothStep(0.1f, 0.3f, d) * 0.5f;
        Rgb colour = body * (1 - outerShade) + Hex(0xffd6ec) * gloss;
        return Mix(colour, Hex(0xfff0f8), rim);
    });
    Coverage hearts(s.w, s.h);
    for (int corner = 0; corner < 4; corner++) {
        float hx = (corner & 1) ? 1.0f : -1.0f, hy = (corner & 2) ? 1.0f : -1.0f;
        float cx = (0.5f + hx * (VIEW_HALF_WIDTH - 0.11f) / FRAME_WIDTH) * float(s.w);
        float cy = (0.5f - hy * (VIEW_HALF_HEIGHT - 0.1f) / (2 * s.halfHeight)) * float(s.h);
        hearts.Merge(HeartShape(s.w, s.h, cx, cy, 0.15f / s.UnitsPerPixel()));
    }
    art.Glow(hearts.Blurred(4), Hex(0xff3d8a) * 0.6f);
    art.Cover(hearts, Hex(0xffe0ef));
    return art;
}

Canvas TunnelFrameArt(const FrameSpace &s)
{
    Canvas art(s.w, s.h);
    Random grain(7);
    std::vector<float> brushed(size_t(s.h));
    for (float &v : brushed)
        v = grain.Next();
    art.Paint([&](float x, float y) {
        float d = TunnelWindow(s, x, y) * s.UnitsPerPixel();
        Rgb steel = Mix(Hex(0x1c2a44), Hex(0x3c5478), 0.5f + 0.5f * s.Y(y) / s.halfHeight);
        steel = steel * (0.9f + 0.2f * brushed[size_t(y)]);
        float neon = AntiAlias(std::fabs(d - 0.02f) / s.UnitsPerPixel() - 1.5f);
        float neonGlow = std::exp(-std::fabs(d - 0.02f) / 0.03f) * 0.5f;
        Rgb colour = steel + Hex(0x33e0ff) * neonGlow;
        // Warning chevrons along the bottom, under the window.
        float sx = s.X(x), sy = s.Y(y);
        if (sy < -(VIEW_HALF_HEIGHT - 0.16f) && sy > -(VIEW_HALF_HEIGHT - 0.03f) && std::fabs(sx) < 0.8f) {
            bool yellow = std::fmod(sx * 8 + sy * 8 + 100.0f, 2.0f) < 1.0f;
            colour = yellow ? Hex(0xffc21a) * 0.9f : Hex(0x141414);
        }
        return Mix(colour, Hex(0xd8faff), neon);
    });
    // Rivets along the frame.
    Coverage rivets(s.w, s.h);
    auto rivet = [&](float ux, float uy) {
        float cx = (0.5f + ux / FRAME_WIDTH) * float(s.w), cy = (0.5f - uy / (2 * s.halfHeight)) * float(s.h);
        rivets.Merge(Coverage::FromDistance(
            s.w, s.h, [&](float x, float y) { return std::hypot(x - cx, y - cy) - 0.028f / s.UnitsPerPixel(); }));
    };
    for (int i = -6; i <= 6; i++) {
        float ux = float(i) * 0.27f;
        if (std::fabs(ux) > 0.9f) // the chevrons sit in the middle of the bottom bar
            rivet(ux, -(VIEW_HALF_HEIGHT - 0.095f));
        rivet(ux, VIEW_HALF_HEIGHT - 0.095f);
    }
    for (int i = -3; i <= 3; i++) {
        rivet(-(VIEW_HALF_WIDTH - 0.1f), float(i) * 0.3f);
        rivet(VIEW_HALF_WIDTH - 0.1f, float(i) * 0.3f);
    }
    art.Cover(rivets, Hex(0x9fb4d0));
    return art;
}

Canvas DrawRotozoomBorder(const Fonts &, int w, int h)
{
    const FrameSpace space{w, h, ROTOZOOM_BORDER_HALF_HEIGHT};
    return ApplyFrame(RotozoomFrameArt(space), FrameCoverage(space, RotozoomWindow));
}

Canvas DrawRotozoomBorderMask(const Fonts &, int w, int h)
{
    return FromCoverage(FrameCoverage(FrameSpace{w, h, ROTOZOOM_BORDER_HALF_HEIGHT}, RotozoomWindow), true);
}

Canvas DrawTunnelBorder(const Fonts &, int w, int h)
{
    const FrameSpace space{w, h, TUNNEL_BORDER_HALF_HEIGHT};
    return ApplyFrame(TunnelFrameArt(space), FrameCoverage(space, TunnelWindow));
}

Canvas DrawTunnelBorderMask(const Fonts &, int w, int h)
{
    return FromCoverage(FrameCoverage(FrameSpace{w, h, TUNNEL_BORDER_HALF_HEIGHT}, TunnelWindow), true);
}

// ---- Heart cube --------------------------------------------------------------

// The six walls show this picture at different turns and mirrorings, so it is
// built to look right every way: a ring of hearts pointing at the centre, round
// rings, and a glowing rim that marks the cube's edges.
Canvas DrawSkybox(const Fonts &, int w, int h)
{
    const float cx = float(w) / 2, cy = float(h) / 2;
    Canvas canvas(w, h);
    canvas.Paint([&](float x, float y) {
        float r = std::hypot(x - cx, y - cy) / (float(w) / 2);
        float angle = std::atan2(y - cy, x - cx);
        float swirl = 0.5f + 0.5f * std::sin(angle * 4 + r * 9.0f);
        Rgb colour = Mix(Hex(0x2c0d52), Hex(0x07061c), Clamp01(r * 0.9f));
        return colour + Hex(0x5a1a7a) * (swirl * 0.25f * (1 - Clamp01(r)));
    });
    AddStars(canvas, 13, 260, float(h), 0.8f);

    Coverage rings = Outline(w, h, 2.0f, [&](float x, float y) {
        float r = std::hypot(x - cx, y - cy);
        return std::min(std::fabs(r - float(w) * 0.13f), std::fabs(r - float(w) * 0.42f));
    });
    canvas.Glow(rings.Blurred(3), Hex(0x39c6ff) * 0.5f);
    canvas.Glow(rings, Hex(0x8fe6ff) * 0.5f);

    Coverage hearts(w, h);
    for (int i = 0; i < 8; i++) {
        float a = TAU * float(i) / 8, radius = float(w) * 0.28f;
        // Point towards the centre: the heart's "down" is the inward direction.
        hearts.Merge(
            HeartShape(w, h, cx + std::cos(a) * radius, cy + std::sin(a) * radius, float(w) * 0.1f, -a - TAU / 4));
    }
    canvas.Glow(hearts.Blurred(6), Hex(0xff2a78) * 0.7f);
    canvas.CoverWith(hearts, [&](float x, float y) {
        float r = std::hypot(x - cx, y - cy) / (float(w) * 0.35f);
        return Mix(Hex(0xff9cc6), Hex(0xd0104f), r);
    });
    GlowText(canvas, Outline(w, h, 2.0f, [&](float x, float y) { return HeartAt(x, y, cx, cy, float(w) * 0.07f); }),
             Hex(0xffd6ea), Hex(0xff3d9a), 4, 0.7f);

    Coverage rim = Coverage::FromDistance(w, h, [&](float x, float y) {
        float edge = std::min(std::min(x, float(w) - x), std::min(y, float(h) - y));
        return std::fabs(edge - 7.0f) - 1.5f;
    });
    canvas.Glow(rim.Blurred(5), Hex(0x39c6ff) * 0.9f);
    canvas.Glow(rim, Hex(0xbff4ff));
    return canvas;
}

const float HEART_SIZE = 0.85f; // of the picture's height

Canvas DrawHeart(const Fonts &, int w, int h)
{
    // A glossy heart lit from the upper left: a blurred copy of its shape serves
    // as a rounded bulge, shaded like a surface.
    const float cx = float(w) / 2, cy = float(h) / 2, size = float(h) * HEART_SIZE;
    const Coverage shape = HeartShape(w, h, cx, cy, size);
    const Coverage bulge = shape.Blurred(int(size * 0.05f));
    auto height = [&](int x, int y) {
        return bulge.At(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1)) * size * 0.12f;
    };
    Canvas canvas(w, h);
    canvas.Paint([&](float fx, float fy) {
        const int x = int(fx), y = int(fy);
        float coverage = shape.At(x, y);
        if (coverage <= 0)
            return Rgb{};
        float nx = height(x - 1, y) - height(x + 1, y), ny = height(x, y - 1) - height(x, y + 1), nz = 2.0f;
        float length = std::sqrt(nx * nx + ny * ny + nz * nz);
        nx /= length, ny /= length, nz /= length;
        const float lx = -0.45f, ly = -0.55f, lz = 0.70f; // towards the light, y down
        float diffuse = std::max(0.0f, nx * lx + ny * ly + nz * lz);
        float hx = lx, hy = ly, hz = lz + 1, hl = std::sqrt(hx * hx + hy * hy + hz * hz);
        float specular = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl), 30.0f);
        Rgb base = Mix(Hex(0xff3b6f), Hex(0xa3002e), (fy - cy + size / 2) / size);
        Rgb colour = base * (0.3f + 0.8f * diffuse) + Rgb{1, 0.92f, 0.96f} * (specular * 0.85f);
        float rim = AntiAlias(std::fabs(HeartAt(fx, fy, cx, cy, size) + 2.5f) - 1.0f);
        // Clipped to white before the edge fades it, so that nothing of the heart
        // outshines what its mask leaves out.
        return Clamp(Mix(colour, Hex(0xffc2da), rim * 0.7f)) * coverage;
    });
    return canvas;
}

Canvas DrawHeartMask(const Fonts &, int w, int h)
{
    return FromCoverage(HeartShape(w, h, float(w) / 2, float(h) / 2, float(h) * HEART_SIZE), true);
}

// ---- Credits: bright lettering on black, added over the cube ---------------

struct Credit {
    const char32_t *role;
    const char32_t *text;
    uint32_t accent;
};

// clang-format off
const Credit CREDITS[9] = {
    {U"welcome to", U"heartcube", 0xff4fa0},
    {U"code", U"C++ and OpenGL", 0x39c6ff},
    {U"music", U"home-made synth", 0xb06bff},
    {U"pictures", U"drawn in code", 0xffb13d},
    {U"lettering", U"DejaVu Sans", 0x4dffb0},
    {U"made by", U"the heartcube team", 0xff4f6e},
    {U"greetings", U"to all demo lovers", 0x39c6ff},
    {U"thank you", U"for watching", 0xff7ad1},
    {U"see you", U"next time \u2665", 0xff3d6e},
};
// clang-format on

// The picture is drawn in the shape of its quad, 2.25 times as wide as high; a
// margin of black keeps the lettering and its halo off the quad's edges.
Canvas DrawCredit(const Fonts &fonts, int w, int h, const Credit &credit)
{
    const float margin = float(w) * 0.07f, cx = float(w) / 2;
    Rgb accent = Hex(credit.accent);
    Canvas canvas(w, h);
    Coverage role(w, h), text(w, h);
    const std::u32string roleText = credit.role, mainText = credit.text;
    int roleSize = FitSize(fonts.regular, roleText, int(float(h) * 0.2f), float(w) - 2 * margin, 3);
    fonts.regular.DrawCentred(role, roleText, roleSize, cx, float(h) * 0.38f, 3);
    int textSize = FitSize(fonts.bold, mainText, int(float(h) * 0.3f), float(w) - 2 * margin);
    fonts.bold.DrawCentred(text, mainText, textSize, cx, float(h) * 0.74f);
    GlowText(canvas, role, Mix(accent, Rgb{1, 1, 1}, 0.35f), accent, 3, 0.7f);
    canvas.Glow(text.Blurred(4), accent * 0.8f);
    canvas.CoverWith(text, [&](float, float y) {
        return Mix(Rgb{1, 1, 1}, Mix(accent, Rgb{1, 1, 1}, 0.55f), (y - float(h) * 0.5f) / (float(h) * 0.25f));
    });
    Coverage underline = Coverage::FromDistance(w, h, [&](float x, float y) {
        return SegmentDistance(x, y, cx - float(w) * 0.12f, float(h) * 0.48f, cx + float(w) * 0.12f, float(h) * 0.48f) -
               0.8f;
    });
    canvas.Glow(underline, accent * 0.8f);
    return canvas;
}

template <int N> Canvas DrawCreditNumber(const Fonts &fonts, int w, int h)
{
    return DrawCredit(fonts, w, h, CREDITS[N - 1]);
}

// ---- Pink, interludes and the end ------------------------------------------

Canvas DrawPink(const Fonts &fonts, int w, int h)
{
    const float cx = float(w) / 2, cy = float(h) * 0.44f;
    Canvas canvas(w, h);
    canvas.Paint([&](float x, float y) {
        float r = std::hypot((x - cx) / float(w), (y - cy) / float(h)) * 1.6f;
        return Mix(Mix(Hex(0xff8cc6), Hex(0xc2186b), Clamp01(r)), Hex(0x4a0630), SmoothStep(0.8f, 1.3f, r));
    });
    // Soft floating hearts, as out-of-focus lights.
    Random random(25);
    for (int i = 0; i < 34; i++) {
        float hx = random.Next() * float(w), hy = random.Next() * float(h);
        float size = float(h) * (0.04f + 0.14f * random.Next() * random.Next());
        float angle = (random.Next() - 0.5f) * 0.8f, level = 0.12f + 0.25f * random.Next();
        Coverage heart = HeartShape(w, h, hx, hy, size, angle);
        canvas.Cover(heart.Blurred(1 + int(random.Next() * 3)), Hex(0xffd1e8), level);
    }
    Coverage big = HeartShape(w, h, cx, cy, float(h) * 0.5f);
    canvas.Glow(big.Blurred(12), Hex(0xffffff) * 0.35f);
    canvas.CoverWith(big, [&](float, float y) {
        return Mix(Hex(0xffe6f2), Hex(0xff6fae), (y - cy + float(h) * 0.25f) / (float(h) * 0.5f));
    });
    canvas.Cover(Outline(w, h, 3.0f, [&](float x, float y) { return HeartAt(x, y, cx, cy, float(h) * 0.5f) + 6; }),
                 Hex(0xffffff), 0.8f);
    Coverage words(w, h);
    const std::u32string text = U"with love";
    fonts.bold.DrawCentred(words, text, FitSize(fonts.bold, text, int(float(h) * 0.12f), float(w) * 0.7f), cx,
                           float(h) * 0.92f);
    canvas.Cover(words.Blurred(3), Hex(0x7a0a40), 0.6f);
    canvas.Cover(words, Hex(0xffffff));
    return canvas;
}

// Concentric rings in one hue each: added together while they drift, the two
// make moving interference patterns; each stays dim enough that their sum
// rarely saturates.
Canvas DrawRings(int w, int h, float centreX, float centreY, Rgb dark, Rgb mid, Rgb bright, float spacing)
{
    Canvas canvas(w, h);
    canvas.Paint([&](float x, float y) {
        float r = std::hypot(x - centreX * float(w), y - centreY * float(h));
        float wave = 0.5f + 0.5f * std::cos(TAU * r / spacing);
        float level = std::pow(wave, 3.0f) * (0.55f + 0.45f * std::exp(-r / (float(w) * 0.6f)));
        Rgb colour = level < 0.5f ? Mix(dark, mid, level * 2) : Mix(mid, bright, level * 2 - 1);
        return colour;
    });
    return canvas;
}

Canvas DrawInterlude1(const Fonts &, int w, int h)
{
    return DrawRings(w, h, 0.5f, 0.5f, Hex(0x02051a), Hex(0x1456b8), Hex(0x6fe8ff), float(h) / 11);
}

Canvas DrawInterlude2(const Fonts &, int w, int h)
{
    return DrawRings(w, h, 0.45f, 0.55f, Hex(0x12010c), Hex(0x9c1470), Hex(0xffa35c), float(h) / 9.5f);
}

Canvas DrawEnd(const Fonts &fonts, int w, int h)
{
    const float cx = float(w) / 2;
    Canvas canvas(w, h);
    AddStars(canvas, 28, 90, float(h), 0.5f);
    auto heart = [&](float x, float y) { return HeartAt(x, y, cx, float(h) * 0.3f, float(h) * 0.3f); };
    GlowText(canvas, Outline(w, h, 5.0f, heart), Hex(0xffd6ea), Hex(0xff2a78), 10, 1.2f);
    Coverage title(w, h), line(w, h);
    fonts.bold.DrawCentred(title, U"the end", int(float(h) * 0.2f), cx, float(h) * 0.71f);
    GlowText(canvas, title, Hex(0xffffff), Hex(0xff3d9a), 8, 1.0f);
    fonts.regular.DrawCentred(line, U"heartcube \u00b7 thank you for watching", int(float(h) * 0.05f), cx,
                              float(h) * 0.83f, 1);
    GlowText(canvas, line, Hex(0xbff0ff), Hex(0x39c6ff), 3, 0.6f);
    return canvas;
}

// ---- Pictures no scene draws (still valid files) ------------------------------

Canvas DrawLoveCubes(const Fonts &, int w, int h)
{
    Canvas canvas(w, h, Hex(0x0c0618));
    for (int i = 0; i < 4; i++) {
        float cx = float(w) * (0.25f + 0.5f * float(i % 2)), cy = float(h) * (0.25f + 0.5f * float(i / 2));
        Rgb hue = Hue(0.85f + 0.12f * float(i));
        canvas.Cover(Outline(w, h, 2,
                             [&](float x, float y) {
                                 return RoundedBoxDistance(x - cx, y - cy, float(w) * 0.2f, float(h) * 0.2f, 6);
                             }),
                     hue);
        canvas.Cover(HeartShape(w, h, cx, cy, float(h) * 0.22f), Mix(hue, Rgb{1, 1, 1}, 0.4f));
    }
    return canvas;
}

Canvas DrawTwist(const Fonts &, int w, int h)
{
    Canvas canvas(w, h);
    canvas.Paint([&](float x, float y) {
        float twist = x / float(w) * TAU * 2 + std::sin(y / float(h) * TAU) * 2;
        return Hue(twist / TAU) * (0.4f + 0.6f * std::fabs(std::sin(twist * 2)));
    });
    return canvas;
}

Coverage GreetsLettering(const Fonts &fonts, int w, int h)
{
    Coverage text(w, h);
    fonts.bold.DrawCentred(text, U"greetings",
                           FitSize(fonts.bold, U"greetings", int(float(h) * 0.4f), float(w) * 0.85f), float(w) / 2,
                           float(h) * 0.6f);
    fonts.regular.DrawCentred(text, U"to all demo lovers", int(float(h) * 0.14f), float(w) / 2, float(h) * 0.85f);
    return text;
}

Canvas DrawGreets(const Fonts &fonts, int w, int h)
{
    Canvas canvas(w, h);
    canvas.CoverWith(GreetsLettering(fonts, w, h), [&](float x, float) { return Hue(0.8f + 0.3f * x / float(w)); });
    return canvas;
}

Canvas DrawGreetsMask(const Fonts &fonts, int w, int h) { return FromCoverage(GreetsLettering(fonts, w, h), true); }

Canvas DrawGreetScroller(const Fonts &fonts, int w, int h)
{
    Canvas canvas(w, h);
    Coverage text(w, h);
    const std::u32string line = U"greetings to all demo lovers \u00b7 pixel pushers \u00b7 music makers \u2665";
    fonts.bold.Draw(text, line, FitSize(fonts.bold, line, int(float(h) * 0.5f), float(w) - 16), 8, float(h) * 0.68f);
    canvas.CoverWith(text, [&](float x, float) { return Mix(Hue(x / float(w)), Rgb{1, 1, 1}, 0.3f); });
    return canvas;
}

// ---- The table ---------------------------------------------------------------

using DrawFunction = Canvas (*)(const Fonts &, int, int);

struct Entry {
    int picture;
    int width, height;
    TgaEncoding encoding;
    DrawFunction draw;
};

const char *const ID = "heartcube default picture";

// One row per picture. The encodings are spread so that
// every kind the loader reads occurs: uncompressed and run-length true colour at
// 24 and 32 bits, 8-bit colour maps with 24- and 32-bit entries (those pictures
// are reduced to 256 colours), 8-bit grey, rows stored either way, right-to-left
// rows, an ID field, and sizes that are not powers of two so that loading
// resamples them. Within that: masks are grey; lettering on black, the pink
// picture and the one-hue rings have few colours and take a colour map; the
// smooth shading of the title, heart and tiles stays true colour; pictures
// that are mostly black or flat are run-length encoded. The repeated tiles keep
// power-of-two sizes, since resampling does not wrap round their edges; the
// frames, the credits and the drifting panels are sized in the shapes of their
// quads.
const Entry TABLE[] = {
    {PICTURE_LOVE_CUBES, 128, 128, TrueColour(32, false, Rows::BottomUp), DrawLoveCubes},
    {PICTURE_TWIST, 160, 120, Mapped(32, true, Rows::TopDown, true), DrawTwist},
    {PICTURE_ROTOZOOMER, 256, 256, TrueColour(24, false, Rows::TopDown), DrawRotozoomer},
    {PICTURE_TUNNEL, 256, 256, TrueColour(24, false, Rows::BottomUp, true), DrawTunnel},
    {PICTURE_TUNNEL_BORDER, 640, 544, TrueColour(24, true, Rows::TopDown), DrawTunnelBorder},
    {PICTURE_TUNNEL_BORDER_MASK, 640, 544, Grey(false, Rows::BottomUp), DrawTunnelBorderMask},
    {PICTURE_ROTOZOOM_BORDER, 640, 512, TrueColour(32, true, Rows::BottomUp, true), DrawRotozoomBorder},
    {PICTURE_ROTOZOOM_BORDER_MASK, 640, 512, Grey(true, Rows::TopDown), DrawRotozoomBorderMask},
    {PICTURE_GREETS, 256, 128, Mapped(24, false, Rows::BottomUp), DrawGreets},
    {PICTURE_GREETS_MASK, 256, 128, Grey(true, Rows::BottomUp, true), DrawGreetsMask},
    {PICTURE_GREET_SCROLLER, 1024, 64, Mapped(24, true, Rows::TopDown), DrawGreetScroller},
    {PICTURE_TITLE, 640, 480, WithId(TrueColour(24, false, Rows::BottomUp), ID), DrawTitleCard},
    {PICTURE_CREATORS, 640, 480, WithId(TrueColour(32, false, Rows::TopDown), ID), DrawCreators},
    {PICTURE_SKYBOX, 512, 512, TrueColour(24, true, Rows::BottomUp), DrawSkybox},
    {PICTURE_HEART, 256, 256, TrueColour(32, true, Rows::TopDown), DrawHeart},
    {PICTURE_HEART_MASK, 256, 256, Grey(true, Rows::BottomUp), DrawHeartMask},
    {PICTURE_CREDIT_1, 288, 128, Mapped(24, false, Rows::TopDown), DrawCreditNumber<1>},
    {PICTURE_CREDIT_2, 288, 128, Mapped(32, true, Rows::BottomUp), DrawCreditNumber<2>},
    {PICTURE_CREDIT_3, 288, 128, Mapped(24, true, Rows::TopDown, true), DrawCreditNumber<3>},
    {PICTURE_CREDIT_4, 288, 128, Mapped(32, false, Rows::BottomUp), DrawCreditNumber<4>},
    {PICTURE_CREDIT_5, 288, 128, Mapped(24, true, Rows::BottomUp), DrawCreditNumber<5>},
    {PICTURE_CREDIT_6, 288, 128, Mapped(32, true, Rows::TopDown), DrawCreditNumber<6>},
    {PICTURE_CREDIT_7, 288, 128, Mapped(24, false, Rows::BottomUp, true), DrawCreditNumber<7>},
    {PICTURE_CREDIT_8, 288, 128, Mapped(32, true, Rows::BottomUp), DrawCreditNumber<8>},
    {PICTURE_CREDIT_9, 288, 128, Mapped(24, true, Rows::TopDown), DrawCreditNumber<9>},
    {PICTURE_PINK, 400, 300, WithId(Mapped(24, true, Rows::BottomUp), ID), DrawPink},
    {PICTURE_INTERLUDE_1, 580, 480, Mapped(24, false, Rows::TopDown), DrawInterlude1},
    {PICTURE_INTERLUDE_2, 580, 480, Mapped(32, false, Rows::BottomUp, true), DrawInterlude2},
    {PICTURE_END, 640, 480, TrueColour(24, true, Rows::TopDown), DrawEnd},
};

} // namespace

const char *const FONT_FILES[3] = {"DejaVuSans-Bold.ttf", "DejaVuSans.ttf", "DejaVuSerif.ttf"};

Fonts::Fonts(const std::string &dir)
    : bold(FindFont(FONT_FILES[0], dir)), regular(FindFont(FONT_FILES[1], dir)), serif(FindFont(FONT_FILES[2], dir))
{
}

std::vector<PictureFile> DrawPictures(const Fonts &fonts)
{
    std::vector<PictureFile> files;
    for (const Entry &entry : TABLE) {
        const TgaEncoding &e = entry.encoding;
        const bool mapped = (e.imageType & 7) == 1;
        const int channels = (e.pixelDepth == 32 || e.colourMapBits == 32) ? 4 : 3;
        std::vector<unsigned char> pixels = entry.draw(fonts, entry.width, entry.height).Bytes(channels);
        if (mapped)
            pixels = ReduceColours(pixels, channels);
        files.push_back(
            {g_textureFiles[entry.picture], EncodeTga(pixels.data(), entry.width, entry.height, channels, e)});
    }
    return files;
}
