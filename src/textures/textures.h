// The show's pictures as OpenGL texture objects, one for each entry of the picture
// table (show/show.h), and their loading.
#pragma once

#include "show/show.h"

extern unsigned int g_textures[TEXTURE_COUNT];

// Creates the texture objects and fills each from its picture; needs the window open.
void LoadTextures();

// Fills the texture bound to GL_TEXTURE_2D from a TGA file, resampled to power-of-two
// sizes; flags are the IMAGE_ flags of textures/image.h. 1 when the picture was
// uploaded; 0 when the window is closed or the file could not be read, with no
// OpenGL state changed and one line on stderr naming the file and why.
int LoadTextureImage(const char *fileName, int flags);
