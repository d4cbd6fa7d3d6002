// The classic window calls of the program, on the GLFW 3 window of glfw_window.cpp.

#include "platform/desktop/glfw_window.h"
#include "platform/sound_backend.h"
#include "platform/window.h"

int glfwInit() { return desktop::Init() ? 1 : 0; }
void glfwTerminate() { desktop::Terminate(); }
double glfwGetTime() { return desktop::Time(); }
void glfwSetTime(double time) { desktop::SetTime(time); }
void HoldTimer(int held) { desktop::HoldTime(held != 0); }

int glfwOpenWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits, int depthBits,
                   int stencilBits, int mode)
{
    return desktop::OpenWindow(width, height, redBits, greenBits, blueBits, alphaBits, depthBits, stencilBits,
                               mode == GLFW_FULLSCREEN)
               ? 1
               : 0;
}

void glfwSetWindowTitle(const char *title) { desktop::SetTitle(title); }
void glfwGetWindowSize(int *width, int *height) { desktop::GetFramebufferSize(width, height); }
// The frame's platform work: the sound follows its device, then events and the swap.
void glfwSwapBuffers()
{
    FollowSoundDevices();
    desktop::SwapBuffers();
}

void glfwEnable(int token)
{
    if (token == GLFW_STICKY_KEYS)
        desktop::EnableStickyKeys();
}

int glfwGetKey(int key) { return desktop::KeyPressed(key) ? GLFW_PRESS : GLFW_RELEASE; }

int glfwGetWindowParam(int param) { return param == GLFW_OPENED && desktop::WindowOpen() ? 1 : 0; }

int glfwExtensionSupported(const char *extension) { return desktop::ExtensionSupported(extension) ? 1 : 0; }
unsigned GetWindowSerial() { return desktop::WindowSerial(); }
