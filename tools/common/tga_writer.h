// Writes pictures as TGA files in every encoding the show's loader reads, for the
// default pictures, the tests and the fuzzers' seeds.
#pragma once

#include <string>
#include <vector>

struct TgaEncoding {
    int imageType = 2;        // 1 colour-mapped, 2 true colour, 3 grey; +8 run-length encoded
    int pixelDepth = 24;      // 8, 24 or 32 bits per stored pixel
    int colourMapBits = 0;    // 24 or 32 for colour-mapped pictures, else 0
    bool topToBottom = false; // rows stored top first (descriptor bit 5)
    bool rightToLeft = false; // pixels of a row stored right to left (descriptor bit 4)
    std::string id;           // the ID field after the header
};

// pixels: width x height pixels of `channels` bytes (1 grey, 3 RGB, 4 RGBA), top row
// first, left to right. True colour stores 3 or 4 bytes (alpha 255 when the source
// has none); grey stores the first channel; colour-mapped builds a map of the
// distinct colours and fails when there are more than 256. Returns the file's
// bytes, or nothing for an encoding it cannot write.
std::vector<unsigned char> EncodeTga(const unsigned char *pixels, int width, int height, int channels,
                                     const TgaEncoding &encoding);

bool WriteFile(const std::string &path, const std::vector<unsigned char> &bytes);
