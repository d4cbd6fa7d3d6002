// The asset generator's building blocks: colour reduction for colour-mapped
// pictures, shapes, lettering, and the synthesiser's voices and effects.

#include <gtest/gtest.h>

#include "canvas.h"
#include "synth.h"
#include "text.h"

#include <cmath>
#include <set>

namespace {

// ---- Pictures -------------------------------------------------------------

std::set<std::vector<unsigned char>> Colours(const std::vector<unsigned char> &pixels, int channels)
{
    std::set<std::vector<unsigned char>> colours;
    for (size_t i = 0; i < pixels.size(); i += size_t(channels))
        colours.insert({pixels.begin() + long(i), pixels.begin() + long(i) + channels});
    return colours;
}

TEST(ReduceColours, LeavesPicturesThatFitAMapAlone)
{
    std::vector<unsigned char> pixels;
    for (int i = 0; i < 200; i++)
        pixels.insert(pixels.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i), 7});
    EXPECT_EQ(ReduceColours(pixels, 3), pixels);
}

TEST(ReduceColours, GivesAtMost256CloseColours)
{
    // 4096 colours: red across, green down, blue both ways.
    std::vector<unsigned char> pixels;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            pixels.insert(pixels.end(), {static_cast<unsigned char>(x * 4), static_cast<unsigned char>(y * 4),
                                         static_cast<unsigned char>((x + y) * 2), 0});
    std::vector<unsigned char> reduced = ReduceColours(pixels, 4);
    ASSERT_EQ(reduced.size(), pixels.size());
    EXPECT_LE(Colours(reduced, 4).size(), 256u);
    double error = 0;
    int worst = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        for (size_t c = 0; c < 3; c++) {
            int e = std::abs(int(pixels[i + c]) - int(reduced[i + c]));
            error += e;
            worst = std::max(worst, e);
        }
        EXPECT_EQ(reduced[i + 3], 255) << "opaque";
    }
    EXPECT_LT(error / double(pixels.size() / 4 * 3), 6.0);
    EXPECT_LT(worst, 32);
}

TEST(Shapes, HeartStandsOnItsPointWithTwoLobes)
{
    EXPECT_LT(HeartDistance(0, 0), 0);
    EXPECT_GT(HeartDistance(0, 0.45f), 0) << "the dip between the lobes";
    EXPECT_LT(HeartDistance(0, -0.45f), 0) << "just above the point";
    EXPECT_GT(HeartDistance(0, -0.55f), 0) << "below the point";
    EXPECT_GT(HeartDistance(0.3f, -0.4f), 0) << "beside the point";
    EXPECT_LT(HeartDistance(0.2f, 0.45f), 0) << "a lobe";
    EXPECT_GT(HeartDistance(0.2f, 0.55f), 0) << "above a lobe";
    for (float x : {0.1f, 0.3f, 0.5f})
        for (float y : {-0.3f, 0.0f, 0.3f})
            EXPECT_FLOAT_EQ(HeartDistance(x, y), HeartDistance(-x, y));
}

TEST(Shapes, GlowSpreadsLightWithoutAddingAny)
{
    Coverage dot(21, 21);
    dot.At(10, 10) = 1;
    Coverage glow = dot.Blurred(2);
    double total = 0;
    for (int y = 0; y < 21; y++)
        for (int x = 0; x < 21; x++)
            total += glow.At(x, y);
    EXPECT_NEAR(total, 1.0, 1e-4);
    EXPECT_LT(glow.At(10, 10), 0.2f);
    EXPECT_FLOAT_EQ(glow.At(8, 10), glow.At(12, 10));
    EXPECT_FLOAT_EQ(glow.At(10, 7), glow.At(7, 10));
}

TEST(Lettering, FindsTheFontsAndSetsTextWhereAsked)
{
    EXPECT_TRUE(FindFont("no-such-font.ttf").empty());
    const std::string path = FindFont("DejaVuSans-Bold.ttf");
    ASSERT_FALSE(path.empty()) << "fonts-dejavu-core is needed";
    Font font(path);
    ASSERT_TRUE(font.Ok());
    EXPECT_FALSE(Font("/nonexistent.ttf").Ok());

    Coverage page(240, 60);
    const float width = font.Measure(U"heart", 32);
    EXPECT_GT(width, 60);
    EXPECT_LT(width, 110);
    font.DrawCentred(page, U"heart", 32, 120, 44);
    int left = 240, right = -1, top = 60, bottom = -1;
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 240; x++)
            if (page.At(x, y) > 0.5f)
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                bottom = std::max(bottom, y);
    EXPECT_NEAR((left + right) / 2.0, 120, 3) << "centred";
    EXPECT_NEAR(right - left, width, 6);
    EXPECT_LE(bottom, 44) << "no descenders in 'heart'";
    EXPECT_NEAR(44 - top, 24, 3) << "the letters stand about three quarters of the size tall";
}

