// The scene timeline: which of the eight scenes each frame draws, chosen by the
// music clock, and the end of the show at 111 seconds of music.
#pragma once

#include "show/show.h"

// The scene the next RunTimeline draws.
extern int g_scene;
// Set: at its end the show starts again, music and all, instead of closing.
extern int g_loopShow;
extern float g_fogColor[4];

// Once a frame: reads the clock, sets the fog, draws the scene, picks the next one
// or, past 110.52 s, terminates the window layer (or, looping, starts again).
void RunTimeline();
void SetupFog();
// The credits pictures of the heart cube scene.
void UpdateCredits();
void DrawCreditImage(int index, int x, int y);
