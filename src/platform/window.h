// The window, keyboard and timer as the show's code sees them, in the calls and
// behaviours of the classic GLFW 2 interface: one window (full screen, or in
// GLFW_WINDOW mode a resizable one on the desktop, cursor shown), a sticky Escape
// key, events handled once a frame as the buffers swap, a timer in seconds since
// glfwInit. After glfwTerminate every call is harmless: keys read released, the
// window reads closed, the timer reads 0.
//
// The program links the implementation on GLFW 3 (desktop/window.cpp), the renderer
// a headless one on a virtual clock, the tests a scripted one. The show's code
// never knows which; the functions have C++ linkage, so they never meet GLFW 3's
// own symbols of the same names.
#pragma once

enum {
    GLFW_WINDOW = 0x00010001,
    GLFW_FULLSCREEN = 0x00010002,
    GLFW_OPENED = 0x00020001,
    GLFW_STICKY_KEYS = 0x00030002,
    GLFW_KEY_SPACE = 32, // printable keys are their upper-case characters: '1'
    GLFW_KEY_ESC = 257,
    GLFW_KEY_LEFT = 285,
    GLFW_KEY_RIGHT = 286,
    GLFW_RELEASE = 0,
    GLFW_PRESS = 1
};

int glfwInit();
void glfwTerminate();
double glfwGetTime();
// The timer reads this from now on, and runs on from it (never below 0).
void glfwSetTime(double time);

// Bit counts of 0 leave the pixel format to the driver. In GLFW_FULLSCREEN mode the
// display switches to the mode closest to 32 bits per pixel, then closest in size.
int glfwOpenWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits, int depthBits,
                   int stencilBits, int mode);
void glfwSetWindowTitle(const char *title);
// The drawable size in pixels (which is what the viewport needs on high-DPI screens).
void glfwGetWindowSize(int *width, int *height);
// The platform's work of a frame first (the sound following its device, pending
// events); a close request closes the window and skips the swap.
void glfwSwapBuffers();
void glfwEnable(int token);
int glfwGetKey(int key);
int glfwGetWindowParam(int param);
// Whether the window system (GLX, EGL) offers an extension of that name.
int glfwExtensionSupported(const char *extension);

// Not GLFW 2's: held, the timer stands at its reading, so the animations hold
// still while the viewer pauses the show; released, it runs on from there.
void HoldTimer(int held);

// Counts the windows opened so far, so that what is learnt about one OpenGL
// context is asked again of the next.
unsigned GetWindowSerial();
