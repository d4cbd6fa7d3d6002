// The tunnel: four walls stream towards the viewer out of the fogged dark, under
// a still border. Reads the wall picture, the border and its mask, and the timer.

#include <GL/gl.h>

#include "effects/effects.h"
#include "platform/window.h"
#include "textures/textures.h"

// Near opening 3 units away, far end at 131: fog blacks out everything beyond 30.
static const float TUNNEL_PLACEMENT = -67.0f;

void DrawTunnel()
{
    // One picture repeat per 128 units of length, 0.5 repeats a second: 64 units a second.
    float u = static_cast<float>(glfwGetTime() / 2.0);
    float far = static_cast<float>(u + 1.0);
    float leftNear = static_cast<float>(1.0 - u);

    glEnable(GL_FOG);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, TUNNEL_PLACEMENT);
    glBindTexture(GL_TEXTURE_2D, g_textures[PICTURE_TUNNEL]);

    // clang-format off
    glBegin(GL_QUADS);
    // top
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, far); glVertex3f(-3.0f, 2.5f, -64.0f);
    glTexCoord2f(0.0f, u);   glVertex3f(-3.0f, 2.5f,  64.0f);
    glTexCoord2f(1.0f, u);   glVertex3f( 3.0f, 2.5f,  64.0f);
    glTexCoord2f(1.0f, far); glVertex3f( 3.0f, 2.5f, -64.0f);
    // bottom: the top wall turned half a turn about the axis
    glNormal3f(0.0f, -1.0f, 0.0f);
    glTexCoord2f(1.0f, far); glVertex3f(-3.0f, -2.5f, -64.0f);
    glTexCoord2f(0.0f, far); glVertex3f( 3.0f, -2.5f, -64.0f);
    glTexCoord2f(0.0f, u);   glVertex3f( 3.0f, -2.5f,  64.0f);
    glTexCoord2f(1.0f, u);   glVertex3f(-3.0f, -2.5f,  64.0f);
    // right
    glNormal3f(1.0f, 0.0f, 0.0f);
    glTexCoord2f(far, 0.0f); glVertex3f(3.0f, -2.5f, -64.0f);
    glTexCoord2f(far, 1.0f); glVertex3f(3.0f,  2.5f, -64.0f);
    glTexCoord2f(u, 1.0f);   glVertex3f(3.0f,  2.5f,  64.0f);
    glTexCoord2f(u, 0.0f);   glVertex3f(3.0f, -2.5f,  64.0f);
    // left: the mirror image of the right wall
    glNormal3f(-1.0f, 0.0f, 0.0f);
    glTexCoord2f(-u, 0.0f);       glVertex3f(-3.0f, -2.5f, -64.0f);
    glTexCoord2f(leftNear, 0.0f); glVertex3f(-3.0f, -2.5f,  64.0f);
    glTexCoord2f(leftNear, 1.0f); glVertex3f(-3.0f,  2.5f,  64.0f);
    glTexCoord2f(-u, 1.0f);       glVertex3f(-3.0f,  2.5f, -64.0f);
    glEnd();
    // clang-format on

    // The border is drawn last, over the tunnel, and dimmed a little by the fog too.
    DrawScreenBorder(PICTURE_TUNNEL_BORDER_MASK, PICTURE_TUNNEL_BORDER, TUNNEL_BORDER_HALF_HEIGHT);
    glDisable(GL_FOG);
}
