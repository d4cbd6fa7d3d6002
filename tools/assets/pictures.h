// The 29 default pictures of the show, drawn by our own code and stored in the
// TGA encodings the show's loader reads.
#pragma once

#include "text.h"

#include <string>
#include <vector>

// The typefaces the lettering uses; all from the DejaVu core set.
struct Fonts {
    explicit Fonts(const std::string &dir);
    Font bold;
    Font regular;
    Font serif;
    bool Ok() const { return bold.Ok() && regular.Ok() && serif.Ok(); }
};
// The font files Fonts opens, for the message when one is missing.
extern const char *const FONT_FILES[3];

struct PictureFile {
    std::string name;                 // relative to the show's folder, "data/…"
    std::vector<unsigned char> bytes; // the whole TGA file
};

// All 29 pictures in the order of the show's texture table.
std::vector<PictureFile> DrawPictures(const Fonts &fonts);
