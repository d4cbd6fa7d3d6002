// Texture upload and the texture table, on the recording OpenGL and a scripted window.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "gl_recorder.h"
#include "picture_files.h"
#include "recording_window.h"
#include "test_folder.h"
#include "textures/image.h"
#include "textures/textures.h"

namespace {

class TextureUpload : public ::testing::Test {
protected:
    // Each test opens a window of its own, as what the loader learns is kept per window.
    void SetUp() override
    {
        glrec::Reset();
        glrec::SetExtensions("GL_ARB_multitexture GL_EXT_texture_env_add");
        glrec::SetMaxTextureSize(16384);
        OpenNewWindow();
    }

    // The window system's own extensions come with the window.
    static void OpenNewWindow(const char *windowExtensions = "") { winrec::Open(640, 480, windowExtensions); }

    // Loads the file and returns what was printed on stderr; stdout must stay empty.
    std::string Load(const std::string &path, int flags, int expected)
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(LoadTextureImage(path.c_str(), flags), expected) << path;
        std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        return errors;
    }

    std::string LoadPicture(const Picture &picture, const TgaEncoding &encoding, int flags = 0)
    {
        return Load(WriteTestFile("picture.tga", Encode(picture, encoding)), flags, 1);
    }
};

TEST_F(TextureUpload, UploadsLevelZeroWithPackedRowsAndPutsTheAlignmentBack)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    Picture picture = MakePicture(256, 256, 3, 1, 0);
    EXPECT_EQ(LoadPicture(picture, {2, 24, 0, false, false, ""}), "");

    EXPECT_EQ(glrec::Names(),
              std::vector<std::string>({"glPixelStorei", "glGetIntegerv", "glGetString", "glGetIntegerv",
                                        "glPixelStorei", "glTexImage2D", "glPixelStorei"}));
    EXPECT_EQ(glrec::Format(glrec::Calls()[4]), glrec::Format({"glPixelStorei", {GL_UNPACK_ALIGNMENT, 1}}));
    EXPECT_EQ(glrec::Format(glrec::Calls()[5]),
              glrec::Format({"glTexImage2D", {GL_TEXTURE_2D, 0, 3, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE}}));
    EXPECT_EQ(glrec::State().unpackAlignment, 8);
    ASSERT_EQ(glrec::Uploads().size(), 1u);
    EXPECT_EQ(glrec::Uploads()[0].pixels, BottomRowFirst(picture));
}

TEST_F(TextureUpload, SizesGrowToPowersOfTwoAndFormatsFollowThePixels)
{
    const struct {
        int width, height, channels;
        TgaEncoding encoding;
        int uploadWidth, uploadHeight;
        GLenum format;
    } cases[] = {
        {640, 480, 3, {2, 24, 0, false, false, ""}, 1024, 512, GL_RGB},
        {300, 200, 4, {10, 32, 0, true, false, ""}, 512, 256, GL_RGBA},
        {1, 1, 3, {2, 24, 0, false, false, ""}, 1, 1, GL_RGB},
        {3, 5, 1, {3, 8, 0, false, false, ""}, 4, 8, GL_LUMINANCE},
        {6, 2, 1, {11, 8, 0, false, true, ""}, 8, 2, GL_LUMINANCE},
        {4, 4, 3, {1, 8, 24, false, false, ""}, 4, 4, GL_RGB},
        {4, 4, 4, {9, 8, 32, false, false, ""}, 4, 4, GL_RGBA},
    };
    for (const auto &c : cases) {
        LoadPicture(MakePicture(c.width, c.height, c.channels, 2), c.encoding);
        const GlUpload &upload = glrec::Uploads().back();
        EXPECT_EQ(upload.width, c.uploadWidth) << c.width << "x" << c.height;
        EXPECT_EQ(upload.height, c.uploadHeight) << c.width << "x" << c.height;
        EXPECT_EQ(upload.format, c.format) << c.width << "x" << c.height;
        EXPECT_EQ(upload.internalFormat, c.channels) << c.width << "x" << c.height;
    }
    EXPECT_EQ(glrec::Uploads().size(), std::size(cases));

    // Textures are resampled even when asked not to be.
    LoadPicture(MakePicture(5, 3, 3, 2), {2, 24, 0, false, false, ""}, IMAGE_NO_RESAMPLE);
    EXPECT_EQ(glrec::Uploads().back().width, 8);
}

