// The program's window on GLFW 3. Kept apart from window.h because both speak of
// glfwInit and friends: window.cpp gives these the classic names.
#pragma once

namespace desktop {

bool Init();
void Terminate();
double Time();
bool OpenWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits, int depthBits,
                int stencilBits, bool fullScreen);
void SetTitle(const char *title);
void GetFramebufferSize(int *width, int *height);
void SwapBuffers();
void EnableStickyKeys();
bool EscapePressed();
bool WindowOpen();
bool ExtensionSupported(const char *extension);
unsigned WindowSerial();

} // namespace desktop
