// Full-screen pictures: the title, the creators, the pink picture and the end.
// Each shows one picture from the table; nothing moves and no clock is read.

#include <GL/gl.h>

#include "effects/effects.h"
#include "textures/textures.h"

void DrawPictureQuad(float halfWidth, float halfHeight, float z)
{
    // clang-format off
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex3f(-halfWidth, -halfHeight, z);
    glTexCoord2f(1.0f, 0.0f); glVertex3f( halfWidth, -halfHeight, z);
    glTexCoord2f(1.0f, 1.0f); glVertex3f( halfWidth,  halfHeight, z);
    glTexCoord2f(0.0f, 1.0f); glVertex3f(-halfWidth,  halfHeight, z);
    glEnd();
    // clang-format on
}

void DrawMaskedOverlay(int maskTexture, int pictureTexture, float halfWidth, float halfHeight, float z)
{
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, g_textures[maskTexture]);
    DrawPictureQuad(halfWidth, halfHeight, z);

    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, g_textures[pictureTexture]);
    DrawPictureQuad(halfWidth, halfHeight, z);
}

void DrawScreenBorder(int maskTexture, int pictureTexture, float halfHeight)
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, PANEL_DISTANCE);
    glEnable(GL_BLEND);
    DrawMaskedOverlay(maskTexture, pictureTexture, PANEL_HALF_WIDTH, halfHeight, 0.0f);
    glDisable(GL_BLEND);
}

// Blending goes on with whatever function the show last set: opaque before any was
// chosen (title, creators), additive onto black after the heart cube (pink).
static void DrawPicturePanel(int texture)
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, PANEL_DISTANCE);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, g_textures[texture]);
    DrawPictureQuad(PANEL_HALF_WIDTH, PANEL_HALF_HEIGHT, 0.0f);
}

void DrawTitlePicture() { DrawPicturePanel(PICTURE_TITLE); }
void DrawCreatorsPicture() { DrawPicturePanel(PICTURE_CREATORS); }
void DrawPinkPicture() { DrawPicturePanel(PICTURE_PINK); }

void DrawEndPicture()
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, PANEL_DISTANCE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, g_textures[PICTURE_END]);
    DrawPictureQuad(PANEL_HALF_WIDTH, PANEL_HALF_HEIGHT, 0.0f);
    glLoadIdentity();
}
