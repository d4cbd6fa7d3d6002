// The scene timeline and the music clock, on the recording OpenGL and a scripted clock.

#include <gtest/gtest.h>

#include "gl_recorder.h"
#include "show_test.h"
#include "timeline/frame.h"

namespace {

class Timeline : public ShowTest {
protected:
    void SetUp() override
    {
        ShowTest::SetUp();
        glrec::Reset();
    }

    // One frame at this music position; returns the scene chosen for the next.
    int Frame(int milliseconds)
    {
        winrec::SetMusicPosition(milliseconds);
        RunTimeline();
        return g_scene;
    }
};

TEST_F(Timeline, MusicClockHoldsWholeSecondsOnly)
{
    // clang-format off
    const struct { int ms; float seconds; } cases[] = {
        {0, 0.0f}, {999, 0.0f}, {7999, 7.0f}, {8000, 8.0f}, {110999, 110.0f}, {111000, 111.0f}};
    // clang-format on
    for (const auto &c : cases) {
        winrec::SetMusicPosition(c.ms);
        ReadMusicClock();
        EXPECT_EQ(g_musicTime, c.seconds) << c.ms << " ms";
    }
}

TEST_F(Timeline, EverySceneBoundaryOfTheShow)
{
    // clang-format off
    const struct { int second; int next; } cases[] = {
        {0, 0}, {7, 0}, {8, 1}, {15, 1}, {16, 2}, {32, 2}, {33, 3}, {50, 3}, {51, 4},
        {75, 4}, {76, 5}, {83, 5}, {84, 6}, {101, 6}, {102, 7}, {110, 7}};
    // clang-format on
    for (const auto &c : cases) {
        EXPECT_EQ(ChooseNextScene(float(c.second)), c.next) << "clock " << c.second;
        // A millisecond short of the next second still reads the same whole second.
        EXPECT_EQ(Frame(c.second * 1000 + 999), c.next) << "clock " << c.second;
    }
    EXPECT_EQ(winrec::Calls("glfwTerminate"), 0);
}

TEST_F(Timeline, ClockGoingBackMovesTheSceneBack)
{
    EXPECT_EQ(Frame(60000), SCENE_HEART_CUBE);
    EXPECT_EQ(Frame(20000), SCENE_ROTOZOOMER);
}

TEST_F(Timeline, SceneChangesOneFrameAfterTheClock)
{
    // The frame in which the clock first reads 8 still draws the title; it only
    // chooses the creators picture for the frame after.
    Frame(7999);
    EXPECT_EQ(g_scene, SCENE_TITLE);
    Frame(8000);
    EXPECT_EQ(g_scene, SCENE_CREATORS);
}

TEST_F(Timeline, ShowEndsAt111SecondsAndKeepsItsLastScene)
{
    EXPECT_EQ(Frame(110999), SCENE_END);
    EXPECT_EQ(winrec::Calls("glfwTerminate"), 0);
    EXPECT_EQ(Frame(111000), SCENE_END);
    EXPECT_EQ(winrec::Calls("glfwTerminate"), 1);
    EXPECT_EQ(ChooseNextScene(111.0f), -1);
    EXPECT_EQ(ChooseNextScene(400.0f), -1);
    // What the soundtrack, the renderer and the storyboard time themselves by.
    const int starts[SCENE_COUNT] = {0, 8, 16, 33, 51, 76, 84, 102};
    for (int scene = 0; scene < SCENE_COUNT; scene++)
        EXPECT_EQ(SceneStartSecond(scene), starts[scene]) << SceneName(scene);
    EXPECT_EQ(ShowEndSecond(), 111);
}

TEST_F(Timeline, FogIsSetEveryFrameInEveryScene)
{
    const std::vector<std::string> fog = {"glFogi(2917, 9729)",        // GL_FOG_MODE, GL_LINEAR
                                          "glFogfv(2918, 0, 0, 0, 1)", // GL_FOG_COLOR, black
                                          "glFogf(2914, 0.25)",        // GL_FOG_DENSITY
                                          "glHint(3156, 4354)",        // GL_FOG_HINT, GL_NICEST
                                          "glFogf(2915, 0)",           // GL_FOG_START
                                          "glFogf(2916, 30)"};         // GL_FOG_END
    for (int scene = 0; scene < SCENE_COUNT; scene++) {
        glrec::Reset();
        g_scene = scene;
        Frame(60000);
        std::vector<std::string> first;
        for (size_t i = 0; i < fog.size() && i < glrec::Calls().size(); i++)
            first.push_back(glrec::Format(glrec::Calls()[i]));
        EXPECT_EQ(first, fog) << "scene " << scene;
        EXPECT_FALSE(glrec::State().fog) << "fog must be off after scene " << scene;
    }
}

TEST(Frame, SetUpFollowsTheWindowAndGuardsAZeroHeight)
{
    glrec::Reset();
    SetupFrame(1024, 768);
    SetupFrame(640, 0);
    std::vector<std::string> got;
    for (const GlCall &call : glrec::Only({"glViewport", "gluPerspective"}))
        got.push_back(glrec::Format(call));
    EXPECT_EQ(got, (std::vector<std::string>{"glViewport(0, 0, 1024, 768)", "gluPerspective(65, 1.33333333, 1, 100)",
                                             "glViewport(0, 0, 640, 1)", "gluPerspective(65, 640, 1, 100)"}));
    EXPECT_TRUE(glrec::State().texture2D);
    EXPECT_EQ(glrec::State().matrixMode, GLenum(GL_MODELVIEW));
}

TEST(Frame, TitleShowsTheRateAndNeverNan)
{
    char title[200];
    FormatFrameRateTitle(title, sizeof title, 0, 0.0);
    EXPECT_STREQ(title, "Yeah! (0.0 FPS)");
    FormatFrameRateTitle(title, sizeof title, 0, 0.25);
    EXPECT_STREQ(title, "Yeah! (0.0 FPS)");
    FormatFrameRateTitle(title, sizeof title, 121, 1.0083);
    EXPECT_STREQ(title, "Yeah! (120.0 FPS)");
}

} // namespace
