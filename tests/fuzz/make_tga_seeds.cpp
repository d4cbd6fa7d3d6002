// Writes the TGA fuzzer's seed corpus: one small file of every kind the decoder
// reads, and a few it must survive.
//   make_tga_seeds FOLDER

#include <cstdio>
#include <string>
#include <vector>

#include "tga_writer.h"

namespace {

// 5x3 with runs over row ends and a single pixel of each colour, so that both
// packet kinds occur; grey, RGB and RGBA views of the same picture.
std::vector<unsigned char> MakePicture(int channels)
{
    const unsigned char colours[4][4] = {{250, 20, 30, 255}, {10, 200, 40, 128}, {5, 6, 230, 0}, {90, 90, 90, 200}};
    const int order[15] = {0, 0, 0, 1, 2, 2, 2, 2, 3, 0, 1, 1, 1, 1, 3};
    std::vector<unsigned char> pixels;
    for (int index : order)
        pixels.insert(pixels.end(), colours[index], colours[index] + channels);
    return pixels;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_tga_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const struct {
        const char *name;
        int channels;
        TgaEncoding encoding;
    } seeds[] = {
        {"mapped24", 3, {1, 8, 24, false, false, ""}},
        {"mapped32", 4, {1, 8, 32, false, false, ""}},
        {"rgb", 3, {2, 24, 0, false, false, ""}},
        {"rgba", 4, {2, 32, 0, false, false, ""}},
        {"grey", 1, {3, 8, 0, false, false, ""}},
        {"rle-mapped24", 3, {9, 8, 24, false, false, ""}},
        {"rle-mapped32", 4, {9, 8, 32, true, false, ""}},
        {"rle-rgb", 3, {10, 24, 0, false, false, ""}},
        {"rle-rgba", 4, {10, 32, 0, false, true, ""}},
        {"rle-grey", 1, {11, 8, 0, true, true, ""}},
        {"rgb-top-first", 3, {2, 24, 0, true, false, ""}},
        {"rgb-right-to-left", 3, {2, 24, 0, false, true, "with an ID field"}},
    };
    int failures = 0;
    for (const auto &seed : seeds) {
        const std::vector<unsigned char> pixels = MakePicture(seed.channels);
        std::vector<unsigned char> bytes = EncodeTga(pixels.data(), 5, 3, seed.channels, seed.encoding);
        failures += !WriteFile(folder + "/" + seed.name + ".tga", bytes);
        if (std::string(seed.name) == "rle-rgb") {
            // Cut inside a packet: the decoder must fill what is missing.
            bytes.resize(bytes.size() - 4);
            failures += !WriteFile(folder + "/rle-rgb-cut.tga", bytes);
        }
    }
    // A two-entry map beside indices past its end, and a map beside 24-bit pixels.
    const std::vector<unsigned char> outside = {0, 1, 1, 0, 0,  2,  0,  24, 0,  0,  0, 0, 4, 0,
                                                1, 0, 8, 0, 10, 20, 30, 40, 50, 60, 0, 1, 2, 255};
    const std::vector<unsigned char> ignored = {0, 1, 2,  0, 0, 1, 0, 24, 0,  0,  0,  0,  2, 0,
                                                1, 0, 24, 0, 1, 2, 3, 11, 12, 13, 14, 15, 16};
    failures += !WriteFile(folder + "/mapped-outside.tga", outside);
    failures += !WriteFile(folder + "/map-beside-rgb.tga", ignored);
    if (failures)
        fprintf(stderr, "make_tga_seeds: %d files not written in %s\n", failures, folder.c_str());
    return failures ? 1 : 0;
}
