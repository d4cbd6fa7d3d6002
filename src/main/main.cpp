// heartcube: reads the viewer's options, brings up the window layer, starts the
// soundtrack, opens the full-screen window, loads the pictures, then draws frame
// after frame until Escape, a closed window or the end of the music.

#include <cstdio>

#include "main/frame.h"
#include "main/options.h"
#include "music/music.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "textures/textures.h"
#include "timeline/timeline.h"

int g_running = 0;

int main(int argc, char **argv)
{
    int frames = 0;
    double lastTitleTime = 0.0;
    char title[200];
    int width = 0, height = 0;
    ViewerOptions options;

    // A bad option or show folder ends it here, before anything opens.
    switch (ReadOptions(argc, argv, &options)) {
    case OPTIONS_DONE: return 0;
    case OPTIONS_BAD: return 2;
    default: break;
    }
    if (!EnterShowFolder(options.showFolder, HEARTCUBE_INSTALLED_SHOW))
        return 2;
    SetSoundMuted(options.mute != 0);
    SetStreamStart(options.startMilliseconds);
    g_loopShow = options.loop;

    glfwInit();
    printf("GLFW Init\n");
    fflush(stdout);

    // The music starts before the window opens, and its clock runs from here.
    InitMusic();
    printf("Music Loaded\n");
    fflush(stdout);

    if (!glfwOpenWindow(640, 480, 0, 0, 0, 0, 0, 0, options.windowed ? GLFW_WINDOW : GLFW_FULLSCREEN)) {
        // The window layer has said why on stderr.
        glfwTerminate();
        return 1;
    }

    LoadTextures();
    printf("Textures Loaded\n");
    fflush(stdout);

    // Opening the window reset the key mode, so this follows it.
    glfwEnable(GLFW_STICKY_KEYS);

    g_running = 1;
    lastTitleTime = glfwGetTime();

    while (g_running) {
        double now = glfwGetTime();
        if (now - lastTitleTime > 1.0 || frames == 0) {
            FormatFrameRateTitle(title, sizeof title, frames, now - lastTitleTime);
            glfwSetWindowTitle(title);
            lastTitleTime = now;
            frames = 0;
        }
        frames++;

        glfwGetWindowSize(&width, &height);
        SetupFrame(width, height);
        RunTimeline();

        // Events are handled here; once the timeline has ended the show these
        // calls find the window layer terminated and do nothing.
        glfwSwapBuffers();
        g_running = !glfwGetKey(GLFW_KEY_ESC) && glfwGetWindowParam(GLFW_OPENED);
    }

    glfwTerminate();
    return 0;
}
