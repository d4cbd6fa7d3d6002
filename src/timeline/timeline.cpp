// Eight scenes keyed to the soundtrack. A change of scene shows one frame after
// the clock passes its threshold, because each frame draws the scene chosen by
// the frame before.

#include "timeline/timeline.h"

#include <GL/gl.h>

#include "effects/effects.h"
#include "music/music.h"
#include "platform/window.h"

int g_scene = SCENE_TITLE;
int g_loopShow = 0;
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

static void DrawScene(int scene)
{
    // clang-format off
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
    // clang-format on
}

static void ChooseNextFrameScene()
{
    int next = ChooseNextScene(g_musicTime);
    if (next < 0 && g_loopShow) {
        // Round again in the same window: the title on the next frame, its music with it.
        RestartMusic();
        next = SCENE_TITLE;
    }
    if (next < 0) {
        glfwTerminate();
        return;
    }
    g_scene = next;
}

void RunTimeline()
{
    ReadMusicClock();
    SetupFog();
    DrawScene(g_scene);
    // The credits may have refreshed the clock while drawing; the choice uses it as it is now.
    ChooseNextFrameScene();
}

void RunTimelineUndrawn()
{
    ReadMusicClock();
    ChooseNextFrameScene();
}
