// The window calls on an offscreen context and a virtual clock: nothing to show,
// no events, no keys; termination only marks the show as ended.

#include <deque>
#include <string>

#include "platform/extension_list.h"
#include "platform/headless/headless.h"
#include "platform/window.h"

namespace {

struct Headless {
    double timer = 0.0;
    std::deque<double> queuedTimes;
    bool open = false;
    bool ended = false;
    int width = 640, height = 480;
    std::string extensions;
    unsigned serial = 0;
    int timerReads = 0;
    int terminateCalls = 0;
};

Headless &TheWindow()
{
    static Headless window;
    return window;
}

} // namespace

void ResetHeadless()
{
    // The serial keeps counting: a window opened after a reset is a new window.
    const unsigned serial = TheWindow().serial;
    TheWindow() = Headless();
    TheWindow().serial = serial;
    SetHeadlessMusicPosition(0);
}

void SetHeadlessTimer(double seconds)
{
    TheWindow().timer = seconds;
    TheWindow().queuedTimes.clear();
}

void QueueHeadlessTimes(std::initializer_list<double> readings) { TheWindow().queuedTimes.assign(readings); }

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
int HeadlessTimerReads() { return TheWindow().timerReads; }
int HeadlessTerminateCalls() { return TheWindow().terminateCalls; }

int glfwInit() { return 1; }

void glfwTerminate()
{
    TheWindow().ended = true;
    TheWindow().terminateCalls++;
}

double glfwGetTime()
{
    Headless &w = TheWindow();
    w.timerReads++;
    if (!w.queuedTimes.empty()) {
        w.timer = w.queuedTimes.front();
        w.queuedTimes.pop_front();
    }
    return w.timer;
}

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
int glfwExtensionSupported(const char *extension)
{
    return ExtensionListHas(TheWindow().extensions.c_str(), extension);
}

unsigned GetWindowSerial() { return TheWindow().serial; }
