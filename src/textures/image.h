// Reading TGA pictures into tightly packed pixels whose first row is the bottom of
// the picture, resampled to power-of-two sizes: what a texture upload wants. No
// OpenGL calls here, only its enum values, so the picture tool, the benchmark and
// the fuzzer use the very same code as the show.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>

#define IMAGE_GL_RGB 0x1907       // GL_RGB
#define IMAGE_GL_RGBA 0x1908      // GL_RGBA
#define IMAGE_GL_LUMINANCE 0x1909 // GL_LUMINANCE

// Flags of ReadImageFile and LoadTextureImage; the show passes none.
#define IMAGE_NO_RESAMPLE 1   // keep the file's size
#define IMAGE_TOP_ROW_FIRST 2 // first row of the result is the top of the picture
#define IMAGE_BUILD_MIPMAPS 4 // LoadTextureImage also fills the smaller levels

// The largest width or height read when no OpenGL context says otherwise: a
// 16384 x 16384 RGBA picture already takes 1 GiB.
#define IMAGE_MAX_SIZE 16384

#define TGA_HEADER_SIZE 18

struct ImageFree {
    void operator()(unsigned char *pixels) const { free(pixels); }
};
// malloc'ed, so a failed allocation is an answer rather than an exception.
using ImagePixels = std::unique_ptr<unsigned char[], ImageFree>;

struct Image {
    int width = 0;
    int height = 0;
    unsigned format = 0; // IMAGE_GL_RGB, IMAGE_GL_RGBA or IMAGE_GL_LUMINANCE
    int bytesPerPixel = 0;
    ImagePixels pixels; // width x height x bytesPerPixel bytes, rows unpadded
};

struct TgaHeader {
    int idLength;
    int colourMapType;
    int imageType;
    int colourMapFirst;
    int colourMapLength;
    int colourMapEntryBits;
    int xOrigin, yOrigin;
    int width;
    int height;
    int pixelDepth;
    int descriptor;
};

// Opens a file of the show for reading only when it is a regular file, never
// waiting on a pipe or a device: null when it cannot be opened (errno says why) or
// is something else (*notRegular then says what: "is a directory" or "not a
// regular file"; null otherwise).
FILE *OpenRegularFile(const char *fileName, const char **notRegular);

// Each returns 1 on success and 0 on failure; GetImageError then says why.
// maxSize caps the decoded width and height and, unless IMAGE_NO_RESAMPLE is set,
// the power-of-two ones, before anything is allocated.
int ReadImageFile(const char *fileName, Image *image, int flags, int maxSize = IMAGE_MAX_SIZE);
// Reads from `file` positioned at the start of the header; fills all but format.
int DecodeTgaFile(FILE *file, Image *image, int flags, int maxSize = IMAGE_MAX_SIZE);
// Reads and checks the header and skips the ID field; on refusal the file is put
// back where the header began.
int ParseTgaHeader(FILE *file, TgaHeader *header);
// Decodes packets into buffer until byteCount bytes are written, and returns how
// many of them came from the file: the rest of the buffer, where the file ended
// early, is zero. The file is left just after the last packet used.
size_t UnpackTgaRunLength(unsigned char *buffer, size_t byteCount, int bytesPerPixel, FILE *file);
// The first and last target pixel of each axis sit on the first and last source
// pixel. Expects target sizes no smaller than the source sizes.
void ResampleBilinear(const unsigned char *source, unsigned char *target, int sourceWidth, int sourceHeight,
                      int targetWidth, int targetHeight, int bytesPerPixel);
// The smallest power of two not below n; 1 for n <= 1.
int NextPowerOfTwo(int n);

// Why the last read failed, or, after a read that succeeded all the same, what was
// wrong with the file (it ended early); empty after a clean read.
const char *GetImageError();
