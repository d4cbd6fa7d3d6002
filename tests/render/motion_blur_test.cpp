// Motion blur on a scene of known motion: the drifting panels with a picture of
// one sharp upright edge, at a moment the first panel sweeps sideways at its
// fastest, smear the edge over the distance it travels while the shutter is open,
// behind the frame's own position. The average is rounded once.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "effects/effects.h"
#include "show_renderer.h"
#include "temporary_file.h"
#include "tga_writer.h"

namespace {

const int WIDTH = 640, HEIGHT = 480;
const int FPS = 10;
const int SAMPLES = 16;
// 85.6 s: the interlude, where the first panel's x = cos(2t) moves at 2 sin(2t),
// within a thousandth of its top speed.
const long FRAME = 856;

// A show of two pictures: the first panel black on the left, white on the right;
// the second, added onto it, black.
class MotionBlur : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        show = TemporaryDirectory() + "/heartcube-blur-" + std::to_string(getpid());
        ASSERT_EQ(mkdir(show.c_str(), 0700), 0);
        ASSERT_EQ(mkdir((show + "/data").c_str(), 0700), 0);
        std::vector<unsigned char> edge(256 * 256, 0), black(256 * 256, 0);
        for (size_t y = 0; y < 256; y++)
            for (size_t x = 128; x < 256; x++)
                edge[y * 256 + x] = 255;
        TgaEncoding grey;
        grey.imageType = 3;
        grey.pixelDepth = 8;
        ASSERT_TRUE(WriteFile(show + "/data/inter1.tga", EncodeTga(edge.data(), 256, 256, 1, grey)));
        ASSERT_TRUE(WriteFile(show + "/data/inter2.tga", EncodeTga(black.data(), 256, 256, 1, grey)));
        ASSERT_EQ(chdir(show.c_str()), 0);
    }
    static void TearDownTestSuite()
    {
        for (const char *file : {"/data/inter1.tga", "/data/inter2.tga"})
            unlink((show + file).c_str());
        rmdir((show + "/data").c_str());
        rmdir(show.c_str());
    }

    // The middle row's grey levels.
    static std::vector<int> MiddleRow(double shutter, long frame = FRAME)
    {
        ShowRenderer renderer(WIDTH, HEIGHT, FPS, 0.0, {shutter, SAMPLES});
        EXPECT_TRUE(renderer.Valid()) << renderer.Error();
        std::vector<unsigned char> rgba;
        EXPECT_TRUE(renderer.Render(frame, RowOrder::TopFirst, rgba));
        std::vector<int> row(WIDTH);
        for (int x = 0; x < WIDTH; x++)
            row[size_t(x)] = rgba.empty() ? 0 : rgba[(size_t(HEIGHT / 2) * WIDTH + size_t(x)) * 4];
        return row;
    }
    // The columns between black and white: [first, last] of the edge.
    static std::pair<int, int> Edge(const std::vector<int> &row)
    {
        int first = -1, last = -1;
        for (int x = 0; x < WIDTH; x++)
            if (row[size_t(x)] > 4 && row[size_t(x)] < 251) {
                if (first < 0)
                    first = x;
                last = x;
            }
        return {first, last};
    }

    static std::string show;
};

std::string MotionBlur::show;

TEST_F(MotionBlur, SmearsAsFarAsThePanelTravelsWhileTheShutterIsOpen)
{
    // Pixels a unit at the panels' depth, and the panel's speed in pixels a second.
    const double pixelsPerUnit = HEIGHT / 2.0 / (-INTERLUDE_DISTANCE * std::tan(65.0 / 2 * M_PI / 180));
    const double t = double(FRAME) / FPS, speed = 2 * std::fabs(std::sin(2 * t)) * pixelsPerUnit;
    const std::vector<int> plain = MiddleRow(0);
    const auto sharp = Edge(plain);
    ASSERT_GE(sharp.first, 0);
    ASSERT_LE(sharp.second - sharp.first, 6) << "the plain frame's edge is a texel or so wide";
    for (double shutter : {180.0, 360.0}) {
        // The sixteen moments span 15/16 of the time the shutter is open.
        const double travel = speed * shutter / 360 / FPS * (SAMPLES - 1) / SAMPLES;
        const std::vector<int> row = MiddleRow(shutter);
        const auto blurred = Edge(row);
        EXPECT_NEAR(blurred.second - blurred.first, travel + (sharp.second - sharp.first), 4) << shutter << " degrees";
        // The panel moves left and the shutter closes on the sharp frame: the smear
        // trails to the right, the edge on average half the travel behind.
        EXPECT_NEAR(blurred.first, sharp.first, 1) << shutter << " degrees";
        double lag = 0;
        for (int x = 0; x < WIDTH; x++)
            lag += (plain[size_t(x)] - row[size_t(x)]) / 255.0;
        EXPECT_NEAR(lag, travel / 2, 1) << shutter << " degrees";
    }
}

TEST(FrameAverage, RoundsTheSumOnceAndStartsAfreshEachFrame)
{
    // 0, 0, 0 and 3 average 0.75: 1 rounded once, where 8-bit running means give 0 or 2.
    FrameAverage average(4);
    std::vector<unsigned char> out;
    for (unsigned char value : {0, 0, 0, 3})
        average.Add({value, 255, 128, 2});
    average.Take(out);
    EXPECT_EQ(out, (std::vector<unsigned char>{1, 255, 128, 2}));
    for (int i = 0; i < 4; i++)
        average.Add({7, 7, 7, 7});
    average.Take(out);
    EXPECT_EQ(out, (std::vector<unsigned char>{7, 7, 7, 7}));
}

} // namespace
