// The window calls on an offscreen context and a virtual clock: nothing to show,
// no events, no keys; termination only marks the show as ended.

#include <string>

#include "platform/extension_list.h"
#include "platform/headless/headless.h"
#include "platform/window.h"

namespace {

struct HeadlessWindow {
    double timer = 0.0;
    bool open = false;
    bool ended = false;
    int width = 640, height = 480;
    std::string extensions;
    unsigned serial = 0;
};

HeadlessWindow s_window;

} // namespace

void SetHeadlessTimer(double seconds) { s_window.timer = seconds; }

void SetHeadlessWindow(bool open, int width, int height, const char *extensions)
{
    if (open && !s_window.open)
        s_window.serial++;
    s_window.open = open;
    s_window.ended = false;
    s_window.width = width;
    s_window.height = height;
    s_window.extensions = extensions ? extensions : "";
}

bool HeadlessShowEnded() { return s_window.ended; }

int glfwInit() { return 1; }
void glfwTerminate() { s_window.ended = true; }
double glfwGetTime() { return s_window.timer; }
// The host sets the timer frame by frame; nobody pauses a render.
void glfwSetTime(double) {}
void HoldTimer(int) {}
int glfwOpenWindow(int, int, int, int, int, int, int, int, int) { return s_window.open ? 1 : 0; }
void glfwSetWindowTitle(const char *) {}

void glfwGetWindowSize(int *width, int *height)
{
    *width = s_window.width;
    *height = s_window.height;
}

void glfwSwapBuffers() {}
void glfwEnable(int) {}
int glfwGetKey(int) { return GLFW_RELEASE; }
int glfwGetWindowParam(int param) { return param == GLFW_OPENED && s_window.open && !s_window.ended ? 1 : 0; }

// The EGL display's list stands for the window system's.
int glfwExtensionSupported(const char *extension) { return ExtensionListHas(s_window.extensions.c_str(), extension); }

unsigned GetWindowSerial() { return s_window.serial; }
