// The show's picture files, by the names the scenes use; without OpenGL, so the
// asset generator writes the very files the program reads.

#include "show/show.h"

const char *const g_textureFiles[TEXTURE_COUNT] = {
    PICTURE_FOLDER "/lovecubes.tga",            // PICTURE_LOVE_CUBES
    PICTURE_FOLDER "/twistu.tga",               // PICTURE_TWIST
    PICTURE_FOLDER "/rotozoomer.tga",           // PICTURE_ROTOZOOMER
    PICTURE_FOLDER "/tunnel.tga",               // PICTURE_TUNNEL
    PICTURE_FOLDER "/tunnel_border.tga",        // PICTURE_TUNNEL_BORDER
    PICTURE_FOLDER "/tunnel_border_mask.tga",   // PICTURE_TUNNEL_BORDER_MASK
    PICTURE_FOLDER "/rotozoom_border.tga",      // PICTURE_ROTOZOOM_BORDER
    PICTURE_FOLDER "/rotozoom_border_mask.tga", // PICTURE_ROTOZOOM_BORDER_MASK
    PICTURE_FOLDER "/greets.tga",               // PICTURE_GREETS
    PICTURE_FOLDER "/greets_mask.tga",          // PICTURE_GREETS_MASK
    PICTURE_FOLDER "/greet_scroller.tga",       // PICTURE_GREET_SCROLLER
    PICTURE_FOLDER "/titlecard.tga",            // PICTURE_TITLE
    PICTURE_FOLDER "/creators.tga",             // PICTURE_CREATORS
    PICTURE_FOLDER "/skybox.tga",               // PICTURE_SKYBOX
    PICTURE_FOLDER "/heart.tga",                // PICTURE_HEART
    PICTURE_FOLDER "/heart_mask.tga",           // PICTURE_HEART_MASK
    PICTURE_FOLDER "/1.tga",                    // PICTURE_CREDIT_1
    PICTURE_FOLDER "/2.tga",                    // PICTURE_CREDIT_2
    PICTURE_FOLDER "/3.tga",                    // PICTURE_CREDIT_3
    PICTURE_FOLDER "/4.tga",                    // PICTURE_CREDIT_4
    PICTURE_FOLDER "/5.tga",                    // PICTURE_CREDIT_5
    PICTURE_FOLDER "/6.tga",                    // PICTURE_CREDIT_6
    PICTURE_FOLDER "/7.tga",                    // PICTURE_CREDIT_7
    PICTURE_FOLDER "/8.tga",                    // PICTURE_CREDIT_8
    PICTURE_FOLDER "/9.tga",                    // PICTURE_CREDIT_9
    PICTURE_FOLDER "/pinkc.tga",                // PICTURE_PINK
    PICTURE_FOLDER "/inter1.tga",               // PICTURE_INTERLUDE_1
    PICTURE_FOLDER "/inter2.tga",               // PICTURE_INTERLUDE_2
    PICTURE_FOLDER "/end.tga",                  // PICTURE_END
};