TEST_F(TextureUpload, FailuresTouchNoOpenGlStateAndNameTheFileOnce)
{
    std::vector<unsigned char> notTga(100, 'x');
    // clang-format off
    const struct { std::string path, reason; } cases[] = {
        {WriteTestFile("deep.tga", TgaHeaderBytes(0, 2, 0, 0, 4, 4, 16)), "16-bit pixels are not supported"},
        {WriteTestFile("text.tga", notTga), "not a TGA file"},
        {testing::TempDir() + "/missing.tga", "No such file or directory"},
    };
    // clang-format on
    for (const auto &c : cases) {
        glrec::Reset();
        EXPECT_EQ(Load(c.path, 0, 0), "textures: " + c.path + ": " + c.reason + "\n");
        EXPECT_TRUE(glrec::Only({"glTexImage2D", "glPixelStorei", "glGetString"}).empty()) << c.path;
        EXPECT_EQ(glrec::State().unpackAlignment, 4);
    }

    // Larger than this OpenGL takes: refused before it is decoded.
    glrec::SetMaxTextureSize(512);
    OpenNewWindow();
    glrec::Reset();
    std::string wide = WriteTestFile("wide.tga", TgaHeaderBytes(0, 3, 0, 0, 513, 4, 8));
    EXPECT_EQ(Load(wide, 0, 0), "textures: " + wide + ": 513x4 is larger than the 512x512 allowed\n");
    EXPECT_TRUE(glrec::Uploads().empty());

    // With the window closed nothing is read and no call is made.
    winrec::Close();
    glrec::Reset();
    EXPECT_EQ(Load(wide, 0, 0), "");
    EXPECT_TRUE(glrec::Calls().empty());
}

TEST_F(TextureUpload, AShortFileStillLoadsAndSaysSo)
{
    std::vector<unsigned char> bytes = TgaHeaderBytes(0, 3, 0, 0, 2, 2, 8);
    bytes.push_back(9);
    const std::string path = WriteTestFile("short.tga", bytes);
    EXPECT_EQ(Load(path, 0, 1), "textures: " + path + ": the file ends early: what it lacks is black\n");
    EXPECT_EQ(glrec::Uploads().back().pixels, std::vector<unsigned char>({9, 0, 0, 0}));
}

TEST_F(TextureUpload, MipmapExtensionIsAskedOncePerWindowAsAWholeWord)
{
    const std::string path = WriteTestFile("dot.tga", Encode(MakePicture(2, 2, 1, 3), {3, 8, 0, false, false, ""}));
    glrec::SetExtensions("GL_SGIS_generate_mipmap_extra GL_X");
    Load(path, IMAGE_BUILD_MIPMAPS, 1);
    Load(path, IMAGE_BUILD_MIPMAPS, 1);
    EXPECT_EQ(glrec::Only({"glGetString"}).size(), 1u);
    EXPECT_TRUE(glrec::Only({"glGetTexParameteriv"}).empty()) << "a longer name is not the extension";

    // A new window is asked again; the window system's list counts too.
    OpenNewWindow("GL_SGIS_generate_mipmap");
    glrec::Reset();
    Load(path, IMAGE_BUILD_MIPMAPS, 1);
    EXPECT_EQ(glrec::Only({"glGetString"}).size(), 1u);
    EXPECT_EQ(glrec::Only({"glGetTexParameteriv"}).size(), 1u);

    // Found in the OpenGL list, at its end.
    OpenNewWindow();
    glrec::SetExtensions("GL_X GL_SGIS_generate_mipmap");
    glrec::Reset();
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 0);
    glrec::Reset();
    Load(path, IMAGE_BUILD_MIPMAPS, 1);
    std::vector<std::string> texture;
    for (const GlCall &call : glrec::Only({"glGetTexParameteriv", "glTexParameteri", "glTexImage2D"}))
        texture.push_back(glrec::Format(call));
    const std::vector<std::string> expected = {
        glrec::Format({"glGetTexParameteriv", {GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS}}),
        glrec::Format({"glTexParameteri", {GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 1}}),
        glrec::Format({"glTexImage2D", {GL_TEXTURE_2D, 0, 1, 2, 2, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE}}),
        glrec::Format({"glTexParameteri", {GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 0}}),
    };
    EXPECT_EQ(texture, expected);
}

