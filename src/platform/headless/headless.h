// The host's side of the headless window and sound layers: the renderer sets the
// clocks each frame reads, says whether its offscreen context is open, and learns
// when the timeline has ended the show. With these, a frame is a pure function of
// its time.
#pragma once

// What glfwGetTime answers until the next call.
void SetHeadlessTimer(double seconds);
// What FSOUND_Stream_GetTime answers, for any stream.
void SetHeadlessMusicPosition(int milliseconds);
// The offscreen context: open or not, its size, and its window system's extensions.
void SetHeadlessWindow(bool open, int width, int height, const char *extensions);
// Whether glfwTerminate has been called since the window was set open.
bool HeadlessShowEnded();
