// Pictures into textures: reads a TGA file and uploads it as level 0 of the bound
// texture, and on request its smaller levels. What it learns of a window's OpenGL
// (the largest texture, the automatic mipmap extension) it asks once per window.

#include "textures/textures.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <cstdio>

#include "platform/extension_list.h"
#include "platform/window.h"
#include "textures/image.h"

#define GENERATE_MIPMAP_EXTENSION "GL_SGIS_generate_mipmap"

// Serial of the window each answer belongs to; 0 before any.
static unsigned s_maxSizeWindow = 0;
static int s_maxTextureSize = IMAGE_MAX_SIZE;
static unsigned s_mipmapWindow = 0;
static int s_hasGenerateMipmap = 0;

// Read before the picture, so that one larger than this OpenGL takes is refused
// before its pixels are allocated.
static int GetMaxTextureSize()
{
    if (s_maxSizeWindow != GetWindowSerial()) {
        GLint size = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
        s_maxTextureSize = size > 0 ? size : IMAGE_MAX_SIZE;
        s_maxSizeWindow = GetWindowSerial();
    }
    return s_maxTextureSize;
}

static void CheckGenerateMipmap()
{
    if (s_mipmapWindow == GetWindowSerial())
        return;
    const char *list = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    s_hasGenerateMipmap =
        ExtensionListHas(list, GENERATE_MIPMAP_EXTENSION) || glfwExtensionSupported(GENERATE_MIPMAP_EXTENSION);
    s_mipmapWindow = GetWindowSerial();
}

static void UploadLevel(const Image *image, int level)
{
    glTexImage2D(GL_TEXTURE_2D, level, image->bytesPerPixel, image->width, image->height, 0, image->format,
                 GL_UNSIGNED_BYTE, image->pixels.get());
}

// Shrinks the picture in place to half its size, each side at least 1: 2x2 blocks
// averaged with rounding, or pairs once one side is 1. Every pixel written lies at
// or before the pixels it is made from.
static void HalveImage(Image *image)
{
    const size_t bpp = size_t(image->bytesPerPixel);
    const int halfWidth = image->width > 1 ? image->width / 2 : 1;
    const int halfHeight = image->height > 1 ? image->height / 2 : 1;
    unsigned char *p = image->pixels.get();
    if (image->width > 1 && image->height > 1) {
        const size_t rowBytes = size_t(image->width) * bpp;
        for (int y = 0; y < halfHeight; y++) {
            for (int x = 0; x < halfWidth; x++) {
                const unsigned char *a = p + size_t(2 * y) * rowBytes + size_t(2 * x) * bpp;
                unsigned char *out = p + (size_t(y) * size_t(halfWidth) + size_t(x)) * bpp;
                for (size_t k = 0; k < bpp; k++)
                    out[k] = static_cast<unsigned char>(
                        (a[k] + a[bpp + k] + a[rowBytes + k] + a[rowBytes + bpp + k] + 2) / 4);
            }
        }
    } else {
        const size_t count = size_t(halfWidth) * size_t(halfHeight);
        for (size_t i = 0; i < count; i++)
            for (size_t k = 0; k < bpp; k++)
                p[i * bpp + k] = static_cast<unsigned char>((p[2 * i * bpp + k] + p[(2 * i + 1) * bpp + k] + 1) / 2);
    }
    image->width = halfWidth;
    image->height = halfHeight;
}

int LoadTextureImage(const char *fileName, int flags)
{
    if (!glfwGetWindowParam(GLFW_OPENED))
        return 0;
    // Textures are always resampled: OpenGL 1.1 takes power-of-two sizes only.
    flags &= ~IMAGE_NO_RESAMPLE;

    Image image;
    if (!ReadImageFile(fileName, &image, flags, GetMaxTextureSize())) {
        fprintf(stderr, "textures: %s: %s\n", fileName, GetImageError());
        return 0;
    }
    if (GetImageError()[0])
        fprintf(stderr, "textures: %s: %s\n", fileName, GetImageError());

    CheckGenerateMipmap();

    // Rows are packed without padding, which the default alignment of 4 would expect.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    if ((flags & IMAGE_BUILD_MIPMAPS) && s_hasGenerateMipmap) {
        GLint generate = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, &generate);
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, 1);
        UploadLevel(&image, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, generate);
    } else {
        UploadLevel(&image, 0);
        if (flags & IMAGE_BUILD_MIPMAPS) {
            for (int level = 1; image.width > 1 || image.height > 1; level++) {
                HalveImage(&image);
                UploadLevel(&image, level);
            }
        }
    }

    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return 1;
}
