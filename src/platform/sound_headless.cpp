// The stream calls on a virtual clock: nothing plays, and the position is whatever
// the renderer set for the frame being drawn.

#include "platform/headless.h"
#include "platform/sound.h"

signed char FSOUND_Init(int, int, unsigned int) { return 1; }
void FSOUND_Close() {}
FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *, unsigned int, int) { return nullptr; }
int FSOUND_Stream_PlayEx(int, FSOUND_STREAM *, void *, signed char) { return -1; }
signed char FSOUND_SetPaused(int, signed char) { return 0; }
// The renderer never opens a stream; the show's clock reads the frame's position all the same.
int FSOUND_Stream_GetTime(FSOUND_STREAM *) { return HeadlessMusicPosition(); }
