// A scripted window and sound layer for the tests: the timer and the music
// position read what the test sets, and the calls the show makes are counted.
#pragma once

#include <initializer_list>

namespace fake {

// Back to a closed window, timer 0, position 0, no calls counted.
void Reset();
// Every timer reading returns this.
void SetTime(double seconds);
// Successive timer readings return these in turn; the last one then stays.
void QueueTimes(std::initializer_list<double> readings);
int TimeReads();
// What FSOUND_Stream_GetTime answers, for any stream.
void SetMusicPosition(int milliseconds);
int MusicReads();
void SetWindowOpen(bool open);
void SetWindowSize(int width, int height);
void SetPlatformExtensions(bool supported);
int TerminateCalls();

} // namespace fake
