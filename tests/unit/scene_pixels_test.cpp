// What the scenes put on screen, drawn by Mesa into an offscreen 640x480 frame
// with small pictures of known colours.

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <array>
#include <functional>
#include <memory>

#include "effects/effects.h"
#include "platform/headless/egl_context.h"
#include "show_test.h"
#include "textures/textures.h"
#include "timeline/frame.h"

namespace {

using Colour = std::array<int, 3>;

const int W = 640, H = 480;
const Colour BLACK = {0, 0, 0};

// A picture given top row first, uploaded bottom row first as the loader does,
// with the show's repeat wrap and linear filters.
void Upload(int entry, int size, const std::function<Colour(int x, int y)> &colourAt)
{
    std::vector<unsigned char> pixels;
    for (int row = size - 1; row >= 0; row--)
        for (int x = 0; x < size; x++)
            for (int c : colourAt(x, row))
                pixels.push_back(static_cast<unsigned char>(c));
    glBindTexture(GL_TEXTURE_2D, g_textures[entry]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
}

void Solid(int entry, Colour colour)
{
    Upload(entry, 4, [&](int, int) { return colour; });
}

// Inside a centred disc of radius 0.3 of the picture, or outside it.
void Disc(int entry, Colour inside, Colour outside)
{
    Upload(entry, 64, [&](int x, int y) {
        double dx = (x + 0.5) / 64 - 0.5, dy = (y + 0.5) / 64 - 0.5;
        return dx * dx + dy * dy < 0.09 ? inside : outside;
    });
}

// A frame: the outer eighth of the picture on each side, or the rest.
void Frame(int entry, Colour edge, Colour middle)
{
    Upload(entry, 64, [&](int x, int y) { return x < 8 || x >= 56 || y < 8 || y >= 56 ? edge : middle; });
}

class Pixels : public ShowTest {
protected:
    static void SetUpTestSuite() { context = std::make_unique<EglContext>(W, H); }
    static void TearDownTestSuite() { context.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(context->Valid()) << context->Error();
        ShowTest::SetUp();
        glDeleteTextures(TEXTURE_COUNT, g_textures);
        glGenTextures(TEXTURE_COUNT, g_textures);
        // Every test starts from OpenGL's own initial blend state.
        glDisable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ZERO);
        glDisable(GL_FOG);
    }

    // One frame as the program draws it: the frame set-up, then the scene.
    void Draw(const std::function<void()> &scene)
    {
        SetupFrame(W, H);
        SetupFog();
        scene();
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        context->ReadPixels(RowOrder::TopFirst, pixels);
    }

    Colour At(int x, int y) const
    {
        const unsigned char *p = &pixels[(size_t(y) * W + size_t(x)) * 4];
        return {p[0], p[1], p[2]};
    }

    // How many pixels of the whole frame have this colour, within a tolerance.
    int Count(Colour colour, int tolerance = 2) const
    {
        int count = 0;
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                Colour c = At(x, y);
                bool near = true;
                for (size_t i = 0; i < 3; i++)
                    near = near && std::abs(c[i] - colour[i]) <= tolerance;
                count += near;
            }
        return count;
    }

    static std::unique_ptr<EglContext> context;
    std::vector<unsigned char> pixels;
};

std::unique_ptr<EglContext> Pixels::context;

void ExpectNear(Colour got, Colour want, const char *where, int tolerance = 2)
{
    for (size_t i = 0; i < 3; i++)
        EXPECT_NEAR(got[i], want[i], tolerance) << where << " channel " << i;
}

TEST_F(Pixels, TitleFillsTheFrameTheRightWayUp)
{
    const Colour red = {255, 0, 0}, green = {0, 255, 0}, blue = {0, 0, 255}, yellow = {255, 255, 0};
    Upload(11, 64, [&](int x, int y) { return y < 32 ? (x < 32 ? red : green) : (x < 32 ? blue : yellow); });
    Draw(DrawTitlePicture);
    // Corner to corner, as stored, and no black edge anywhere. (The outermost pixels
    // blend with the opposite edge through the repeat wrap, so look a little inside.)
    ExpectNear(At(8, 8), red, "top left");
    ExpectNear(At(W - 9, 8), green, "top right");
    ExpectNear(At(8, H - 9), blue, "bottom left");
    ExpectNear(At(W - 9, H - 9), yellow, "bottom right");
    EXPECT_EQ(Count(BLACK, 20), 0);
}

TEST_F(Pixels, PinkAddedOntoBlackLooksOpaque)
{
    Disc(25, {255, 100, 180}, {60, 0, 40});
    Draw(DrawPinkPicture);
    std::vector<unsigned char> opaque = pixels;
    glBlendFunc(GL_ONE, GL_ONE); // as the heart cube leaves it
    Draw(DrawPinkPicture);
    EXPECT_EQ(pixels, opaque);
}

