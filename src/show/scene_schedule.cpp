// Which scene the clock asks for, and what follows from it: the second each scene
// starts and the second the show ends. Without OpenGL, so the tools that time
// their work to the scenes (the soundtrack, the renderer) ask the timeline itself.

#include "show/show.h"

static const double SHOW_END = 110.52;
// Far past the end: a clock that never reaches a scene gives this.
static const int LAST_SECOND = 300;

static const char *const SCENE_NAMES[SCENE_COUNT] = {
    "title", "creators", "rotozoomer", "tunnel", "heart cube", "pink", "drifting panels", "end",
};

int ChooseNextScene(float musicTime)
{
    // The clock holds whole seconds, so 7.76 takes effect at 8, 110.52 at 111.
    if (musicTime > SHOW_END)
        return -1;
    if (musicTime > 101.52 && musicTime < 300)
        return SCENE_END;
    if (musicTime > 83)
        return SCENE_INTERLUDE;
    if (musicTime > 75)
        return SCENE_PINK;
    if (musicTime > 50.74)
        return SCENE_HEART_CUBE;
    if (musicTime > 32.74)
        return SCENE_TUNNEL;
    if (musicTime > 15.48)
        return SCENE_ROTOZOOMER;
    if (musicTime > 7.76)
        return SCENE_CREATORS;
    return SCENE_TITLE;
}

int SceneStartSecond(int scene)
{
    for (int second = 0; second < LAST_SECOND; second++)
        if (ChooseNextScene(static_cast<float>(second)) == scene)
            return second;
    return LAST_SECOND;
}

int ShowEndSecond() { return SceneStartSecond(-1); }

const char *SceneName(int scene) { return scene >= 0 && scene < SCENE_COUNT ? SCENE_NAMES[scene] : "after the end"; }
