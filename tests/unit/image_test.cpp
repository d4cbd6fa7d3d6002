// The TGA decoder and the resampler, on files written by the project's TGA writer
// and on hand-made bytes for what the writer never produces.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "picture_files.h"
#include "textures/image.h"

namespace {

struct FileCloser {
    void operator()(FILE *file) const { fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// A stream over the bytes, as DecodeTgaFile and its helpers read them.
File OpenBytes(std::vector<unsigned char> &bytes) { return File(fmemopen(bytes.data(), bytes.size(), "rb")); }

std::vector<unsigned char> PixelsOf(const Image &image)
{
    const size_t size = size_t(image.width) * size_t(image.height) * size_t(image.bytesPerPixel);
    return std::vector<unsigned char>(image.pixels.get(), image.pixels.get() + size);
}

Image ReadBytes(const std::vector<unsigned char> &bytes, int flags = IMAGE_NO_RESAMPLE, int maxSize = IMAGE_MAX_SIZE)
{
    Image image;
    EXPECT_TRUE(ReadImageFile(WriteTestFile("picture.tga", bytes).c_str(), &image, flags, maxSize)) << GetImageError();
    return image;
}

// Refused, with a reason that contains `why`, and nothing left in the image.
void ExpectRefused(const std::vector<unsigned char> &bytes, const char *why, int flags = 0,
                   int maxSize = IMAGE_MAX_SIZE)
{
    Image image;
    EXPECT_EQ(ReadImageFile(WriteTestFile("refused.tga", bytes).c_str(), &image, flags, maxSize), 0) << why;
    EXPECT_NE(strstr(GetImageError(), why), nullptr) << "reason given: " << GetImageError();
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);
}

// The bilinear arithmetic written out the plain way, pixel by pixel, as the check
// of the resampler's faster walk.
std::vector<unsigned char> ResampleByHand(const std::vector<unsigned char> &source, int sourceWidth, int sourceHeight,
                                          int targetWidth, int targetHeight, int bpp)
{
    const float xStep = targetWidth > 1 ? float(sourceWidth - 1) / float(targetWidth - 1) : 0.0f;
    const float yStep = targetHeight > 1 ? float(sourceHeight - 1) / float(targetHeight - 1) : 0.0f;
    auto at = [&](int row, int column, int k) {
        return int(source[(size_t(row) * size_t(sourceWidth) + size_t(column)) * size_t(bpp) + size_t(k)]);
    };
    std::vector<unsigned char> target;
    int row = 0;
    double yFraction = 0.0;
    for (int y = 0; y < targetHeight; y++) {
        const int below = row < sourceHeight - 1 ? row + 1 : row;
        int column = 0;
        double xFraction = 0.0;
        for (int x = 0; x < targetWidth; x++) {
            const int right = column < sourceWidth - 1 ? column + 1 : column;
            for (int k = 0; k < bpp; k++) {
                const int a = at(row, column, k), b = at(row, right, k);
                const int c = at(below, column, k), d = at(below, right, k);
                const double top = a + (b - a) * xFraction;
                const double bottom = c + (d - c) * xFraction;
                const int stored = int(top + (bottom - top) * yFraction + 0.5);
                target.push_back(static_cast<unsigned char>(stored >= 256 ? 255 : stored));
            }
            xFraction += xStep;
            if (xFraction >= 1.0) {
                xFraction -= 1.0;
                column++;
            }
        }
        yFraction += yStep;
        if (yFraction >= 1.0) {
            yFraction -= 1.0;
            row++;
        }
    }
    return target;
}

std::vector<unsigned char> Resample(const std::vector<unsigned char> &source, int sourceWidth, int sourceHeight,
                                    int targetWidth, int targetHeight, int bpp)
{
    std::vector<unsigned char> target(size_t(targetWidth) * size_t(targetHeight) * size_t(bpp));
    ResampleBilinear(source.data(), target.data(), sourceWidth, sourceHeight, targetWidth, targetHeight, bpp);
    return target;
}

struct Encoding {
    const char *name;
    int imageType, pixelDepth, colourMapBits, channels;
    unsigned format;
};

const Encoding ENCODINGS[] = {
    {"mapped, 24-bit map", 1, 8, 24, 3, IMAGE_GL_RGB},
    {"mapped, 32-bit map", 1, 8, 32, 4, IMAGE_GL_RGBA},
    {"24-bit", 2, 24, 0, 3, IMAGE_GL_RGB},
    {"32-bit", 2, 32, 0, 4, IMAGE_GL_RGBA},
    {"grey", 3, 8, 0, 1, IMAGE_GL_LUMINANCE},
    {"RLE mapped, 24-bit map", 9, 8, 24, 3, IMAGE_GL_RGB},
    {"RLE mapped, 32-bit map", 9, 8, 32, 4, IMAGE_GL_RGBA},
    {"RLE 24-bit", 10, 24, 0, 3, IMAGE_GL_RGB},
    {"RLE 32-bit", 10, 32, 0, 4, IMAGE_GL_RGBA},
    {"RLE grey", 11, 8, 0, 1, IMAGE_GL_LUMINANCE},
};

TEST(TgaDecoding, EveryEncodingAndStorageOrderGivesThePictureBottomRowFirst)
{
    unsigned seed = 1;
    for (const Encoding &e : ENCODINGS) {
        for (int width : {5, 6}) { // mirroring an odd width leaves a middle pixel
            for (int topToBottom = 0; topToBottom < 2; topToBottom++) {
                for (int rightToLeft = 0; rightToLeft < 2; rightToLeft++) {
                    SCOPED_TRACE(testing::Message() << e.name << ", " << width << "x3, top first " << topToBottom
                                                    << ", right to left " << rightToLeft);
                    Picture picture = MakePicture(width, 3, e.channels, seed++);
                    TgaEncoding encoding{e.imageType,      e.pixelDepth,     e.colourMapBits,
                                         topToBottom != 0, rightToLeft != 0, width == 5 ? "an ID field to skip" : ""};
                    Image image = ReadBytes(Encode(picture, encoding));
                    EXPECT_EQ(image.width, width);
                    EXPECT_EQ(image.height, 3);
                    EXPECT_EQ(image.bytesPerPixel, e.channels);
                    EXPECT_EQ(image.format, e.format);
                    EXPECT_EQ(PixelsOf(image), BottomRowFirst(picture));
                    EXPECT_STREQ(GetImageError(), "");

                    Image topFirst = ReadBytes(Encode(picture, encoding), IMAGE_NO_RESAMPLE | IMAGE_TOP_ROW_FIRST);
                    EXPECT_EQ(PixelsOf(topFirst), picture.pixels);
                }
            }
        }
    }
}

TEST(TgaDecoding, LargeRunLengthPicturesMatchTheirUncompressedTwins)
{
    // Larger than the unpacker's look-ahead, with runs and raw packets across row ends.
    for (int channels : {1, 3, 4}) {
        Picture picture = MakePicture(301, 203, channels, 7, 0);
        const int depth = channels * 8;
        const int type = channels == 1 ? 3 : 2;
        Image raw = ReadBytes(Encode(picture, {type, depth, 0, false, false, ""}));
        Image packed = ReadBytes(Encode(picture, {type + 8, depth, 0, false, false, ""}));
        EXPECT_EQ(PixelsOf(packed), PixelsOf(raw)) << channels << " channels";
        EXPECT_EQ(PixelsOf(raw), BottomRowFirst(picture));
    }
}

TEST(TgaDecoding, ThirtyTwoBitPicturesAreRgbaWhateverTheirAlphaBitsSay)
{
    Picture picture = MakePicture(4, 2, 4, 3);
    std::vector<unsigned char> bytes = Encode(picture, {2, 32, 0, false, false, ""});
    bytes[17] &= 0xf0;
    Image image = ReadBytes(bytes);
    EXPECT_EQ(image.format, unsigned(IMAGE_GL_RGBA));
    EXPECT_EQ(PixelsOf(image), BottomRowFirst(picture));
}

TEST(TgaRunLength, PacketsAreCutAtTheBufferEndAndNothingMoreIsRead)
{
    std::vector<unsigned char> run = {0x85, 9, 0xee, 0xee}; // 6 pixels of 9 into room for 4
    File file = OpenBytes(run);
    unsigned char grey[4];
    EXPECT_EQ(UnpackTgaRunLength(grey, 4, 1, file.get()), 4u);
    EXPECT_EQ(std::vector<unsigned char>(grey, grey + 4), std::vector<unsigned char>(4, 9));
    EXPECT_EQ(ftell(file.get()), 2);

    std::vector<unsigned char> raw = {0x04}; // 5 raw pixels into room for 2
    for (int i = 0; i < 15; i++)
        raw.push_back(static_cast<unsigned char>(i + 1));
    file = OpenBytes(raw);
    unsigned char rgb[6];
    EXPECT_EQ(UnpackTgaRunLength(rgb, 6, 3, file.get()), 6u);
    EXPECT_EQ(std::vector<unsigned char>(rgb, rgb + 6), std::vector<unsigned char>(raw.begin() + 1, raw.begin() + 7));
    EXPECT_EQ(ftell(file.get()), 7);

    // The data ends inside a run value: what is missing is zero.
    std::vector<unsigned char> cut = {0x01, 1, 2, 3, 4, 5, 6, 0x82, 7, 8};
    file = OpenBytes(cut);
    unsigned char out[15];
    memset(out, 0xaa, sizeof out);
    EXPECT_EQ(UnpackTgaRunLength(out, 15, 3, file.get()), 6u);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 15),
              std::vector<unsigned char>({1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// The file ends after `keep` bytes of pixel data; pixels it holds whole keep their
// colour, the others are black, wherever the storage order puts them.
TEST(TgaDecoding, AFileThatEndsEarlyLoadsWithWhatItLacksBlack)
{
    const Encoding *cases[] = {&ENCODINGS[0], &ENCODINGS[2], &ENCODINGS[3], &ENCODINGS[4]};
    for (const Encoding *e : cases) {
        for (int order = 0; order < 4; order++) {
            SCOPED_TRACE(testing::Message() << e->name << ", order " << order);
            const int width = 5, height = 3, wholePixels = 7;
            const bool topToBottom = order & 1, rightToLeft = order & 2;
            Picture picture = MakePicture(width, height, e->channels, 40 + unsigned(order));
            std::vector<unsigned char> bytes =
                Encode(picture, {e->imageType, e->pixelDepth, e->colourMapBits, topToBottom, rightToLeft, ""});
            const size_t fileBpp = size_t(e->pixelDepth / 8);
            const size_t pixelStart = bytes.size() - size_t(width * height) * fileBpp;
            bytes.resize(pixelStart + wholePixels * fileBpp + fileBpp / 2);

            Image image = ReadBytes(bytes);
            EXPECT_NE(strstr(GetImageError(), "ends early"), nullptr);
            std::vector<unsigned char> expected = BottomRowFirst(picture);
            for (int p = wholePixels; p < width * height; p++) {
                const int fileRow = p / width, fileColumn = p % width;
                const int y = topToBottom ? fileRow : height - 1 - fileRow; // counted from the top
                const int x = rightToLeft ? width - 1 - fileColumn : fileColumn;
                const size_t at = (size_t(height - 1 - y) * width + size_t(x)) * size_t(e->channels);
                std::fill(expected.begin() + long(at), expected.begin() + long(at) + e->channels, 0);
            }
            EXPECT_EQ(PixelsOf(image), expected);
        }
    }

    // Packets: two raw pixels, a run of three, and the sixth pixel missing.
    std::vector<unsigned char> packed = TgaHeaderBytes(0, 10, 0, 0, 3, 2, 24, 0x20);
    packed.insert(packed.end(), {0x01, 1, 2, 3, 4, 5, 6, 0x82, 7, 8, 9});
    Image image = ReadBytes(packed);
    EXPECT_EQ(PixelsOf(image), std::vector<unsigned char>({9, 8, 7, 9, 8, 7, 0, 0, 0, 3, 2, 1, 6, 5, 4, 9, 8, 7}));

    // A file that ends inside its colour map is black all over.
    std::vector<unsigned char> mapped = TgaHeaderBytes(1, 1, 4, 24, 2, 2, 8);
    mapped.insert(mapped.end(), {200, 200, 200, 100});
    image = ReadBytes(mapped);
    EXPECT_EQ(PixelsOf(image), std::vector<unsigned char>(12, 0));
}

TEST(TgaDecoding, ColourMapsNeverReadPastTheirEntries)
{
    // Two entries, and pixels that select entries 0, 1, 2 and 255: past the map is black.
    std::vector<unsigned char> bytes = TgaHeaderBytes(1, 1, 2, 24, 4, 1, 8);
    bytes.insert(bytes.end(), {10, 20, 30, 40, 50, 60, 0, 1, 2, 255});
    EXPECT_EQ(PixelsOf(ReadBytes(bytes)), std::vector<unsigned char>({30, 20, 10, 60, 50, 40, 0, 0, 0, 0, 0, 0}));

    bytes = TgaHeaderBytes(1, 9, 1, 32, 3, 1, 8);
    bytes.insert(bytes.end(), {1, 2, 3, 4, 0x82, 7});
    EXPECT_EQ(PixelsOf(ReadBytes(bytes)), std::vector<unsigned char>(12, 0));

    // With 24-bit pixels the map is passed over: the pixels carry their own colour.
    bytes = TgaHeaderBytes(1, 2, 2, 32, 2, 1, 24);
    bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16});
    Image image = ReadBytes(bytes);
    EXPECT_EQ(image.bytesPerPixel, 3);
    EXPECT_EQ(PixelsOf(image), std::vector<unsigned char>({13, 12, 11, 16, 15, 14}));
}

TEST(TgaDecoding, RefusesWhatItCannotReadAndSaysWhy)
{
    std::vector<unsigned char> notTga = {'P', '6', '\n', '4', ' ', '4', '\n', '2', '5', '5', '\n'};
    notTga.resize(64, 0x55);
    ExpectRefused(notTga, "not a TGA file");
    ExpectRefused(std::vector<unsigned char>(17, 0), "shorter than a header");
    ExpectRefused(TgaHeaderBytes(2, 2, 0, 0, 4, 4, 24), "not a TGA file");
    ExpectRefused(TgaHeaderBytes(0, 32, 0, 0, 4, 4, 8), "type 32 is not supported");
    ExpectRefused(TgaHeaderBytes(0, 2, 0, 0, 4, 4, 16), "16-bit pixels are not supported");
    ExpectRefused(TgaHeaderBytes(0, 10, 0, 0, 4, 4, 15), "15-bit pixels are not supported");
    ExpectRefused(TgaHeaderBytes(1, 1, 16, 16, 4, 4, 8), "16-bit entries");
    ExpectRefused(TgaHeaderBytes(1, 1, 257, 24, 4, 4, 8), "257 entries");
    ExpectRefused(TgaHeaderBytes(0, 2, 0, 0, 0, 4, 24), "empty (0x4)");
    ExpectRefused(TgaHeaderBytes(0, 3, 0, 0, 4, 0, 8), "empty (4x0)");
    // Refused from the header alone, before 16 GiB are asked for.
    ExpectRefused(TgaHeaderBytes(0, 2, 0, 0, 65535, 65535, 32), "65535x65535 is larger than the 16384x16384");
    // 5000 fits under 6000 as it is, but not once grown to 8192.
    ExpectRefused(TgaHeaderBytes(0, 3, 0, 0, 5000, 10, 8), "grows to 8192x16", 0, 6000);
    Image kept = ReadBytes(TgaHeaderBytes(0, 3, 0, 0, 5000, 10, 8), IMAGE_NO_RESAMPLE, 6000);
    EXPECT_EQ(kept.width, 5000);

    Image image;
    EXPECT_EQ(ReadImageFile(testing::TempDir().c_str(), &image, 0), 0);
    EXPECT_STREQ(GetImageError(), "is a directory");
    EXPECT_EQ(ReadImageFile((testing::TempDir() + "/no-such-picture.tga").c_str(), &image, 0), 0);
    EXPECT_STREQ(GetImageError(), "No such file or directory");
}

TEST(TgaDecoding, HeaderRefusalPutsTheFileBackAndAcceptanceSkipsTheIdField)
{
    std::vector<unsigned char> bytes = {7, 7, 7};
    std::vector<unsigned char> header = TgaHeaderBytes(0, 2, 0, 0, 1, 1, 16);
    bytes.insert(bytes.end(), header.begin(), header.end());
    File file = OpenBytes(bytes);
    fseek(file.get(), 3, SEEK_SET);
    TgaHeader parsed;
    EXPECT_EQ(ParseTgaHeader(file.get(), &parsed), 0);
    EXPECT_EQ(ftell(file.get()), 3);

    bytes = TgaHeaderBytes(0, 2, 0, 0, 1, 1, 24);
    bytes[0] = 5;
    bytes.resize(40, 0);
    file = OpenBytes(bytes);
    EXPECT_EQ(ParseTgaHeader(file.get(), &parsed), 1);
    EXPECT_EQ(ftell(file.get()), TGA_HEADER_SIZE + 5);
}

TEST(Resampling, PowerOfTwoSizes)
{
    // clang-format off
    const struct { int n, p; } cases[] = {{-3, 1}, {0, 1},     {1, 1},     {2, 2},       {3, 4},      {256, 256},
                                          {257, 512}, {300, 512}, {480, 512}, {640, 1024}, {65535, 65536}};
    // clang-format on
    for (const auto &c : cases)
        EXPECT_EQ(NextPowerOfTwo(c.n), c.p) << c.n;
}

TEST(Resampling, MatchesTheBilinearArithmeticToTheBit)
{
    // Odd sizes, single rows and columns, more than one strip of columns, and long
    // walks along each axis, where fractions summed in single precision would drift.
    // clang-format off
    const struct { int width, height, bpp; } cases[] = {{640, 480, 3}, {300, 200, 4}, {256, 100, 1}, {5, 7, 3},
                                                       {257, 3, 4},   {3, 1, 1},     {1, 5, 3},     {1000, 2, 1},
                                                       {7, 1000, 3}};
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " x" << c.bpp);
        Picture picture = MakePicture(c.width, c.height, c.bpp, unsigned(c.width), 0);
        const int width = NextPowerOfTwo(c.width), height = NextPowerOfTwo(c.height);
        std::vector<unsigned char> target = Resample(picture.pixels, c.width, c.height, width, height, c.bpp);
        EXPECT_EQ(target, ResampleByHand(picture.pixels, c.width, c.height, width, height, c.bpp));
        // The corner pixels sit on the source's corners.
        const size_t rowBytes = size_t(width) * size_t(c.bpp), sourceRowBytes = size_t(c.width) * size_t(c.bpp);
        EXPECT_TRUE(std::equal(target.end() - long(c.bpp), target.end(), picture.pixels.end() - long(c.bpp)));
        EXPECT_TRUE(std::equal(target.begin(), target.begin() + c.bpp, picture.pixels.begin()));
        EXPECT_TRUE(std::equal(target.end() - long(rowBytes), target.end() - long(rowBytes) + c.bpp,
                               picture.pixels.end() - long(sourceRowBytes)));
    }
}

