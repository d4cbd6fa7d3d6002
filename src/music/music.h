// The soundtrack: "Dezira.mp3" read whole into memory and played once, and the
// music clock, the whole seconds of playback that decide what the show shows.
#pragma once

#include "show/show.h"

struct FSOUND_STREAM;

extern FSOUND_STREAM *g_musicStream;
extern int g_musicChannel;
extern float g_musicTime;

// Starts playback. 1 when the file cannot be opened, otherwise 0.
int InitMusic();
// Refreshes g_musicTime from the stream position.
void ReadMusicClock();
// Plays the soundtrack again from its start; the clock follows.
void RestartMusic();
