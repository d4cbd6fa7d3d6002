// Frames per second of each scene in the program's own full-screen window (run it
// under xvfb-run -s "-screen 0 640x480x24" for Mesa's software renderer at
// 640x480), next to an empty frame, the frame set-up's clear and the swap alone,
// measured in the same run.
//   heartcube-bench-scenes SHOW_DIR [SECONDS_PER_SCENE]

#include <GL/gl.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>

#include "effects/effects.h"
#include "platform/window.h"
#include "textures/textures.h"
#include "timeline/frame.h"
#include "timeline/timeline.h"

namespace {

using Clock = std::chrono::steady_clock;

// Frames per second of draw() and the swap, over about `seconds`.
double Rate(double seconds, const std::function<void()> &draw)
{
    int frames = 0, width = 0, height = 0;
    Clock::time_point begin = Clock::now();
    double elapsed = 0;
    while (elapsed < seconds) {
        glfwGetWindowSize(&width, &height);
        SetupFrame(width, height);
        SetupFog();
        draw();
        glfwSwapBuffers();
        frames++;
        elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    }
    return frames / elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: heartcube-bench-scenes SHOW_DIR [SECONDS_PER_SCENE]\n"
                        "Frames per second of each scene against an empty frame, in the program's window.\n");
        return 2;
    }
    double seconds = argc > 2 ? atof(argv[2]) : 3.0;
    if (chdir(argv[1]) != 0) {
        fprintf(stderr, "heartcube-bench-scenes: %s: no such show directory\n", argv[1]);
        return 1;
    }
    glfwInit();
    if (!glfwOpenWindow(640, 480, 0, 0, 0, 0, 0, 0, GLFW_FULLSCREEN))
        return 1;
    LoadTextures();
    int width = 0, height = 0;
    glfwGetWindowSize(&width, &height);
    printf("%s, %dx%d window, frames per second\n", glGetString(GL_RENDERER), width, height);

    double empty = Rate(seconds, [] {});
    printf("  %-22s %8.1f fps\n", "empty frame", empty);

    // clang-format off
    const struct { const char *name; void (*draw)(); } scenes[] = {
        {"title", DrawTitlePicture}, {"creators", DrawCreatorsPicture}, {"rotozoomer", DrawRotozoomer},
        {"tunnel", DrawTunnel}, {"heart cube", DrawHeartCube},
        {"heart cube + credits", [] { DrawHeartCube(); DrawCreditImage(PICTURE_CREDIT_1, -1, 1); }},
        {"pink", DrawPinkPicture}, {"drifting panels", DrawInterludePanels}, {"end", DrawEndPicture}};
    // clang-format on
    for (const auto &s : scenes) {
        double rate = Rate(seconds, s.draw);
        printf("  %-22s %8.1f fps   %5.2fx the empty frame's time\n", s.name, rate, empty / rate);
    }
    glfwTerminate();
    return 0;
}
