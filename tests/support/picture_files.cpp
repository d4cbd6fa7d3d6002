#include "picture_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "test_folder.h"

Picture MakePicture(int width, int height, int channels, unsigned seed, int colours)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255), runLength(1, 5);
    std::vector<std::vector<unsigned char>> palette(size_t(colours > 0 ? colours : 1));
    for (auto &colour : palette)
        for (int c = 0; c < channels; c++)
            colour.push_back(static_cast<unsigned char>(byte(random)));

    Picture picture{width, height, channels, {}};
    const size_t count = size_t(width) * size_t(height);
    while (picture.pixels.size() < count * size_t(channels)) {
        std::vector<unsigned char> colour = palette[size_t(random()) % palette.size()];
        if (colours == 0)
            for (auto &value : colour)
                value = static_cast<unsigned char>(byte(random));
        for (int i = runLength(random); i > 0 && picture.pixels.size() < count * size_t(channels); i--)
            picture.pixels.insert(picture.pixels.end(), colour.begin(), colour.end());
    }
    return picture;
}

std::vector<unsigned char> BottomRowFirst(const Picture &picture)
{
    const size_t rowBytes = size_t(picture.width) * size_t(picture.channels);
    std::vector<unsigned char> flipped;
    for (int y = picture.height - 1; y >= 0; y--)
        flipped.insert(flipped.end(), picture.pixels.begin() + long(size_t(y) * rowBytes),
                       picture.pixels.begin() + long(size_t(y + 1) * rowBytes));
    return flipped;
}

std::vector<unsigned char> Encode(const Picture &picture, const TgaEncoding &encoding)
{
    std::vector<unsigned char> bytes =
        EncodeTga(picture.pixels.data(), picture.width, picture.height, picture.channels, encoding);
    EXPECT_FALSE(bytes.empty()) << "the writer refused type " << encoding.imageType;
    return bytes;
}

std::string WriteTestFile(const std::string &name, const std::vector<unsigned char> &bytes)
{
    static int folders = 0;
    const std::filesystem::path folder = std::filesystem::path(TestFolder()) / std::to_string(folders++);
    std::filesystem::create_directories(folder);
    const std::string path = (folder / name).string();
    EXPECT_TRUE(WriteFile(path, bytes)) << path;
    return path;
}

std::vector<unsigned char> TgaHeaderBytes(int colourMapType, int imageType, int mapLength, int mapBits, int width,
                                          int height, int pixelDepth, int descriptor)
{
    auto low = [](int value) { return static_cast<unsigned char>(value & 0xff); };
    auto high = [](int value) { return static_cast<unsigned char>((value >> 8) & 0xff); };
    // clang-format off
    return {0,          low(colourMapType), low(imageType), 0,          0,        low(mapLength),
            high(mapLength), low(mapBits),  0,              0,          0,        0,
            low(width), high(width),        low(height),    high(height), low(pixelDepth), low(descriptor)};
    // clang-format on
}
