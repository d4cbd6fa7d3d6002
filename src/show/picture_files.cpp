// The show's picture files, by the names the scenes use; without OpenGL, so the
// asset generator writes the very files the program reads.

#include "textures/textures.h"

const char *const g_textureFiles[TEXTURE_COUNT] = {
    "data/lovecubes.tga",            // PICTURE_LOVE_CUBES
    "data/twistu.tga",               // PICTURE_TWIST
    "data/rotozoomer.tga",           // PICTURE_ROTOZOOMER
    "data/tunnel.tga",               // PICTURE_TUNNEL
    "data/tunnel_border.tga",        // PICTURE_TUNNEL_BORDER
    "data/tunnel_border_mask.tga",   // PICTURE_TUNNEL_BORDER_MASK
    "data/rotozoom_border.tga",      // PICTURE_ROTOZOOM_BORDER
    "data/rotozoom_border_mask.tga", // PICTURE_ROTOZOOM_BORDER_MASK
    "data/greets.tga",               // PICTURE_GREETS
    "data/greets_mask.tga",          // PICTURE_GREETS_MASK
    "data/greet_scroller.tga",       // PICTURE_GREET_SCROLLER
    "data/titlecard.tga",            // PICTURE_TITLE
    "data/creators.tga",             // PICTURE_CREATORS
    "data/skybox.tga",               // PICTURE_SKYBOX
    "data/heart.tga",                // PICTURE_HEART
    "data/heart_mask.tga",           // PICTURE_HEART_MASK
    "data/1.tga",                    // PICTURE_CREDIT_1
    "data/2.tga",                    // PICTURE_CREDIT_2
    "data/3.tga",                    // PICTURE_CREDIT_3
    "data/4.tga",                    // PICTURE_CREDIT_4
    "data/5.tga",                    // PICTURE_CREDIT_5
    "data/6.tga",                    // PICTURE_CREDIT_6
    "data/7.tga",                    // PICTURE_CREDIT_7
    "data/8.tga",                    // PICTURE_CREDIT_8
    "data/9.tga",                    // PICTURE_CREDIT_9
    "data/pinkc.tga",                // PICTURE_PINK
    "data/inter1.tga",               // PICTURE_INTERLUDE_1
    "data/inter2.tga",               // PICTURE_INTERLUDE_2
    "data/end.tga",                  // PICTURE_END
};
