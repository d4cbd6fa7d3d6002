// GLFW 3 underneath, GLFW 2 behaviour on top: the window is gone the moment a close
// request is handled, and every call after termination is a harmless no-op.

#include "platform/desktop/glfw_window.h"

#include <GLFW/glfw3.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/desktop/video_mode.h"

namespace desktop {
namespace {

struct GlfwWindow {
    bool initialized = false;
    GLFWwindow *window = nullptr;
    unsigned serial = 0;
    std::string lastError;
    bool timerHeld = false;
    double heldAt = 0.0; // the held timer's reading
};

GlfwWindow s_window;

void RememberError(int, const char *description) { s_window.lastError = description ? description : "unknown error"; }

// GLFW 3 does not count the padding byte of a 32-bit mode, so depths compare as
// red + green + blue; the ordering of the choice is the same.
const GLFWvidmode *ChooseMonitorMode(GLFWmonitor *monitor, int width, int height)
{
    int count = 0;
    const GLFWvidmode *modes = glfwGetVideoModes(monitor, &count);
    if (!modes || count <= 0)
        return nullptr;
    std::vector<VideoMode> choices;
    choices.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; i++)
        choices.push_back({modes[i].width, modes[i].height, modes[i].redBits + modes[i].greenBits + modes[i].blueBits,
                           modes[i].refreshRate});
    int chosen = ChooseVideoMode(choices.data(), count, width, height);
    return chosen < 0 ? nullptr : &modes[chosen];
}

int BitsHint(int bits) { return bits > 0 ? bits : GLFW_DONT_CARE; }

// Where the compositor lists a 10-bit framebuffer first (R10G10B10A2), "any colour"
// gets it and the window stays empty: unspecified colour is 8 bits a channel.
int ColourBitsHint(int bits) { return bits > 0 ? bits : 8; }

// GLFW 3.4 tries Wayland first wherever it was built with it, and outside a Wayland
// session that leaves libwayland's complaint on stderr and no reason worth reading:
// there, X11 is asked for by name (and its reason names DISPLAY).
void ChoosePlatform()
{
#ifdef GLFW_PLATFORM
    const char *wayland = getenv("WAYLAND_DISPLAY");
    if (!(wayland && *wayland) && glfwPlatformSupported(GLFW_PLATFORM_X11))
        glfwInitHint(GLFW_PLATFORM, GLFW_PLATFORM_X11);
#endif
}

} // namespace

bool Init()
{
    if (!s_window.initialized) {
        glfwSetErrorCallback(RememberError);
        ChoosePlatform();
        s_window.initialized = glfwInit() == GLFW_TRUE;
    }
    return s_window.initialized;
}

void Terminate()
{
    if (!s_window.initialized)
        return;
    glfwTerminate(); // destroys the window and gives the desktop its mode back
    s_window.window = nullptr;
    s_window.initialized = false;
    s_window.timerHeld = false;
}

double Time()
{
    if (!s_window.initialized)
        return 0.0;
    return s_window.timerHeld ? s_window.heldAt : glfwGetTime();
}

void SetTime(double seconds)
{
    // GLFW's timer takes no negative reading.
    seconds = seconds > 0.0 ? seconds : 0.0;
    if (!s_window.initialized)
        return;
    if (s_window.timerHeld)
        s_window.heldAt = seconds;
    else
        glfwSetTime(seconds);
}

void HoldTime(bool held)
{
    if (!s_window.initialized || held == s_window.timerHeld)
        return;
    if (held)
        s_window.heldAt = glfwGetTime();
    else
        glfwSetTime(s_window.heldAt);
    s_window.timerHeld = held;
}

