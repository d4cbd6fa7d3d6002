// The scene timeline: which of the eight scenes each frame draws, chosen by the
// music clock, and the end of the show at 111 seconds of music.
#pragma once

enum {
    SCENE_TITLE = 0,
    SCENE_CREATORS = 1,
    SCENE_ROTOZOOMER = 2,
    SCENE_TUNNEL = 3,
    SCENE_HEART_CUBE = 4,
    SCENE_PINK = 5,
    SCENE_INTERLUDE = 6,
    SCENE_END = 7,
    SCENE_COUNT = 8
};

// The scene the next RunTimeline draws.
extern int g_scene;
// Set: at its end the show starts again, music and all, instead of closing.
extern int g_loopShow;
extern float g_fogColor[4];

// Once a frame: reads the clock, sets the fog, draws the scene, picks the next one
// or, past 110.52 s, terminates the window layer (or, looping, starts again).
void RunTimeline();
// The same but for the drawing, for a frame whose picture is the one already drawn.
void RunTimelineUndrawn();
void SetupFog();
// The scene that follows a frame at this clock, or -1 when the show is over.
int ChooseNextScene(float musicTime);
// The first whole second of music at which the clock asks for the scene: 0 for the
// title, 8 for the creators ... 102 for the end picture.
int SceneStartSecond(int scene);
// The first whole second at which the show is over: 111.
int ShowEndSecond();
// What the viewer would call the scene ("tunnel", "heart cube").
const char *SceneName(int scene);
// Whether the scene is a still picture: it reads no clock and sets all the state it
// draws with but the blend function, which it leaves as it finds it, so drawn again
// right after itself it draws the very same picture.
bool SceneIsStill(int scene);

// The credits pictures of the heart cube scene.
void UpdateCredits();
void DrawCreditImage(int index, int x, int y);
