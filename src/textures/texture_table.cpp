// The show's texture objects, one for each picture of the table.

#include "textures/textures.h"

#include <GL/gl.h>

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