bool OpenWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits, int depthBits,
                int stencilBits, bool fullScreen)
{
    if (!s_window.initialized || s_window.window) {
        fprintf(stderr, "window: cannot open a %dx%d window: %s\n", width, height,
                s_window.window              ? "one is open already"
                : s_window.lastError.empty() ? "the window system is not initialised"
                                             : s_window.lastError.c_str());
        return false;
    }

    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_DOUBLEBUFFER, GLFW_TRUE);
    glfwWindowHint(GLFW_RED_BITS, ColourBitsHint(redBits));
    glfwWindowHint(GLFW_GREEN_BITS, ColourBitsHint(greenBits));
    glfwWindowHint(GLFW_BLUE_BITS, ColourBitsHint(blueBits));
    glfwWindowHint(GLFW_ALPHA_BITS, BitsHint(alphaBits));
    glfwWindowHint(GLFW_DEPTH_BITS, BitsHint(depthBits));
    glfwWindowHint(GLFW_STENCIL_BITS, BitsHint(stencilBits));
    // A window on the desktop can be resized; the frame loop follows its size.
    glfwWindowHint(GLFW_RESIZABLE, fullScreen ? GLFW_FALSE : GLFW_TRUE);

    GLFWmonitor *monitor = nullptr;
    if (fullScreen) {
        monitor = glfwGetPrimaryMonitor();
        const GLFWvidmode *mode = monitor ? ChooseMonitorMode(monitor, width, height) : nullptr;
        if (mode) {
            // Asking for the chosen mode exactly makes GLFW switch to it and no other.
            glfwWindowHint(GLFW_RED_BITS, mode->redBits);
            glfwWindowHint(GLFW_GREEN_BITS, mode->greenBits);
            glfwWindowHint(GLFW_BLUE_BITS, mode->blueBits);
            glfwWindowHint(GLFW_REFRESH_RATE, mode->refreshRate);
            width = mode->width;
            height = mode->height;
        }
    }

    s_window.lastError.clear();
    s_window.window = glfwCreateWindow(width, height, "", monitor, nullptr);
    if (!s_window.window) {
        fprintf(stderr, "window: cannot open a %dx%d window: %s\n", width, height,
                s_window.lastError.empty() ? "unknown error" : s_window.lastError.c_str());
        return false;
    }
    glfwMakeContextCurrent(s_window.window);
    if (fullScreen)
        glfwSetInputMode(s_window.window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
    s_window.serial++;
    return true;
}

void SetTitle(const char *title)
{
    if (s_window.window)
        glfwSetWindowTitle(s_window.window, title);
}

void GetFramebufferSize(int *width, int *height)
{
    *width = *height = 0;
    if (s_window.window)
        glfwGetFramebufferSize(s_window.window, width, height);
}

void SwapBuffers()
{
    if (!s_window.window)
        return;
    glfwPollEvents();
    if (glfwWindowShouldClose(s_window.window)) {
        // Closed by the viewer: the window goes now and this frame is never shown.
        glfwDestroyWindow(s_window.window);
        s_window.window = nullptr;
        return;
    }
    glfwSwapBuffers(s_window.window);
}

void EnableStickyKeys()
{
    if (s_window.window)
        glfwSetInputMode(s_window.window, GLFW_STICKY_KEYS, GLFW_TRUE);
}

bool KeyPressed(int classicKey)
{
    // GLFW 2 numbers its special keys from 257 (Escape; the arrows left and right at
    // 285 and 286); printable keys are their upper-case characters in both.
    int key = GLFW_KEY_UNKNOWN;
    switch (classicKey) {
    case 257: key = GLFW_KEY_ESCAPE; break;
    case 285: key = GLFW_KEY_LEFT; break;
    case 286: key = GLFW_KEY_RIGHT; break;
    default:
        if (classicKey >= GLFW_KEY_SPACE && classicKey <= GLFW_KEY_GRAVE_ACCENT)
            key = classicKey;
        break;
    }
    GLFWwindow *window = s_window.window;
    return window && key != GLFW_KEY_UNKNOWN && glfwGetKey(window, key) == GLFW_PRESS;
}

bool WindowOpen() { return s_window.window != nullptr; }

bool ExtensionSupported(const char *extension)
{
    return s_window.window && glfwExtensionSupported(extension) == GLFW_TRUE;
}

unsigned WindowSerial() { return s_window.serial; }

} // namespace desktop
