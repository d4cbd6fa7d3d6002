// The table of the show's 29 pictures and their OpenGL texture objects.
#pragma once

#define TEXTURE_COUNT 29

// The pictures by their place in the table; scenes name a picture only this way.
enum {
    PICTURE_LOVE_CUBES = 0, // drawn by no scene
    PICTURE_TWIST,          // drawn by no scene
    PICTURE_ROTOZOOMER,     // the rotozoomer's floor
    PICTURE_TUNNEL,         // the tunnel's walls
    PICTURE_TUNNEL_BORDER,
    PICTURE_TUNNEL_BORDER_MASK,
    PICTURE_ROTOZOOM_BORDER,
    PICTURE_ROTOZOOM_BORDER_MASK,
    PICTURE_GREETS,         // drawn by no scene
    PICTURE_GREETS_MASK,    // drawn by no scene
    PICTURE_GREET_SCROLLER, // drawn by no scene
    PICTURE_TITLE,
    PICTURE_CREATORS,
    PICTURE_SKYBOX, // the heart cube's walls
    PICTURE_HEART,
    PICTURE_HEART_MASK,
    PICTURE_CREDIT_1, // the nine credits, in the order they show
    PICTURE_CREDIT_2,
    PICTURE_CREDIT_3,
    PICTURE_CREDIT_4,
    PICTURE_CREDIT_5,
    PICTURE_CREDIT_6,
    PICTURE_CREDIT_7,
    PICTURE_CREDIT_8,
    PICTURE_CREDIT_9,
    PICTURE_PINK,
    PICTURE_INTERLUDE_1, // the drifting panels
    PICTURE_INTERLUDE_2,
    PICTURE_END
};
static_assert(PICTURE_END + 1 == TEXTURE_COUNT, "one name for every picture of the table");

// The file of each picture, relative to the show's folder.
extern const char *const g_textureFiles[TEXTURE_COUNT];
extern unsigned int g_textures[TEXTURE_COUNT];

// Creates the texture objects and fills each from its picture; needs the window open.
void LoadTextures();

// Fills the texture bound to GL_TEXTURE_2D from a TGA file, resampled to power-of-two
// sizes; flags are the IMAGE_ flags of textures/image.h. 1 when the picture was
// uploaded; 0 when the window is closed or the file could not be read, with no
// OpenGL state changed and one line on stderr naming the file and why.
int LoadTextureImage(const char *fileName, int flags);
