// The window calls on an offscreen context and virtual clocks: nothing to show,
// no events, no keys; termination only marks the show as ended.

#include <string>

#include "platform/extension_list.h"
#include "platform/headless.h"
#include "platform/window.h"

namespace {

struct Headless {
    double timer = 0.0;
    int musicPosition = 0;
    bool open = false;
    bool ended = false;
    int width = 0, height = 0;
    std::string extensions;
    unsigned serial = 0;
};

Headless &TheWindow()
{
    static Headless window;
    return window;
}

} // namespace

void SetHeadlessWindow(bool open, int width, int height, const char *extensions)
{
    Headless &w = TheWindow();
    if (open && !w.open)
        w.serial++;
    w.open = open;
    w.ended = false;
    w.width = width;
    w.height = height;
    w.extensions = extensions ? extensions : "";
}

bool HeadlessShowEnded() { return TheWindow().ended; }

void SetHeadlessClocks(double timerSeconds, int musicMilliseconds)
{
    TheWindow().timer = timerSeconds;
    TheWindow().musicPosition = musicMilliseconds;
}

int HeadlessMusicPosition() { return TheWindow().musicPosition; }

int glfwInit() { return 1; }
void glfwTerminate() { TheWindow().ended = true; }
double glfwGetTime() { return TheWindow().timer; }
int glfwOpenWindow(int, int, int, int, int, int, int, int, int) { return TheWindow().open ? 1 : 0; }
void glfwSetWindowTitle(const char *) {}

void glfwGetWindowSize(int *width, int *height)
{
    *width = TheWindow().width;
    *height = TheWindow().height;
}

void glfwSwapBuffers() {}
void glfwEnable(int) {}
int glfwGetKey(int) { return GLFW_RELEASE; }
int glfwGetWindowParam(int param) { return param == GLFW_OPENED && TheWindow().open && !TheWindow().ended ? 1 : 0; }

// The EGL display's list stands for the window system's.
int glfwExtensionSupported(const char *extension) { return ExtensionListHas(TheWindow().extensions.c_str(), extension); }

unsigned GetWindowSerial() { return TheWindow().serial; }
