// The rotozoomer: a huge square of repeated pictures turns and scrolls under a
// still border; after 17.7 s of run time it also swings nearer and farther.
// Reads the floor picture, the border and its mask, and the window layer's timer.

#include <GL/gl.h>
#include <cmath>

#include "effects/effects.h"
#include "platform/window.h"
#include "textures/textures.h"

static const double ANGLE_RATE = 50.0;  // per second: degrees x 3, texture units x 100, radians x 15
static const double SWING_START = 17.7; // seconds of timer
static const float STILL_DISTANCE = -1.8f;
static const float HALF_SIDE = 3.2f; // covers a 4:3 view even at distance 3
static const double REPEATS = 5.0;

static float g_rotoAngle = 0.0f;
static float g_rotoTime = 0.0f;

void DrawRotozoomer()
{
    // Two readings: the angle first, the swing switch second.
    g_rotoAngle = static_cast<float>(glfwGetTime() * ANGLE_RATE);
    g_rotoTime = static_cast<float>(glfwGetTime());

    glLoadIdentity();
    if (static_cast<double>(g_rotoTime) > SWING_START)
        glTranslatef(0.0f, 0.0f, static_cast<float>(sin(g_rotoAngle / 15.0) - 2.0));
    else
        glTranslatef(0.0f, 0.0f, STILL_DISTANCE);
    glRotatef(g_rotoAngle / 3.0f, 0.0f, 0.0f, 1.0f);

    // The scroll grows without bound; the repeat wrap keeps the pattern seamless.
    double a = g_rotoAngle / 100.0;
    glBindTexture(GL_TEXTURE_2D, g_textures[PICTURE_ROTOZOOMER]);
    // clang-format off
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(static_cast<float>(a),           static_cast<float>(a));           glVertex2f(-HALF_SIDE, -HALF_SIDE);
    glTexCoord2f(static_cast<float>(a + REPEATS), static_cast<float>(a));           glVertex2f( HALF_SIDE, -HALF_SIDE);
    glTexCoord2f(static_cast<float>(a + REPEATS), static_cast<float>(a + REPEATS)); glVertex2f( HALF_SIDE,  HALF_SIDE);
    glTexCoord2f(static_cast<float>(a),           static_cast<float>(a + REPEATS)); glVertex2f(-HALF_SIDE,  HALF_SIDE);
    glEnd();
    // clang-format on

    // The border, last, covers the square at every distance of the swing; its top
    // and bottom rows fall just outside the view.
    DrawScreenBorder(PICTURE_ROTOZOOM_BORDER_MASK, PICTURE_ROTOZOOM_BORDER, ROTOZOOM_BORDER_HALF_HEIGHT);
}
