// Pausing holds both clocks the frame loop reads; seeking moves both by the same
// amount, so a seek is as if the show had played (or been played back) to there.

#include "main/controls.h"

#include <algorithm>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "music/music.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "show/show.h"

static int s_paused = 0;

// The keys ReadControlKeys reads, and whether each was down at its last reading.
static const int CONTROL_KEYS[] = {
    GLFW_KEY_SPACE, GLFW_KEY_LEFT, GLFW_KEY_RIGHT, '1', '2', '3', '4', '5', '6', '7', '8'};
static const int CONTROL_KEY_COUNT = sizeof CONTROL_KEYS / sizeof CONTROL_KEYS[0];
static int s_keyWasDown[CONTROL_KEY_COUNT];

void PauseShow(int paused)
{
    s_paused = paused != 0;
    FSOUND_SetPaused(g_musicChannel, static_cast<signed char>(s_paused));
    HoldTimer(s_paused);
}

int ShowPaused() { return s_paused; }

void SeekShow(int milliseconds)
{
    if (!g_musicStream)
        return;
    milliseconds = std::max(milliseconds, 0);
    const int from = FSOUND_Stream_GetTime(g_musicStream);
    SeekStream(g_musicStream, milliseconds);
    glfwSetTime(glfwGetTime() + (milliseconds - from) / 1000.0);
}

int ShowPosition() { return FSOUND_Stream_GetTime(g_musicStream); }

static void ActOnKey(int key)
{
    if (key == GLFW_KEY_SPACE)
        PauseShow(!s_paused);
    else if (key == GLFW_KEY_LEFT || key == GLFW_KEY_RIGHT)
        SeekShow(ShowPosition() + (key == GLFW_KEY_LEFT ? -SEEK_STEP_MS : SEEK_STEP_MS));
    else
        SeekShow(SceneStartSecond(key - '1') * 1000);
}

void ReadControlKeys()
{
    // A key acts once as it goes down, however long it is held.
    for (int i = 0; i < CONTROL_KEY_COUNT; i++) {
        const int down = glfwGetKey(CONTROL_KEYS[i]) == GLFW_PRESS;
        if (down && !s_keyWasDown[i])
            ActOnKey(CONTROL_KEYS[i]);
        s_keyWasDown[i] = down;
    }
}

#ifdef __EMSCRIPTEN__
// The page's timeline: its buttons, its keys and its chapters, from the show's own schedule.
extern "C" {
EMSCRIPTEN_KEEPALIVE void WebPauseShow(int paused) { PauseShow(paused); }
EMSCRIPTEN_KEEPALIVE int WebShowPaused() { return ShowPaused(); }
EMSCRIPTEN_KEEPALIVE void WebSeekShow(int milliseconds) { SeekShow(milliseconds); }
EMSCRIPTEN_KEEPALIVE int WebShowPosition() { return ShowPosition(); }
// The animations' timer, for the page's checks of a paused frame.
EMSCRIPTEN_KEEPALIVE double WebShowTimer() { return glfwGetTime(); }
EMSCRIPTEN_KEEPALIVE int WebSceneCount() { return SCENE_COUNT; }
EMSCRIPTEN_KEEPALIVE const char *WebSceneName(int scene) { return SceneName(scene); }
EMSCRIPTEN_KEEPALIVE int WebSceneStartSecond(int scene) { return SceneStartSecond(scene); }
EMSCRIPTEN_KEEPALIVE int WebShowEndSecond() { return ShowEndSecond(); }
}
#endif