// ---- Sound ----------------------------------------------------------------

// The frequency of the strongest tone in a stretch, by counting rising zero crossings.
double Frequency(const std::vector<float> &samples, size_t from, size_t to)
{
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = from + 1; i < to; i++)
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            first = crossings++ == 0 ? i : first;
            last = i;
        }
    return crossings > 1 ? double(crossings - 1) * SAMPLE_RATE / double(last - first) : 0;
}

TEST(Synthesiser, PlaysANoteAtItsPitchAndLevel)
{
    Mixer mixer{size_t(1.5 * SAMPLE_RATE)};
    Patch sine;
    sine.wave = Wave::Sine;
    sine.cutoff = 15000;
    sine.gain = 0.5f;
    Note note;
    note.time = 0.1;
    note.length = 0.5;
    note.pitch = 69; // A above middle C
    PlaySynth(sine, note, {&mixer, &mixer.music, 0, 0.25f, 0}, 1);
    const std::vector<float> &out = mixer.music.left;
    EXPECT_EQ(out[size_t(0.09 * SAMPLE_RATE)], 0) << "nothing before the note";
    EXPECT_NEAR(Frequency(out, size_t(0.2 * SAMPLE_RATE), size_t(0.5 * SAMPLE_RATE)), 440.0, 0.5);
    float peak = 0;
    for (size_t i = size_t(0.2 * SAMPLE_RATE); i < size_t(0.5 * SAMPLE_RATE); i++)
        peak = std::max(peak, std::fabs(out[i]));
    EXPECT_NEAR(peak, 0.5f, 0.05f);
    EXPECT_LT(std::fabs(out[size_t(1.3 * SAMPLE_RATE)]), 0.002f) << "released";
    EXPECT_NEAR(mixer.reverb.left[size_t(0.3 * SAMPLE_RATE)], out[size_t(0.3 * SAMPLE_RATE)] * 0.25f, 1e-6)
        << "the reverb gets its share";
    EXPECT_EQ(mixer.music.left, mixer.music.right) << "panned to the middle";
}

TEST(Synthesiser, LowPassFilterKeepsTheBassAndCutsTheTreble)
{
    auto throughput = [](double hz, bool high) {
        Filter filter;
        filter.Set(1000, 0);
        float peak = 0;
        for (int i = 0; i < int(SAMPLE_RATE / 2); i++) {
            float in = float(std::sin(2 * 3.14159265358979 * hz * i / SAMPLE_RATE));
            float out = high ? filter.High(in) : filter.Low(in);
            if (i > int(SAMPLE_RATE / 4))
                peak = std::max(peak, std::fabs(out));
        }
        return peak;
    };
    EXPECT_NEAR(throughput(100, false), 1.0, 0.05);
    EXPECT_LT(throughput(10000, false), 0.02);
    EXPECT_NEAR(throughput(10000, true), 1.0, 0.05);
    EXPECT_LT(throughput(100, true), 0.02);
}

TEST(Synthesiser, EchoBouncesBetweenTheSides)
{
    Stereo click{size_t(SAMPLE_RATE)};
    click.left[0] = 1;
    Stereo echo = Echo(click, 0.1, 0.5f);
    auto loudest = [](const std::vector<float> &channel, double from, double to) {
        float peak = 0;
        for (size_t i = size_t(from * SAMPLE_RATE); i < size_t(to * SAMPLE_RATE); i++)
            peak = std::max(peak, std::fabs(channel[i]));
        return peak;
    };
    EXPECT_EQ(loudest(echo.left, 0, 0.1), 0);
    EXPECT_EQ(loudest(echo.right, 0, 0.1), 0);
    const float first = loudest(echo.right, 0.1, 0.15), second = loudest(echo.left, 0.2, 0.25);
    EXPECT_GT(first, 0.1f) << "first repeat on the right";
    EXPECT_EQ(loudest(echo.left, 0.1, 0.15), 0);
    EXPECT_GT(second, 0.01f) << "second repeat back on the left";
    EXPECT_LT(second, first * 0.6f) << "and quieter";
}

TEST(Synthesiser, DrumsSoundTheSameForTheSameSeed)
{
    auto snare = [](uint32_t seed) {
        Mixer mixer{size_t(SAMPLE_RATE / 2)};
        PlaySnare(0, 1, {&mixer, &mixer.drums, 0, 0, 0}, seed);
        return mixer.drums.left;
    };
    EXPECT_EQ(snare(5), snare(5));
    EXPECT_NE(snare(5), snare(6));
}

} // namespace
