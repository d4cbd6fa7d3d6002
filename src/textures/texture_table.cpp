#include "textures/textures.h"

const char *const g_textureFiles[TEXTURE_COUNT] = {};
unsigned int g_textures[TEXTURE_COUNT];

void LoadTextures() {}
