// The scenes' exact OpenGL calls and the state each leaves, on the recording GL
// with a scripted timer and music clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "effects/effects.h"
#include "gl_recorder.h"
#include "show_test.h"
#include "textures/textures.h"

namespace {

// Texture object of table entry i, so a bind shows which picture it is.
GLuint Texture(int i) { return GLuint(100 + i); }

class Scene : public ShowTest {
protected:
    void SetUp() override
    {
        ShowTest::SetUp();
        glrec::Reset();
        for (int i = 0; i < TEXTURE_COUNT; i++)
            g_textures[i] = Texture(i);
    }

    static std::vector<std::string> Text(const std::vector<GlCall> &calls)
    {
        std::vector<std::string> text;
        for (const GlCall &call : calls)
            text.push_back(glrec::Format(call));
        return text;
    }

    static std::vector<std::string> Text(std::initializer_list<const char *> names) { return Text(glrec::Only(names)); }

    // The calls of the picture quad of every picture in the show, at a half size and depth.
    static std::vector<std::string> Quad(const char *w, const char *h, const char *z)
    {
        std::string W(w), H(h), Z(z);
        return {"glBegin(7)",
                "glTexCoord2f(0, 0)",
                "glVertex3f(-" + W + ", -" + H + ", " + Z + ")",
                "glTexCoord2f(1, 0)",
                "glVertex3f(" + W + ", -" + H + ", " + Z + ")",
                "glTexCoord2f(1, 1)",
                "glVertex3f(" + W + ", " + H + ", " + Z + ")",
                "glTexCoord2f(0, 1)",
                "glVertex3f(-" + W + ", " + H + ", " + Z + ")",
                "glEnd()"};
    }

