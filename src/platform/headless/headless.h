// The host's side of the headless window and sound layers: the renderer sets the
// clocks each frame reads, says whether its offscreen context is open, and learns
// when the timeline has ended the show; the tests script the same clocks and
// count what the show asks. With these, a frame is a pure function of its time.
#pragma once

#include <initializer_list>

// Back to a closed window, both clocks at 0, nothing counted.
void ResetHeadless();
// What glfwGetTime answers until the next call.
void SetHeadlessTimer(double seconds);
// Successive timer readings answer these in turn; the last one then stays.
void QueueHeadlessTimes(std::initializer_list<double> readings);
// What FSOUND_Stream_GetTime answers, for any stream.
void SetHeadlessMusicPosition(int milliseconds);
// The offscreen context: open or not, its size, and its window system's extensions.
void SetHeadlessWindow(bool open, int width, int height, const char *extensions);
// Whether glfwTerminate has been called since the window was set open.
bool HeadlessShowEnded();
// Calls counted since the reset.
int HeadlessTimerReads();
int HeadlessTerminateCalls();
