#include "canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

unsigned char ToByte(float v) { return static_cast<unsigned char>(std::lround(Clamp01(v) * 255.0f)); }

// One pass of a box blur along rows (step 1) or columns (step width).
void BoxBlur(std::vector<float> &values, int count, int lines, size_t step, size_t lineStep, int radius)
{
    std::vector<float> line(static_cast<size_t>(count));
    for (int l = 0; l < lines; l++) {
        float *first = values.data() + size_t(l) * lineStep;
        for (int i = 0; i < count; i++)
            line[size_t(i)] = first[size_t(i) * step];
        float sum = 0;
        for (int i = -radius; i <= radius; i++)
            sum += line[size_t(std::clamp(i, 0, count - 1))];
        for (int i = 0; i < count; i++) {
            first[size_t(i) * step] = sum / float(2 * radius + 1);
            sum += line[size_t(std::min(i + radius + 1, count - 1))] - line[size_t(std::max(i - radius, 0))];
        }
    }
}

using Colour = std::array<unsigned char, 3>;

struct Box {
    std::vector<std::pair<Colour, size_t>> colours; // distinct colours and how often they occur
    size_t pixels = 0;
    int widestChannel = 0;
    int range = 0;
};

void Measure(Box &box)
{
    box.pixels = 0;
    box.range = -1;
    for (int c = 0; c < 3; c++) {
        int low = 255, high = 0;
        for (const auto &[colour, count] : box.colours) {
            low = std::min(low, int(colour[size_t(c)]));
            high = std::max(high, int(colour[size_t(c)]));
        }
        if (high - low > box.range) {
            box.range = high - low;
            box.widestChannel = c;
        }
    }
    for (const auto &entry : box.colours)
        box.pixels += entry.second;
}

} // namespace

Rgb Hex(uint32_t rgb)
{
    return {float((rgb >> 16) & 255) / 255.0f, float((rgb >> 8) & 255) / 255.0f, float(rgb & 255) / 255.0f};
}

Rgb Hue(float hue)
{
    auto channel = [hue](float offset) {
        float h = hue + offset;
        h -= std::floor(h);
        return Clamp01(std::fabs(h * 6.0f - 3.0f) - 1.0f);
    };
    return {channel(0.0f), channel(2.0f / 3.0f), channel(1.0f / 3.0f)};
}

float SegmentDistance(float x, float y, float ax, float ay, float bx, float by)
{
    float dx = bx - ax, dy = by - ay;
    float t = Clamp01(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy));
    return std::hypot(x - ax - dx * t, y - ay - dy * t);
}