TEST_F(TextureUpload, WithoutTheExtensionEachLevelAveragesTheOneAbove)
{
    // 4x2 grey, bottom row first: 10 20 30 41 / 50 61 70 80.
    std::vector<unsigned char> bytes = TgaHeaderBytes(0, 3, 0, 0, 4, 2, 8);
    bytes.insert(bytes.end(), {10, 20, 30, 41, 50, 61, 70, 80});
    Load(WriteTestFile("levels.tga", bytes), IMAGE_BUILD_MIPMAPS, 1);
    ASSERT_EQ(glrec::Uploads().size(), 3u);
    EXPECT_EQ(glrec::Uploads()[1].level, 1);
    EXPECT_EQ(glrec::Uploads()[1].width, 2);
    EXPECT_EQ(glrec::Uploads()[1].height, 1);
    // (10+20+50+61+2)/4 = 35, (30+41+70+80+2)/4 = 55, then (35+55+1)/2 = 45.
    EXPECT_EQ(glrec::Uploads()[1].pixels, std::vector<unsigned char>({35, 55}));
    EXPECT_EQ(glrec::Uploads()[2].level, 2);
    EXPECT_EQ(glrec::Uploads()[2].pixels, std::vector<unsigned char>({45}));
    EXPECT_EQ(glrec::State().unpackAlignment, 4);
}

TEST_F(TextureUpload, TheTableLoadsEveryEntryInOrderAndGoesOnPastMissingFiles)
{
    // Run where data/ holds only one picture, the heart.
    const std::filesystem::path before = std::filesystem::current_path();
    const std::filesystem::path show = TestFolder();
    std::filesystem::create_directory(show / "data");
    ASSERT_TRUE(
        WriteFile((show / "data/heart.tga").string(), Encode(MakePicture(3, 3, 4, 4), {2, 32, 0, false, false, ""})));
    std::filesystem::current_path(show);
    testing::internal::CaptureStderr();
    LoadTextures();
    const std::string errors = testing::internal::GetCapturedStderr();
    std::filesystem::current_path(before);

    EXPECT_EQ(glrec::Format(glrec::Calls()[0]), glrec::Format({"glGenTextures", {TEXTURE_COUNT}}));
    std::vector<GlCall> setup = glrec::Only({"glBindTexture", "glTexParameteri"});
    ASSERT_EQ(setup.size(), size_t(5 * TEXTURE_COUNT));
    for (int i = 0; i < TEXTURE_COUNT; i++) {
        const std::vector<std::string> expected = {
            glrec::Format({"glBindTexture", {GL_TEXTURE_2D, double(g_textures[i])}}),
            glrec::Format({"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}}),
            glrec::Format({"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT}}),
            glrec::Format({"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}}),
            glrec::Format({"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}}),
        };
        for (size_t k = 0; k < expected.size(); k++)
            EXPECT_EQ(glrec::Format(setup[size_t(i) * 5 + k]), expected[k]) << "entry " << i;
    }
    EXPECT_EQ(glrec::State().boundTexture, g_textures[TEXTURE_COUNT - 1]);
    ASSERT_EQ(glrec::Uploads().size(), 1u);
    EXPECT_EQ(glrec::Uploads()[0].width, 4);
    EXPECT_STREQ(g_textureFiles[14], "data/heart.tga");
    // One line for each of the 28 missing pictures.
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), TEXTURE_COUNT - 1);
    EXPECT_NE(errors.find("textures: data/end.tga: No such file or directory\n"), std::string::npos);
}

} // namespace
