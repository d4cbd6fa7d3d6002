// The interlude: two big pictures added one onto the other, each sliding along its
// own closed path beneath the window. Reads the two panel pictures and the timer.

#include <GL/gl.h>
#include <cmath>

#include "effects/effects.h"
#include "platform/window.h"
#include "textures/textures.h"

static const int FIRST_PANEL_PICTURE = 26;
static const int SECOND_PANEL_PICTURE = 27;

// Larger than the view at 2.1 units even when shifted by 1, so no edge ever shows.
static const float PANEL_HALF_WIDTH = 2.9f;
static const float PANEL_HALF_HEIGHT = 2.4f;
static const float PANEL_DISTANCE = -2.1f;

static void DrawPanel(int texture, float x, float y)
{
    glLoadIdentity();
    glTranslatef(x, y, PANEL_DISTANCE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, g_textures[texture]);
    DrawPictureQuad(PANEL_HALF_WIDTH, PANEL_HALF_HEIGHT, 0.0f);
}

void DrawInterludePanels()
{
    // A quarter period apart on each axis: one crosses the centre as the other turns.
    float u = static_cast<float>(glfwGetTime() / 2.0);
    DrawPanel(FIRST_PANEL_PICTURE, static_cast<float>(cos(4.0 * u)), static_cast<float>(sin(3.0 * u)));
    DrawPanel(SECOND_PANEL_PICTURE, static_cast<float>(sin(4.0 * u)), static_cast<float>(cos(3.0 * u)));
}