float RoundedBoxDistance(float x, float y, float halfWidth, float halfHeight, float radius)
{
    float qx = std::fabs(x) - halfWidth + radius, qy = std::fabs(y) - halfHeight + radius;
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float HeartDistance(float x, float y)
{
    // A square standing on its corner with a half disc on each upper side: side 1
    // gives a heart 0.5 + 0.75 * sqrt 2 high. Squeezed sideways a little, its point
    // is sharper than a right angle; then scaled to height 1.
    const float root2 = std::sqrt(2.0f), squeeze = 1.2f;
    const float height = 0.5f + 0.75f * root2;
    x = std::fabs(x) * height * squeeze;
    y = y * height + height / 2;
    float u = (x + y - root2 / 2) / root2, v = (y - root2 / 2 - x) / root2;
    float square = RoundedBoxDistance(u, v, 0.5f, 0.5f, 0.0f);
    float lobe = std::hypot(x - root2 / 4, y - 0.75f * root2) - 0.5f;
    return std::min(square, lobe) / (height * 1.1f);
}

Rgb Clamp(Rgb c) { return {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}; }

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

float SmoothStep(float edge0, float edge1, float v)
{
    float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

Coverage Coverage::Blurred(int radius) const
{
    Coverage out = *this;
    for (int pass = 0; pass < 3; pass++) {
        BoxBlur(out.values_, width_, height_, 1, size_t(width_), radius);
        BoxBlur(out.values_, height_, width_, size_t(width_), 1, radius);
    }
    return out;
}

void Coverage::Merge(const Coverage &other)
{
    for (size_t i = 0; i < values_.size(); i++)
        values_[i] = std::max(values_[i], other.values_[i]);
}

void Canvas::Cover(const Coverage &shape, Rgb colour, float opacity)
{
    for (int y = 0; y < height_; y++)
        for (int x = 0; x < width_; x++)
            At(x, y) = Mix(At(x, y), colour, shape.At(x, y) * opacity);
}

void Canvas::Glow(const Coverage &shape, Rgb colour)
{
    for (int y = 0; y < height_; y++)
        for (int x = 0; x < width_; x++)
            At(x, y) = At(x, y) + colour * shape.At(x, y);
}

std::vector<unsigned char> Canvas::Bytes(int channels) const
{
    std::vector<unsigned char> out;
    out.reserve(pixels_.size() * size_t(channels));
    for (const Rgb &p : pixels_) {
        unsigned char r = ToByte(p.r), g = ToByte(p.g), b = ToByte(p.b);
        out.insert(out.end(), {r, g, b});
        if (channels == 4)
            out.push_back(255);
    }
    return out;
}

std::vector<unsigned char> GreyBytes(const Coverage &coverage)
{
    std::vector<unsigned char> out;
    out.reserve(size_t(coverage.Width()) * size_t(coverage.Height()));
    for (int y = 0; y < coverage.Height(); y++)
        for (int x = 0; x < coverage.Width(); x++)
            out.push_back(ToByte(coverage.At(x, y)));
    return out;
}

std::vector<unsigned char> ReduceColours(const std::vector<unsigned char> &pixels, int channels)
{
    std::map<Colour, size_t> histogram;
    for (size_t i = 0; i + size_t(channels) <= pixels.size(); i += size_t(channels))
        histogram[{pixels[i], pixels[i + 1], pixels[i + 2]}]++;

    // Split the box with the most pixels spread over the widest range until there
    // are 256 boxes; each box becomes one map entry, its pixel-weighted mean.
    std::vector<Box> boxes(1);
    boxes[0].colours.assign(histogram.begin(), histogram.end());
    Measure(boxes[0]);
    while (boxes.size() < 256) {
        auto worst = std::max_element(boxes.begin(), boxes.end(), [](const Box &a, const Box &b) {
            return double(a.range) * double(a.pixels) < double(b.range) * double(b.pixels);
        });
        if (worst->range <= 0)
            break;
        int channel = worst->widestChannel;
        auto &colours = worst->colours;
        std::stable_sort(colours.begin(), colours.end(), [channel](const auto &a, const auto &b) {
            return a.first[size_t(channel)] < b.first[size_t(channel)];
        });
        size_t half = 0, seen = 0, split = 1;
        for (const auto &entry : colours)
            half += entry.second;
        for (size_t i = 0; i + 1 < colours.size(); i++) {
            seen += colours[i].second;
            split = i + 1;
            if (seen * 2 >= half)
                break;
        }
        Box upper;
        upper.colours.assign(colours.begin() + long(split), colours.end());
        colours.resize(split);
        Measure(*worst);
        Measure(upper);
        boxes.push_back(std::move(upper));
    }

    std::map<Colour, Colour> reduced;
    for (const Box &box : boxes) {
        std::array<double, 3> sum{};
        for (const auto &[colour, count] : box.colours)
            for (size_t c = 0; c < 3; c++)
                sum[c] += double(colour[c]) * double(count);
        Colour mean;
        for (size_t c = 0; c < 3; c++)
            mean[c] = static_cast<unsigned char>(std::lround(sum[c] / double(box.pixels)));
        for (const auto &entry : box.colours)
            reduced[entry.first] = mean;
    }

    std::vector<unsigned char> out = pixels;
    for (size_t i = 0; i + size_t(channels) <= out.size(); i += size_t(channels)) {
        const Colour &c = reduced[{out[i], out[i + 1], out[i + 2]}];
        std::copy(c.begin(), c.end(), out.begin() + long(i));
        if (channels == 4)
            out[i + 3] = 255;
    }
    return out;
}
