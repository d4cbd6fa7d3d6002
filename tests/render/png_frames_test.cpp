// Frames written by worker threads come back from their files as they were
// drawn (less the alpha, frames being opaque), each under its own number,
// whatever the threads' order; a file that cannot be written stops the run and
// is named.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <png.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "png_frames.h"
#include "png_writer.h"
#include "temporary_file.h"

namespace {

// The picture a file holds, in the channels asked, top row first.
std::vector<unsigned char> ReadPng(const std::string &path, png_uint_32 format)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = format;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return {};
    return pixels;
}

struct Folder {
    std::string path = TemporaryDirectory() + "/heartcube-png-frames-XXXXXX";
    Folder() { EXPECT_NE(mkdtemp(path.data()), nullptr) << path; }
    ~Folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

TEST(PngFrames, EachFileHoldsItsOwnFrame)
{
    const int width = 37, height = 23;
    const long FIRST = 1200, COUNT = 40;
    auto byte = [](long frame, size_t i) { return static_cast<unsigned char>((i * 7 + size_t(frame) * 31) % 251); };
    Folder folder;
    {
        // More frames than buffers, so each buffer is drawn into again while others are written.
        PngFrames frames(folder.path, width, height, 3);
        for (long frame = FIRST; frame < FIRST + COUNT; frame++) {
            std::vector<unsigned char> &rgba = frames.NextBuffer();
            for (size_t i = 0; i < rgba.size(); i++)
                rgba[i] = byte(frame, i);
            ASSERT_TRUE(frames.Submit(frame)) << frames.Error();
        }
        ASSERT_TRUE(frames.Finish()) << frames.Error();
    }
    for (long frame = FIRST; frame < FIRST + COUNT; frame++) {
        // RGB files: read as RGB, an alpha channel would be blended away.
        std::vector<unsigned char> read = ReadPng(folder.path + "/" + PngFrames::FileName(frame), PNG_FORMAT_RGB);
        ASSERT_EQ(read.size(), size_t(width) * height * 3) << "frame " << frame;
        // The buffers hold the bottom row first, the files the top row.
        for (size_t y = 0; y < size_t(height); y++)
            for (size_t x = 0; x < size_t(width) * 3; x++)
                ASSERT_EQ(read[(y * width) * 3 + x], byte(frame, ((height - 1 - y) * width + x / 3) * 4 + x % 3))
                    << "frame " << frame << " row " << y;
    }
}

TEST(PngFrames, AFileThatCannotBeWrittenStopsTheRun)
{
    PngFrames frames("/nonexistent/frames", 8, 8, 2);
    bool stopped = false;
    for (long frame = 0; frame < 100 && !stopped; frame++)
        stopped = !frames.Submit(frame);
    EXPECT_FALSE(frames.Finish());
    EXPECT_NE(frames.Error().find("/nonexistent/frames/frame-0000"), std::string::npos) << frames.Error();
}

TEST(PngWriter, FastFilesKeepEveryChannelCount)
{
    const png_uint_32 FORMATS[] = {0, PNG_FORMAT_GRAY, PNG_FORMAT_GA, PNG_FORMAT_RGB, PNG_FORMAT_RGBA};
    Folder folder;
    for (int channels = 1; channels <= 4; channels++) {
        std::vector<unsigned char> pixels(size_t(5) * 3 * size_t(channels));
        for (size_t i = 0; i < pixels.size(); i++)
            pixels[i] = static_cast<unsigned char>(rand());
        const std::string path = folder.path + "/c" + std::to_string(channels) + ".png";
        ASSERT_EQ(WritePng(path, {pixels.data(), 5, 3, channels}), "");
        EXPECT_EQ(ReadPng(path, FORMATS[channels]), pixels) << channels << " channels";
    }
}

} // namespace
