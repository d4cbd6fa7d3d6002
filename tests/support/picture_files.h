// Pictures for the picture tests: made up, encoded with the project's TGA writer,
// and written to files under the test's temporary folder.
#pragma once

#include <string>
#include <vector>

#include "tga_writer.h"

struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;                  // 1 grey, 3 RGB, 4 RGBA
    std::vector<unsigned char> pixels; // top row first, as the writer takes them
};

// Runs of 1 to 5 equal pixels along the whole picture, so run-length packets cross
// row ends; colours from a palette of `colours` entries (at most 256 keeps it
// colour-mappable), or any byte values when colours is 0.
Picture MakePicture(int width, int height, int channels, unsigned seed, int colours = 16);

// What the loader gives for the picture with flags 0: the bottom row first.
std::vector<unsigned char> BottomRowFirst(const Picture &picture);

std::vector<unsigned char> Encode(const Picture &picture, const TgaEncoding &encoding);

// Writes the bytes to a file of that name in a fresh folder of its own, inside the
// running test's folder (gone when the test ends); returns the path.
std::string WriteTestFile(const std::string &name, const std::vector<unsigned char> &bytes);

// A bare 18-byte header and nothing else, for the header checks.
std::vector<unsigned char> TgaHeaderBytes(int colourMapType, int imageType, int mapLength, int mapBits, int width,
                                          int height, int pixelDepth, int descriptor = 0);