TEST(Resampling, HalfwayValuesRoundUp)
{
    // Three pixels to five: steps of exactly one half, so every other value is a tie.
    const std::vector<unsigned char> line = {0, 1, 4};
    const std::vector<unsigned char> expected = {0, 1, 1, 3, 4};
    EXPECT_EQ(Resample(line, 3, 1, 5, 1, 1), expected);
    EXPECT_EQ(Resample(line, 1, 3, 1, 5, 1), expected);
}

TEST(Resampling, AnAxisThatKeepsItsSizeIsNotInterpolated)
{
    // 256x100 grows to 256x128: every column comes out as if resampled on its own.
    Picture picture = MakePicture(256, 100, 1, 11, 0);
    std::vector<unsigned char> target = Resample(picture.pixels, 256, 100, 256, 128, 1);
    for (int x = 0; x < 256; x += 17) {
        std::vector<unsigned char> column;
        for (int y = 0; y < 100; y++)
            column.push_back(picture.pixels[size_t(y) * 256 + size_t(x)]);
        std::vector<unsigned char> expected = Resample(column, 1, 100, 1, 128, 1);
        for (int y = 0; y < 128; y++)
            ASSERT_EQ(target[size_t(y) * 256 + size_t(x)], expected[size_t(y)]) << x << ", " << y;
    }
}

