// The table of the show's 29 pictures and their OpenGL texture objects.
#pragma once

#define TEXTURE_COUNT 29

extern const char *const g_textureFiles[TEXTURE_COUNT];
extern unsigned int g_textures[TEXTURE_COUNT];

// Creates the texture objects and fills each from its picture; needs the window open.
void LoadTextures();
