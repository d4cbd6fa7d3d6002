// The interlude: two big pictures added one onto the other, each sliding along its
// own closed path beneath the window. Reads the two panel pictures and the timer.

#include <GL/gl.h>
#include <cmath>

#include "effects/effects.h"
#include "platform/window.h"
#include "textures/textures.h"

static void DrawPanel(int texture, float x, float y)
{
    glLoadIdentity();
    glTranslatef(x, y, INTERLUDE_DISTANCE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, g_textures[texture]);
    DrawPictureQuad(INTERLUDE_HALF_WIDTH, INTERLUDE_HALF_HEIGHT, 0.0f);
}

void DrawInterludePanels()
{
    // A quarter period apart on each axis: one crosses the centre as the other turns.
    float u = static_cast<float>(glfwGetTime() / 2.0);
    DrawPanel(PICTURE_INTERLUDE_1, static_cast<float>(cos(4.0 * u)), static_cast<float>(sin(3.0 * u)));
    DrawPanel(PICTURE_INTERLUDE_2, static_cast<float>(sin(4.0 * u)), static_cast<float>(cos(3.0 * u)));
}