TEST(Resampling, BrightEdgesStayBright)
{
    // Channel 0 is 255 everywhere, channel 1 a hard 255/0 edge: nothing wraps to 0
    // and nothing rounds down to 254.
    Picture picture{300, 200, 2, {}};
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 300; x++)
            picture.pixels.insert(picture.pixels.end(), {255, static_cast<unsigned char>(x < 150 ? 255 : 0)});
    std::vector<unsigned char> target = Resample(picture.pixels, 300, 200, 512, 256, 2);
    for (size_t i = 0; i < target.size(); i += 2) {
        ASSERT_EQ(target[i], 255) << i;
        if ((i / 2) % 512 < 255) {
            ASSERT_EQ(target[i + 1], 255) << i;
        }
    }
}

TEST(Resampling, ReadingGrowsToPowersOfTwoAndLeavesThemAlone)
{
    Picture picture = MakePicture(640, 480, 3, 5, 0);
    Image image = ReadBytes(Encode(picture, {2, 24, 0, false, false, ""}), 0);
    EXPECT_EQ(image.width, 1024);
    EXPECT_EQ(image.height, 512);
    EXPECT_EQ(PixelsOf(image), ResampleByHand(BottomRowFirst(picture), 640, 480, 1024, 512, 3));

    Picture dot = MakePicture(1, 1, 4, 6);
    image = ReadBytes(Encode(dot, {2, 32, 0, false, false, ""}), 0);
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(PixelsOf(image), dot.pixels);
}

} // namespace
