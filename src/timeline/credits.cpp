// The credits: nine small pictures appear in turn near the corners during the heart
// cube, each for a stretch of music, added onto the scene so their black is clear.

#include <GL/gl.h>

#include "effects/effects.h"
#include "music/music.h"
#include "textures/textures.h"
#include "timeline/timeline.h"

struct CreditRow {
    float after, before; // shown while the clock is strictly between these
    int texture;
    int x, y; // corner: (-1, +1) top left ... (+1, -1) bottom right
};

// clang-format off
static const CreditRow CREDITS[] = {
    {52, 55, PICTURE_CREDIT_1, -1,  1},
    {55, 57, PICTURE_CREDIT_2,  1, -1},
    {57, 59, PICTURE_CREDIT_3,  1,  1},
    {59, 61, PICTURE_CREDIT_4, -1, -1},
    {61, 63, PICTURE_CREDIT_5,  1,  1},
    {63, 65, PICTURE_CREDIT_6, -1,  1},
    {65, 67, PICTURE_CREDIT_7,  1, -1},
    {67, 69, PICTURE_CREDIT_8,  1,  1},
    {69, 74, PICTURE_CREDIT_9, -1, -1},
};
// clang-format on

void UpdateCredits()
{
    ReadMusicClock();
    for (const CreditRow &row : CREDITS)
        if (g_musicTime > row.after && g_musicTime < row.before)
            DrawCreditImage(row.texture, row.x, row.y);
}

void DrawCreditImage(int index, int x, int y)
{
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glTranslatef(static_cast<float>(x), static_cast<float>(y), -2.2f);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, g_textures[index]);
    DrawPictureQuad(CREDIT_HALF_WIDTH, CREDIT_HALF_HEIGHT, 0.0f);
}
