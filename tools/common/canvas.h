// Drawing surfaces for the default pictures and the storyboard: a float RGB
// canvas, grey coverage maps for shapes and text, and the conversion to bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    float r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
// The colour with each channel held to 0..1, as a pixel can show it.
Rgb Clamp(Rgb c);
// A colour written as 0xRRGGBB.
Rgb Hex(uint32_t rgb);
// Hue 0..1 around the colour wheel, full saturation and value.
Rgb Hue(float hue);

float Clamp01(float v);
float SmoothStep(float edge0, float edge1, float v);

// Signed distances (negative inside) for shapes, in the caller's units.
float SegmentDistance(float x, float y, float ax, float ay, float bx, float by);
float RoundedBoxDistance(float x, float y, float halfWidth, float halfHeight, float radius);
// A heart of height 1 centred on the origin, point down, y up.
float HeartDistance(float x, float y);

// A small deterministic generator, so that every run draws the same stars.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed) {}
    float Next() // 0..1
    {
        state_ = state_ * 1664525u + 1013904223u;
        return float(state_ >> 8) / 16777216.0f;
    }

private:
    uint32_t state_;
};

// How much of each pixel a shape covers, 0..1, top row first.
class Coverage {
public:
    Coverage(int width, int height) : width_(width), height_(height), values_(size_t(width) * size_t(height)) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    float &At(int x, int y) { return values_[size_t(y) * size_t(width_) + size_t(x)]; }
    float At(int x, int y) const { return values_[size_t(y) * size_t(width_) + size_t(x)]; }
    // Coverage of the shape whose signed distance (pixels, negative inside) f gives
    // at each pixel centre, anti-aliased over one pixel.
    template <class F> static Coverage FromDistance(int width, int height, F distance)
    {
        Coverage c(width, height);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                c.At(x, y) = Clamp01(0.5f - distance(float(x) + 0.5f, float(y) + 0.5f));
        return c;
    }
    // A soft copy for glows: three box blurs of the given radius approach a Gaussian.
    Coverage Blurred(int radius) const;
    // The union with another map of the same size.
    void Merge(const Coverage &other);

private:
    int width_, height_;
    std::vector<float> values_;
};

class Canvas {
public:
    Canvas(int width, int height, Rgb fill = {})
        : width_(width), height_(height), pixels_(size_t(width) * size_t(height), fill)
    {
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb &At(int x, int y) { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
    const Rgb &At(int x, int y) const { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }

    // Sets every pixel from f(x, y) at the pixel centre, x right and y down.
    template <class F> void Paint(F f)
    {
        for (int y = 0; y < height_; y++)
            for (int x = 0; x < width_; x++)
                At(x, y) = f(float(x) + 0.5f, float(y) + 0.5f);
    }
    // Paints the colour over the canvas as far as the shape (of the canvas's
    // size) covers it, `opacity` of the way.
    void Cover(const Coverage &shape, Rgb colour, float opacity = 1);
    // The same with a colour that varies over the canvas.
    template <class F> void CoverWith(const Coverage &shape, F colour)
    {
        for (int y = 0; y < height_; y++)
            for (int x = 0; x < width_; x++)
                if (float a = shape.At(x, y); a > 0)
                    At(x, y) = Mix(At(x, y), colour(float(x) + 0.5f, float(y) + 0.5f), a);
    }
    // Adds light in the shape, as glows and additive pictures do.
    void Glow(const Coverage &shape, Rgb colour);

    // 8-bit pixels, top row first: 3 bytes RGB, or 4 with an opaque alpha (the
    // show's blending ignores alpha, but it reaches the frame buffer, and a
    // screenshot of an opaque picture should be opaque).
    std::vector<unsigned char> Bytes(int channels) const;

private:
    int width_, height_;
    std::vector<Rgb> pixels_;
};

// Coverage as grey bytes, 0 black to 255 white, top row first.
std::vector<unsigned char> GreyBytes(const Coverage &coverage);

// Reduces 8-bit RGB or RGBA pixels to at most 256 colours by median cut, so that
// they fit a colour map. Alpha, when present, is made opaque.
std::vector<unsigned char> ReduceColours(const std::vector<unsigned char> &pixels, int channels);
