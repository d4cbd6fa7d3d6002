// Eight scenes keyed to the soundtrack. A change of scene shows one frame after
// the clock passes its threshold, because each frame draws the scene chosen by
// the frame before.

#include "timeline/timeline.h"

#include <GL/gl.h>

#include "effects/effects.h"
#include "music/music.h"
#include "platform/window.h"

static const double SHOW_END = 110.52;

int g_scene = SCENE_TITLE;
float g_fogColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};

void SetupFog()
{
    // Linear fog from the eye (no fog) to 30 units (black); only the tunnel turns it on.
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, g_fogColor);
    glFogf(GL_FOG_DENSITY, 0.25f);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 30.0f);
}

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

static void DrawScene(int scene)
{
    switch (scene) {
    case SCENE_TITLE:      DrawTitlePicture(); break;
    case SCENE_CREATORS:   DrawCreatorsPicture(); break;
    case SCENE_ROTOZOOMER: DrawRotozoomer(); break;
    case SCENE_TUNNEL:     DrawTunnel(); break;
    case SCENE_HEART_CUBE: DrawHeartCube(); UpdateCredits(); break;
    case SCENE_PINK:       DrawPinkPicture(); break;
    case SCENE_INTERLUDE:  DrawInterludePanels(); break;
    case SCENE_END:        DrawEndPicture(); break;
    default: break;
    }
}

void RunTimeline()
{
    ReadMusicClock();
    SetupFog();
    DrawScene(g_scene);

    // The credits may have refreshed the clock while drawing; the choice uses it as it is now.
    int next = ChooseNextScene(g_musicTime);
    if (next < 0) {
        glfwTerminate();
        return;
    }
    g_scene = next;
}