TEST_F(Pixels, TunnelFadesToBlackUnderItsBorder)
{
    Solid(3, {200, 200, 200});
    Frame(4, {0, 0, 255}, BLACK);     // border: blue frame
    Frame(5, BLACK, {255, 255, 255}); // mask: clear inside the frame
    winrec::SetTimer(7.3);
    Draw(DrawTunnel);
    ExpectNear(At(W / 2, H / 2), BLACK, "centre, deep in the fog");
    // The frame, dimmed a little by the fog at 2.2 units, covers the walls.
    Colour edge = At(10, H / 2);
    EXPECT_EQ(edge[0], 0);
    EXPECT_GT(edge[2], 200);
    EXPECT_LT(edge[2], 250);
    // Between frame and centre the near walls show, greyer with depth.
    Colour wall = At(W / 2 - 200, H / 2);
    EXPECT_GT(wall[0], 60);
    EXPECT_EQ(wall[0], wall[2]);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(Pixels, HeartCoversTheBoxWhereItsMaskIsBlack)
{
    Solid(13, {0, 0, 200});
    Disc(15, BLACK, {255, 255, 255}); // heart mask
    Disc(14, {255, 0, 0}, BLACK);     // heart picture
    winrec::SetTimer(0.5);
    Draw(DrawHeartCube);
    ExpectNear(At(W / 2, H / 2), {255, 0, 0}, "heart");
    ExpectNear(At(20, 20), {0, 0, 200}, "box");
    // Entered with the credits' additive blend the box looks the same.
    std::vector<unsigned char> plain = pixels;
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    Draw(DrawHeartCube);
    EXPECT_EQ(pixels, plain);
}

TEST_F(Pixels, CreditsAppearInTheirCornerAtTheirSecond)
{
    Solid(13, {0, 0, 100});
    Solid(15, {255, 255, 255});
    Solid(14, BLACK);
    // Each picture a disc of its own colour; a second when it shows, and its corner.
    // clang-format off
    const struct { int second, x, y; } rows[] = {{53, -1, 1}, {56, 1, -1}, {58, 1, 1},  {60, -1, -1}, {62, 1, 1},
                                                 {64, -1, 1}, {66, 1, -1}, {68, 1, 1}, {70, -1, -1}};
    // clang-format on
    for (int i = 0; i < 9; i++)
        Disc(16 + i, {25 * (i + 1), 200, 0}, BLACK);
    auto frame = [&](int second) {
        g_scene = SCENE_HEART_CUBE;
        winrec::SetMusicPosition(second * 1000);
        Draw(RunTimeline);
    };
    for (int i = 0; i < 9; i++) {
        frame(rows[i].second);
        // The picture added onto the box at its corner, the box alone at the others.
        for (int x : {-1, 1})
            for (int y : {-1, 1}) {
                bool here = x == rows[i].x && y == rows[i].y;
                Colour want = here ? Colour{25 * (i + 1), 200, 100} : Colour{0, 0, 100};
                std::string where =
                    "picture " + std::to_string(i + 1) + ", corner " + std::to_string(x) + "," + std::to_string(y);
                ExpectNear(At(W / 2 + 205 * x, H / 2 - 205 * y), want, where.c_str());
            }
    }
    frame(55);
    EXPECT_EQ(Count({0, 0, 100}), W * H) << "no picture between two credits";
}

TEST_F(Pixels, FieldOfViewPlacesACreditToThePixel)
{
    // The top-right credit spans x 0.1 .. 1.9 and y 0.6 .. 1.4 at 2.2 units: with a
    // 65-degree view its left edge falls at column 337.1 and its lower edge at row
    // 137.3 from the top; a degree more or less moves that edge by two rows.
    Solid(16, {255, 255, 255});
    Draw([] { DrawCreditImage(16, 1, 1); });
    ExpectNear(At(336, 70), BLACK, "left of the credit");
    ExpectNear(At(338, 70), {255, 255, 255}, "the credit's left edge");
    ExpectNear(At(500, 136), {255, 255, 255}, "the credit's lower edge");
    ExpectNear(At(500, 138), BLACK, "below the credit");
}

TEST_F(Pixels, InterludePanelsCoverTheWindowAtEveryOffset)
{
    Solid(26, {100, 20, 0});
    Solid(27, {0, 20, 120});
    for (double t = 0; t < 12.6; t += 0.37) {
        winrec::SetTimer(t);
        Draw(DrawInterludePanels);
        ASSERT_EQ(Count({100, 40, 120}, 1), W * H) << "at " << t << " s";
    }
}

TEST_F(Pixels, RotozoomerSquareCoversTheViewAtEveryDistance)
{
    Upload(2, 64, [](int x, int y) { return Colour{50 + x, 50 + y, 80}; });
    Solid(7, {255, 255, 255});
    Solid(6, BLACK);
    for (double t = 18.0; t < 20.0; t += 0.09) {
        winrec::SetTimer(t);
        Draw(DrawRotozoomer);
        ASSERT_EQ(Count(BLACK, 10), 0) << "at " << t << " s";
    }
}

} // namespace
