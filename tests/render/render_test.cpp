// The renderer draws what the program would: the scene of each frame follows the
// timeline and its one-frame delay, frames are repeatable, and no frame of the
// show leaves an OpenGL error behind.

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <memory>
#include <unistd.h>

#include "show_renderer.h"
#include "textures/textures.h"

namespace {

// Which scene drew the frame, told by the last picture it bound.
int SceneOfLastPicture()
{
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    int entry = -1;
    for (int i = 0; i < TEXTURE_COUNT; i++)
        if (g_textures[i] == GLuint(bound))
            entry = i;
    switch (entry) {
    case 11: return 0;
    case 12: return 1;
    case 6: return 2;
    case 4: return 3;
    case 25: return 5;
    case 27: return 6;
    case 28: return 7;
    default: return entry == 14 || (entry >= 16 && entry <= 24) ? 4 : -1;
    }
}

class Renderer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(chdir(HEARTCUBE_SHOW_DIR), 0) << HEARTCUBE_SHOW_DIR;
        renderer = std::make_unique<ShowRenderer>(64, 48, 60, 0.0);
    }
    static void TearDownTestSuite() { renderer.reset(); }
    void SetUp() override { ASSERT_TRUE(renderer->Valid()) << renderer->Error(); }

    static std::unique_ptr<ShowRenderer> renderer;
    std::vector<unsigned char> rgba;
};

std::unique_ptr<ShowRenderer> Renderer::renderer;

TEST_F(Renderer, ScenesChangeOneFrameAfterTheirSecond)
{
    // clang-format off
    const struct { int second, before, after; } boundaries[] = {
        {8, 0, 1}, {16, 1, 2}, {33, 2, 3}, {51, 3, 4}, {76, 4, 5}, {84, 5, 6}, {102, 6, 7}};
    // clang-format on
    for (const auto &b : boundaries) {
        long frame = b.second * 60L;
        // Frames out of order, as a single --time would draw them.
        ASSERT_TRUE(renderer->Render(frame - 1, RowOrder::TopFirst, rgba));
        EXPECT_EQ(SceneOfLastPicture(), b.before) << "just before " << b.second;
        ASSERT_TRUE(renderer->Render(frame, RowOrder::TopFirst, rgba));
        EXPECT_EQ(SceneOfLastPicture(), b.before) << "the frame the clock reads " << b.second;
        ASSERT_TRUE(renderer->Render(frame + 1, RowOrder::TopFirst, rgba));
        EXPECT_EQ(SceneOfLastPicture(), b.after) << "the frame after " << b.second;
        // Times off the frame grid follow the same rule.
        ASSERT_TRUE(renderer->RenderTime(b.second - 0.01, RowOrder::TopFirst, rgba));
        EXPECT_EQ(SceneOfLastPicture(), b.before);
        ASSERT_TRUE(renderer->RenderTime(b.second + 1.0 / 60 + 0.001, RowOrder::TopFirst, rgba));
        EXPECT_EQ(SceneOfLastPicture(), b.after);
    }
}

TEST_F(Renderer, ShowEndsBeforeTheFrameAt111Seconds)
{
    EXPECT_TRUE(renderer->Render(6659, RowOrder::TopFirst, rgba));
    EXPECT_EQ(SceneOfLastPicture(), 7);
    EXPECT_FALSE(renderer->Render(6660, RowOrder::TopFirst, rgba));
    EXPECT_FALSE(renderer->RenderTime(115.0, RowOrder::TopFirst, rgba));
    // And it starts again for an earlier moment.
    EXPECT_TRUE(renderer->RenderTime(3.0, RowOrder::TopFirst, rgba));
}

TEST_F(Renderer, SameMomentSamePixels)
{
    std::vector<unsigned char> first, again;
    ASSERT_TRUE(renderer->RenderTime(57.3, RowOrder::TopFirst, first));
    ASSERT_TRUE(renderer->Render(100, RowOrder::TopFirst, rgba));
    ASSERT_TRUE(renderer->RenderTime(57.3, RowOrder::TopFirst, again));
    EXPECT_EQ(first, again);
}

TEST_F(Renderer, StillPicturesLeftUndrawnAreTheFramesDrawn)
{
    // Runs of frames across the title's switch to the creators, the pink's to the
    // drifting panels and those to the end, with the still pictures' repeats left
    // out and with every frame drawn.
    std::vector<unsigned char> drawn;
    for (long start : {476L, 5036L, 6116L}) {
        std::vector<std::vector<unsigned char>> spared;
        renderer->SpareStillFrames(true);
        const long before = renderer->DrawingsSpared();
        for (long frame = start; frame < start + 8; frame++) {
            ASSERT_TRUE(renderer->Render(frame, RowOrder::TopFirst, rgba));
            spared.push_back(rgba);
        }
        EXPECT_GT(renderer->DrawingsSpared(), before) << "from frame " << start;
        renderer->SpareStillFrames(false);
        for (long frame = start; frame < start + 8; frame++) {
            ASSERT_TRUE(renderer->Render(frame, RowOrder::TopFirst, drawn));
            EXPECT_EQ(spared[size_t(frame - start)], drawn) << "frame " << frame;
        }
    }
    renderer->SpareStillFrames(true);
}

TEST_F(Renderer, NoFrameOfTheShowLeavesAnOpenGLError)
{
    // Ten frames a second from the first to the last, every scene and credit.
    ShowRenderer tenPerSecond(64, 48, 10, 0.0);
    ASSERT_TRUE(tenPerSecond.Valid());
    while (glGetError() != GL_NO_ERROR) {
    }
    long frames = 0;
    for (long frame = 0; tenPerSecond.Render(frame, RowOrder::TopFirst, rgba); frame++) {
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "frame " << frame << " at " << frame / 10.0 << " s";
        frames++;
    }
    EXPECT_EQ(frames, 1110);
}

} // namespace
