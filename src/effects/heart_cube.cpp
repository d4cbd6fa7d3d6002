// The heart cube: the viewer stands inside a big box that spins about two axes,
// while a heart swings nearer and farther about once a second. Reads the skybox
// picture, the heart and its mask, and the timer.

#include <GL/gl.h>
#include <cmath>

#include "effects/effects.h"
#include "platform/window.h"
#include "textures/textures.h"

static const double SPIN_RATE = 60.0; // degrees per second about x and about y

void DrawHeartCube()
{
    // Never wrapped: the same angle turns the box and, as radians / 10, swings the heart.
    float a = static_cast<float>(glfwGetTime() * SPIN_RATE);

    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    glRotatef(a, 1.0f, 0.0f, 0.0f);
    glRotatef(a, 0.0f, 1.0f, 0.0f);

    // Seen from inside: every pixel of the window falls on exactly one wall.
    glBindTexture(GL_TEXTURE_2D, g_textures[PICTURE_SKYBOX]);
    // clang-format off
    glBegin(GL_QUADS);
    // front
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f); glVertex3f(-10.0f, -10.0f,  10.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex3f( 10.0f, -10.0f,  10.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex3f( 10.0f,  10.0f,  10.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex3f(-10.0f,  10.0f,  10.0f);
    // back
    glNormal3f(0.0f, 0.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex3f(-10.0f, -10.0f, -10.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex3f(-10.0f,  10.0f, -10.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex3f( 10.0f,  10.0f, -10.0f);
    glTexCoord2f(0.0f, 0.0f); glVertex3f( 10.0f, -10.0f, -10.0f);
    // top
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex3f(-10.0f,  10.0f, -10.0f);
    glTexCoord2f(0.0f, 0.0f); glVertex3f(-10.0f,  10.0f,  10.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex3f( 10.0f,  10.0f,  10.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex3f( 10.0f,  10.0f, -10.0f);
    // bottom
    glNormal3f(0.0f, -1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex3f(-10.0f, -10.0f, -10.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex3f( 10.0f, -10.0f, -10.0f);
    glTexCoord2f(0.0f, 0.0f); glVertex3f( 10.0f, -10.0f,  10.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex3f(-10.0f, -10.0f,  10.0f);
    // right
    glNormal3f(1.0f, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex3f( 10.0f, -10.0f, -10.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex3f( 10.0f,  10.0f, -10.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex3f( 10.0f,  10.0f,  10.0f);
    glTexCoord2f(0.0f, 0.0f); glVertex3f( 10.0f, -10.0f,  10.0f);
    // left
    glNormal3f(-1.0f, 0.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f); glVertex3f(-10.0f, -10.0f, -10.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex3f(-10.0f, -10.0f,  10.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex3f(-10.0f,  10.0f,  10.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex3f(-10.0f,  10.0f, -10.0f);
    glEnd();
    // clang-format on

    // The heart's plane swings between 2 and 4 units in front of the viewer.
    glLoadIdentity();
    float h = static_cast<float>(sin(a / 10.0) - 4.0);
    glTranslatef(0.0f, 0.0f, h);
    glEnable(GL_BLEND);
    DrawMaskedOverlay(PICTURE_HEART_MASK, PICTURE_HEART, 1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
}
