// The stream calls on a virtual clock: nothing plays, and the position is whatever
// the host set for the frame being drawn.

#include "platform/headless/headless.h"
#include "platform/sound.h"

static int s_musicPosition = 0;

void SetHeadlessMusicPosition(int milliseconds) { s_musicPosition = milliseconds; }

signed char FSOUND_Init(int, int, unsigned int) { return 1; }
void FSOUND_Close() {}
FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *, unsigned int, int) { return nullptr; }
int FSOUND_Stream_PlayEx(int, FSOUND_STREAM *, void *, signed char) { return -1; }
signed char FSOUND_SetPaused(int, signed char) { return 0; }
// No stream is ever opened; the show's clock reads the frame's position all the same.
int FSOUND_Stream_GetTime(FSOUND_STREAM *) { return s_musicPosition; }
// The host sets every frame's position itself; a rewind reads 0 until it sets another.
void SetStreamStart(int) {}
void SetSoundMuted(bool) {}
void RewindStream(FSOUND_STREAM *) { s_musicPosition = 0; }