    static std::vector<std::string> Join(std::vector<std::vector<std::string>> parts)
    {
        std::vector<std::string> all;
        for (auto &part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    static std::string Bind(int i) { return "glBindTexture(3553, " + std::to_string(Texture(i)) + ")"; }
};

const char *const BLEND_ON = "glEnable(3042)";
const char *const BLEND_OFF = "glDisable(3042)";
const char *const MASK_BLEND = "glBlendFunc(774, 0)"; // GL_DST_COLOR, GL_ZERO
const char *const ADD_BLEND = "glBlendFunc(1, 1)";    // GL_ONE, GL_ONE

TEST_F(Scene, PicturePanelsKeepTheBlendFunctionTheyFind)
{
    // clang-format off
    const struct { void (*draw)(); int texture; } panels[] = {
        {DrawTitlePicture, 11}, {DrawCreatorsPicture, 12}, {DrawPinkPicture, 25}};
    // clang-format on
    for (const auto &panel : panels) {
        glrec::Reset();
        panel.draw();
        EXPECT_EQ(Text(glrec::Calls()),
                  Join({{"glLoadIdentity()", "glTranslatef(0, 0, -2.20000005)", BLEND_ON, Bind(panel.texture)},
                        Quad("1.89999998", "1.39999998", "0")}));
        EXPECT_TRUE(glrec::State().blend);
        EXPECT_EQ(glrec::State().blendSource, GLenum(GL_ONE));
        EXPECT_EQ(glrec::State().blendDestination, GLenum(GL_ZERO));
    }

    glrec::Reset();
    DrawEndPicture();
    EXPECT_EQ(Text(glrec::Calls()),
              Join({{"glLoadIdentity()", "glTranslatef(0, 0, -2.20000005)", BLEND_ON, ADD_BLEND, Bind(28)},
                    Quad("1.89999998", "1.39999998", "0"),
                    {"glLoadIdentity()"}}));
}

TEST_F(Scene, RotozoomerSwingsOnlyAfter17Point7Seconds)
{
    auto distance = [](std::initializer_list<double> readings) {
        glrec::Reset();
        winrec::QueueTimes(readings);
        DrawRotozoomer();
        return glrec::Only({"glTranslatef"}).front().args[2];
    };
    EXPECT_EQ(distance({10.0, 10.0}), -1.8f);
    // The float nearest 17.7 lies just above it, so a reading of 17.7 already swings:
    // 2 - sin(885 / 15) away, about 1.36.
    EXPECT_EQ(distance({17.7, 17.7}), float(std::sin(885.0 / 15.0) - 2.0));
    EXPECT_NEAR(distance({17.7, 17.7}), -1.3632, 1e-4);
    EXPECT_EQ(distance({17.699999, 17.699999}), -1.8f);
    // The angle comes from the first reading, the switch from the second.
    EXPECT_EQ(distance({10.0, 20.0}), float(std::sin(500.0 / 15.0) - 2.0));
    EXPECT_EQ(distance({20.0, 10.0}), -1.8f);
    EXPECT_EQ(winrec::Calls("glfwGetTime"), 12);
}

TEST_F(Scene, RotozoomerTurnsScrollsAndLeavesItsBorderState)
{
    winrec::SetTimer(30.0); // angle 1500: 500 degrees, scroll 15
    DrawRotozoomer();
    EXPECT_EQ(Text({"glRotatef", "glVertex2f", "glNormal3f"}),
              (std::vector<std::string>{"glRotatef(500, 0, 0, 1)", "glNormal3f(0, 0, 0)",
                                        "glVertex2f(-3.20000005, -3.20000005)", "glVertex2f(3.20000005, -3.20000005)",
                                        "glVertex2f(3.20000005, 3.20000005)", "glVertex2f(-3.20000005, 3.20000005)"}));
    std::vector<std::string> square = Text({"glTexCoord2f"});
    square.resize(4);
    EXPECT_EQ(square, (std::vector<std::string>{"glTexCoord2f(15, 15)", "glTexCoord2f(20, 15)", "glTexCoord2f(20, 20)",
                                                "glTexCoord2f(15, 20)"}));

    // The border: a masked overlay 3.8 x 3.0 at 2.2 units, after the square.
    std::vector<std::string> calls = Text(glrec::Calls());
    std::vector<std::string> border(calls.end() - 28, calls.end());
    EXPECT_EQ(border, Join({{"glLoadIdentity()", "glTranslatef(0, 0, -2.20000005)", BLEND_ON, MASK_BLEND, Bind(7)},
                            Quad("1.89999998", "1.5", "0"),
                            {ADD_BLEND, Bind(6)},
                            Quad("1.89999998", "1.5", "0"),
                            {BLEND_OFF}}));

    const GlState &s = glrec::State();
    EXPECT_FALSE(s.blend);
    EXPECT_EQ(s.blendSource, GLenum(GL_ONE));
    EXPECT_EQ(s.blendDestination, GLenum(GL_ONE));
    EXPECT_EQ(s.boundTexture, Texture(6));
    EXPECT_EQ(std::vector<float>(s.normal, s.normal + 3), (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(std::vector<float>(s.texCoord, s.texCoord + 2), (std::vector<float>{0, 1}));
}

TEST_F(Scene, TunnelWallsScrollTowardsTheViewerInFog)
{
    winrec::SetTimer(5.0); // u = 2.5
    DrawTunnel();
    std::vector<std::string> calls = Text(glrec::Calls());
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 5),
              (std::vector<std::string>{"glEnable(2912)", "glLoadIdentity()", "glTranslatef(0, 0, -67)", Bind(3),
                                        "glBegin(7)"}));
    EXPECT_EQ(Text({"glNormal3f"}), (std::vector<std::string>{"glNormal3f(0, 1, 0)", "glNormal3f(0, -1, 0)",
                                                              "glNormal3f(1, 0, 0)", "glNormal3f(-1, 0, 0)"}));
    std::vector<std::string> walls = Text({"glTexCoord2f"});
    walls.resize(16);
    EXPECT_EQ(walls, (std::vector<std::string>{"glTexCoord2f(0, 3.5)", "glTexCoord2f(0, 2.5)", "glTexCoord2f(1, 2.5)",
                                               "glTexCoord2f(1, 3.5)", "glTexCoord2f(1, 3.5)", "glTexCoord2f(0, 3.5)",
                                               "glTexCoord2f(0, 2.5)", "glTexCoord2f(1, 2.5)", "glTexCoord2f(3.5, 0)",
                                               "glTexCoord2f(3.5, 1)", "glTexCoord2f(2.5, 1)", "glTexCoord2f(2.5, 0)",
                                               "glTexCoord2f(-2.5, 0)", "glTexCoord2f(-1.5, 0)",
                                               "glTexCoord2f(-1.5, 1)", "glTexCoord2f(-2.5, 1)"}));
    // One begin/end pair for all 16 wall corners; the border follows with fog still on.
    EXPECT_EQ(glrec::Only({"glVertex3f"}).size(), 24u);
    std::vector<std::string> border(calls.end() - 29, calls.end());
    EXPECT_EQ(border, Join({{"glLoadIdentity()", "glTranslatef(0, 0, -2.20000005)", BLEND_ON, MASK_BLEND, Bind(5)},
                            Quad("1.89999998", "1.60000002", "0"),
                            {ADD_BLEND, Bind(4)},
                            Quad("1.89999998", "1.60000002", "0"),
                            {BLEND_OFF, "glDisable(2912)"}}));

    const GlState &s = glrec::State();
    EXPECT_FALSE(s.fog);
    EXPECT_FALSE(s.blend);
    EXPECT_EQ(s.boundTexture, Texture(4));
    EXPECT_EQ(std::vector<float>(s.normal, s.normal + 3), (std::vector<float>{-1, 0, 0}));
}

TEST_F(Scene, TunnelCoordinatesAreRoundedOnceFromDouble)
{
    // u is a float; u + 1 and 1 - u are formed in double and rounded once.
    const double t = 12345.678;
    winrec::SetTimer(t);
    DrawTunnel();
    float u = float(t / 2.0);
    std::vector<GlCall> coords = glrec::Only({"glTexCoord2f"});
    EXPECT_EQ(coords[0].args[1], double(float(u + 1.0)));
    EXPECT_EQ(coords[1].args[1], double(u));
    EXPECT_EQ(coords[12].args[0], double(-u));
    EXPECT_EQ(coords[13].args[0], double(float(1.0 - u)));
}

TEST_F(Scene, HeartSwingsInFrontOfTheSpinningBox)
{
    // clang-format off
    const struct { double t; float angle; double h; } cases[] = {
        {0.5, 30.0f, -3.85888}, {1.5, 90.0f, -3.58788}, {51.0, 3060.0f, -4.95376}, {100.0, 6000.0f, std::sin(600.0) - 4}};
    // clang-format on
    for (const auto &c : cases) {
        glrec::Reset();
        winrec::SetTimer(c.t);
        DrawHeartCube();
        std::vector<GlCall> moves = glrec::Only({"glTranslatef", "glRotatef"});
        ASSERT_EQ(moves.size(), 4u);
        EXPECT_EQ(glrec::Format(moves[0]), "glTranslatef(0, 0, -5)");
        EXPECT_EQ(moves[1].args, (std::vector<double>{c.angle, 1, 0, 0})) << c.t;
        EXPECT_EQ(moves[2].args, (std::vector<double>{c.angle, 0, 1, 0})) << c.t;
        EXPECT_NEAR(moves[3].args[2], c.h, 1e-5) << c.t;
        EXPECT_EQ(moves[3].args[2], double(float(std::sin(c.angle / 10.0) - 4.0)));
    }
    // Six walls with their outward normals, then the heart through its mask.
    EXPECT_EQ(glrec::Only({"glNormal3f"}).size(), 6u);
    std::vector<std::string> calls = Text(glrec::Calls());
    std::vector<std::string> heart(calls.end() - 26, calls.end());
    EXPECT_EQ(heart, Join({{BLEND_ON, MASK_BLEND, Bind(15)},
                           Quad("1", "1", "1"),
                           {ADD_BLEND, Bind(14)},
                           Quad("1", "1", "1"),
                           {BLEND_OFF}}));
    EXPECT_EQ(glrec::State().boundTexture, Texture(14));
}

TEST_F(Scene, InterludePanelsDriftOnTheirPaths)
{
    // clang-format off
    const struct { double t; double x1, y1, x2, y2; } cases[] = {
        {0.0, 1, 0, 0, 1},
        {1.0, -0.41615, 0.99749, 0.90930, 0.07074},
        {10.0, 0.40808, 0.65029, 0.91295, -0.75969}};
    // clang-format on
    for (const auto &c : cases) {
        glrec::Reset();
        winrec::SetTimer(c.t);
        DrawInterludePanels();
        std::vector<GlCall> moves = glrec::Only({"glTranslatef"});
        ASSERT_EQ(moves.size(), 2u);
        EXPECT_NEAR(moves[0].args[0], c.x1, 1e-5);
        EXPECT_NEAR(moves[0].args[1], c.y1, 1e-5);
        EXPECT_NEAR(moves[1].args[0], c.x2, 1e-5);
        EXPECT_NEAR(moves[1].args[1], c.y2, 1e-5);
        EXPECT_EQ(moves[0].args[2], -2.1f);
    }
    glrec::Reset();
    winrec::SetTimer(0.0);
    DrawInterludePanels();
    std::vector<std::string> calls = Text(glrec::Calls());
    std::vector<std::string> second(calls.begin() + 15, calls.end());
    EXPECT_EQ(second, Join({{"glLoadIdentity()", "glTranslatef(0, 1, -2.0999999)", BLEND_ON, ADD_BLEND, Bind(27)},
                            Quad("2.9000001", "2.4000001", "0")}));
    EXPECT_TRUE(glrec::State().blend);
}

TEST_F(Scene, CreditsFollowTheMusicClock)
{
    // The whole schedule: each picture shows while the clock is strictly between
    // its two seconds, at its corner.
    // clang-format off
    const struct { int after, before, texture, x, y; } rows[] = {
        {52, 55, 16, -1, 1}, {55, 57, 17, 1, -1}, {57, 59, 18, 1, 1}, {59, 61, 19, -1, -1}, {61, 63, 20, 1, 1},
        {63, 65, 21, -1, 1}, {65, 67, 22, 1, -1}, {67, 69, 23, 1, 1}, {69, 74, 24, -1, -1}};
    // clang-format on
    for (int second = 51; second <= 75; second++) {
        glrec::Reset();
        g_scene = SCENE_HEART_CUBE;
        winrec::SetMusicPosition(second * 1000 + 500);
        RunTimeline();
        std::vector<GlCall> binds = glrec::Only({"glBindTexture"});
        std::vector<GlCall> moves = glrec::Only({"glTranslatef"});
        const auto *shown = std::find_if(std::begin(rows), std::end(rows),
                                         [&](const auto &r) { return second > r.after && second < r.before; });
        if (shown == std::end(rows)) {
            EXPECT_EQ(binds.size(), 3u) << "no credits at " << second;
            continue;
        }
        ASSERT_EQ(binds.size(), 4u) << "one picture at " << second;
        EXPECT_EQ(binds.back().args[1], Texture(shown->texture)) << second;
        EXPECT_EQ(moves.back().args, (std::vector<double>{double(shown->x), double(shown->y), double(-2.2f)}))
            << second;
    }

    glrec::Reset();
    DrawCreditImage(20, 1, 1);
    EXPECT_EQ(Text(glrec::Calls()),
              Join({{"glLoadIdentity()", BLEND_ON, ADD_BLEND, "glTranslatef(1, 1, -2.20000005)", BLEND_ON, Bind(20)},
                    Quad("0.899999976", "0.400000006", "0")}));
}

TEST_F(Scene, BlendStateCarriedThroughTheShow)
{
    // From OpenGL's initial state, one frame a second through the whole show: the
    // title and creators are drawn opaque, the pink picture added with the function
    // the heart cube leaves, and fog never stays on.
    for (int second = 0; second <= 111; second++) {
        glrec::ClearCalls();
        int drawn = g_scene;
        winrec::SetTimer(second + 0.25);
        winrec::SetMusicPosition(second * 1000);
        RunTimeline();
        const GlState &s = glrec::State();
        EXPECT_FALSE(s.fog) << second;
        if (drawn == SCENE_TITLE || drawn == SCENE_CREATORS) {
            EXPECT_EQ(s.blendDestination, GLenum(GL_ZERO)) << second;
        } else if (drawn == SCENE_PINK) {
            EXPECT_TRUE(s.blend) << second;
            EXPECT_EQ(s.blendDestination, GLenum(GL_ONE)) << second;
        }
    }
    EXPECT_EQ(winrec::Calls("glfwTerminate"), 1);
}

} // namespace
