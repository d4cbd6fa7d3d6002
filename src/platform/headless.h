// The renderer's side of the headless window and sound layers: it sets the clocks
// each frame reads, says whether its offscreen context is open, and learns when the
// timeline has ended the show. With these, a frame is a pure function of its time.
#pragma once

// What glfwGetTime and FSOUND_Stream_GetTime answer until the next call.
void SetHeadlessClocks(double timerSeconds, int musicMilliseconds);
// The offscreen context: open or not, its size, and its window system's extensions.
void SetHeadlessWindow(bool open, int width, int height, const char *extensions);
// Whether glfwTerminate has been called since the window was set open.
bool HeadlessShowEnded();
// The music position set for this frame, in milliseconds.
int HeadlessMusicPosition();
