// Uploads into a real OpenGL (Mesa, headless through EGL), read back with
// glGetTexImage: what the texture holds is what the loader decoded.

#include <gtest/gtest.h>

#include <GL/gl.h>

#include "picture_files.h"
#include "platform/headless/egl_context.h"
#include "recording_window.h"
#include "textures/image.h"
#include "textures/textures.h"

namespace {

struct Level {
    int width = 0, height = 0;
    int luminanceBits = 0, alphaBits = 0;
    std::vector<unsigned char> pixels;
};

// A level of the bound texture, read back in the format it was uploaded in.
Level ReadLevel(int level, GLenum format, int bytesPerPixel)
{
    Level read;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &read.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &read.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_LUMINANCE_SIZE, &read.luminanceBits);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_ALPHA_SIZE, &read.alphaBits);
    read.pixels.resize(size_t(read.width) * size_t(read.height) * size_t(bytesPerPixel));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!read.pixels.empty())
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, read.pixels.data());
    return read;
}

class MesaUpload : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!context_.Valid())
            GTEST_SKIP() << "no headless OpenGL here: " << context_.Error();
        winrec::Open(640, 480);
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
    }

    EglContext context_{16, 16};
    GLuint texture_ = 0;
};

TEST_F(MesaUpload, TheTextureHoldsTheDecodedPicture)
{
    const struct {
        int width, height, channels;
        TgaEncoding encoding;
    } cases[] = {
        {2, 2, 3, {2, 24, 0, false, false, ""}},   // rows of 6 bytes: unpacked with alignment 1
        {1, 3, 1, {3, 8, 0, true, false, ""}},     // rows of 1 byte
        {100, 60, 4, {10, 32, 0, true, true, ""}}, // resampled to 128x64
        {6, 3, 3, {9, 8, 24, false, false, ""}},   // colour-mapped, 8x4
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " type " << c.encoding.imageType);
        const std::string path =
            WriteTestFile("real.tga", Encode(MakePicture(c.width, c.height, c.channels, 9), c.encoding));
        Image expected;
        ASSERT_TRUE(ReadImageFile(path.c_str(), &expected, 0));
        ASSERT_EQ(LoadTextureImage(path.c_str(), 0), 1);
        Level level = ReadLevel(0, expected.format, expected.bytesPerPixel);
        EXPECT_EQ(level.width, expected.width);
        EXPECT_EQ(level.height, expected.height);
        EXPECT_EQ(level.luminanceBits > 0, expected.bytesPerPixel == 1);
        EXPECT_EQ(level.alphaBits > 0, expected.bytesPerPixel == 4);
        const size_t bytes = size_t(expected.width) * size_t(expected.height) * size_t(expected.bytesPerPixel);
        EXPECT_EQ(level.pixels, std::vector<unsigned char>(expected.pixels.get(), expected.pixels.get() + bytes));
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MesaUpload, MipmapsComeFromTheDriverWhenItOffersThem)
{
    const std::string path =
        WriteTestFile("levels.tga", Encode(MakePicture(8, 4, 3, 10), {2, 24, 0, false, false, ""}));
    ASSERT_EQ(LoadTextureImage(path.c_str(), IMAGE_BUILD_MIPMAPS), 1);
    for (int level = 1, width = 4, height = 2; level <= 3;
         level++, width = std::max(1, width / 2), height = std::max(1, height / 2)) {
        Level read = ReadLevel(level, GL_RGB, 3);
        EXPECT_EQ(read.width, width) << "level " << level;
        EXPECT_EQ(read.height, height) << "level " << level;
    }
    GLint generate = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, &generate);
    EXPECT_EQ(generate, GL_FALSE);
}

} // namespace
