// A stand-in for the window and sound layers, linked in place of a backend as the
// recording OpenGL is linked in place of the real one: the tests script its timer
// and music clock, open and close its window, and count what the show asks of it.
// The sound calls go through the program's own sound front; no stream ever plays.
#pragma once

#include <initializer_list>

namespace winrec {

// A closed window, both clocks at 0, no calls counted. The windows opened so far
// stay counted: one opened after a reset is a new window.
void Reset();
// A new window of that size whose window system offers those extensions.
void Open(int width, int height, const char *extensions = "");
void Close();
// What glfwGetTime answers until the next call.
void SetTimer(double seconds);
// Successive timer readings answer these in turn; the last one then stays.
void QueueTimes(std::initializer_list<double> readings);
// What FSOUND_Stream_GetTime answers, for any stream.
void SetMusicPosition(int milliseconds);
// How often the show has made the call ("glfwGetTime", "glfwTerminate") since the
// reset.
int Calls(const char *name);

} // namespace winrec
