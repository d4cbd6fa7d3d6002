// heartcube: reads the viewer's options, brings up the window layer, starts the
// soundtrack, opens the full-screen window, loads the pictures, then draws frame
// after frame until Escape, a closed window or the end of the music.

#include <cstdio>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "main/controls.h"
#include "main/options.h"
#include "music/music.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "show/show.h"
#include "textures/textures.h"
#include "timeline/frame.h"
#include "timeline/timeline.h"

int g_running = 0;
// --controls: the viewer's keys pause, seek and pick a scene.
static int s_controls = 0;

// The frame-rate title: frames counted since it last changed, and when that was.
static int s_frames = 0;
static double s_lastTitleTime = 0.0;

// One pass of the frame loop: title, set-up, the timeline's drawing, the swap that
// handles events, and whether the loop goes on.
static void RunFrame()
{
    char title[200];
    int width = 0, height = 0;

    double now = glfwGetTime();
    if (now - s_lastTitleTime > 1.0 || s_frames == 0) {
        FormatFrameRateTitle(title, sizeof title, s_frames, now - s_lastTitleTime);
        glfwSetWindowTitle(title);
        s_lastTitleTime = now;
        s_frames = 0;
    }
    s_frames++;

    glfwGetWindowSize(&width, &height);
    SetupFrame(width, height);
    RunTimeline();

    // Events are handled here; once the timeline has ended the show these
    // calls find the window layer terminated and do nothing.
    glfwSwapBuffers();
    g_running = !glfwGetKey(GLFW_KEY_ESC) && glfwGetWindowParam(GLFW_OPENED);
    if (s_controls)
        ReadControlKeys();
}

#ifdef __EMSCRIPTEN__
// A browser draws between its own events: it calls each frame, and the loop ends here.
static void RunBrowserFrame()
{
    RunFrame();
    if (!g_running) {
        emscripten_cancel_main_loop();
        glfwTerminate();
    }
}
#endif

int main(int argc, char **argv)
{
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
    s_controls = options.controls;

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
    s_lastTitleTime = glfwGetTime();

#ifdef __EMSCRIPTEN__
    // Never returns: the browser's frames run the loop from here on.
    emscripten_set_main_loop(RunBrowserFrame, 0, 1);
#endif
    while (g_running)
        RunFrame();

    glfwTerminate();
    return 0;
}
