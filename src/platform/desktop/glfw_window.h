// The program's window on GLFW 3. Kept apart from window.h because both speak of
// glfwInit and friends: window.cpp gives these the classic names.
#pragma once

namespace desktop {

bool Init();
void Terminate();
double Time();
void SetTime(double seconds);
void HoldTime(bool held);
bool OpenWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits, int depthBits,
                int stencilBits, bool fullScreen);
void SetTitle(const char *title);
void GetFramebufferSize(int *width, int *height);
void SwapBuffers();
void EnableStickyKeys();
// A key by its GLFW 2 code (window.h), down or, with sticky keys, pressed since it
// was last read.
bool KeyPressed(int classicKey);
bool WindowOpen();
bool ExtensionSupported(const char *extension);
unsigned WindowSerial();

} // namespace desktop
