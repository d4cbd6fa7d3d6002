// The show's pictures by index: scenes name a picture only by its place here.

#include "textures/textures.h"

#include <GL/gl.h>

const char *const g_textureFiles[TEXTURE_COUNT] = {
    "data/lovecubes.tga",             // 0, drawn by no scene
    "data/twistu.tga",                // 1, drawn by no scene
    "data/rotozoomer.tga",            // 2, rotozoomer floor
    "data/tunnel.tga",                // 3, tunnel walls
    "data/tunnel_border.tga",         // 4
    "data/tunnel_border_mask.tga",    // 5
    "data/rotozoom_border.tga",       // 6
    "data/rotozoom_border_mask.tga",  // 7
    "data/greets.tga",                // 8, drawn by no scene
    "data/greets_mask.tga",           // 9, drawn by no scene
    "data/greet_scroller.tga",        // 10, drawn by no scene
    "data/titlecard.tga",             // 11, scene 0
    "data/creators.tga",              // 12, scene 1
    "data/skybox.tga",                // 13, cube faces
    "data/heart.tga",                 // 14
    "data/heart_mask.tga",            // 15
    "data/1.tga",                     // 16-24, the credits in order
    "data/2.tga",
    "data/3.tga",
    "data/4.tga",
    "data/5.tga",
    "data/6.tga",
    "data/7.tga",
    "data/8.tga",
    "data/9.tga",
    "data/pinkc.tga",                 // 25, scene 5
    "data/inter1.tga",                // 26, first interlude panel
    "data/inter2.tga",                // 27, second interlude panel
    "data/end.tga",                   // 28, scene 7
};

unsigned int g_textures[TEXTURE_COUNT];

void LoadTextures()
{
    glGenTextures(TEXTURE_COUNT, g_textures);
    for (int i = 0; i < TEXTURE_COUNT; i++) {
        glBindTexture(GL_TEXTURE_2D, g_textures[i]);
        // The rotozoomer and the tunnel draw with coordinates far outside 0..1.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        // No mipmaps are made, so a minification filter without them keeps the
        // single level complete.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        // A picture that cannot be loaded leaves its texture empty; the show goes on.
        LoadTextureImage(g_textureFiles[i], 0);
    }
}
