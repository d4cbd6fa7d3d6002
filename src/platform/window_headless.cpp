// The window calls on an offscreen context and virtual clocks: nothing to show,
// no events, no keys; termination only marks the show as ended.

#include <cstring>
#include <string>

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

int glfwExtensionSupported(const char *extension)
{
    // Whole words of the EGL display's list, as a window system's list is searched.
    const std::string &list = TheWindow().extensions;
    size_t length = strlen(extension);
    for (size_t at = list.find(extension); length > 0 && at != std::string::npos; at = list.find(extension, at + 1))
        if ((at == 0 || list[at - 1] == ' ') && (at + length == list.size() || list[at + length] == ' '))
            return 1;
    return 0;
}

unsigned GetWindowSerial() { return TheWindow().serial; }
