// libFuzzer target for the TGA decoder: any bytes as a file, decoded as the show
// reads pictures, then grown to powers of two like every texture.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "textures/image.h"

// Sides up to 1024 reach every code path (resampling works in strips of 256
// columns), but a header alone can ask for megabytes of black: pictures of more
// than FUZZ_MAX_PIXELS are read with the small cap, which refuses them, so the
// fuzzer spends its time on pixel data rather than on zero-filling.
#define FUZZ_MAX_SIZE 1024
#define FUZZ_MAX_PIXELS (1 << 14)
#define FUZZ_SMALL_SIZE 64

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0; // fmemopen refuses an empty buffer
    std::vector<unsigned char> bytes(data, data + size);
    FILE *file = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!file)
        return 0;
    const size_t width = size >= 16 ? size_t(data[12] | data[13] << 8) : 0;
    const size_t height = size >= 16 ? size_t(data[14] | data[15] << 8) : 0;
    const int maxSize = width * height > FUZZ_MAX_PIXELS ? FUZZ_SMALL_SIZE : FUZZ_MAX_SIZE;
    Image image;
    const int decoded = DecodeTgaFile(file, &image, 0, maxSize);
    fclose(file);
    if (!decoded)
        return 0;

    if (image.width < 1 || image.height < 1 || image.width > maxSize || image.height > maxSize ||
        (image.bytesPerPixel != 1 && image.bytesPerPixel != 3 && image.bytesPerPixel != 4))
        abort();
    const int targetWidth = NextPowerOfTwo(image.width), targetHeight = NextPowerOfTwo(image.height);
    std::vector<unsigned char> target(size_t(targetWidth) * size_t(targetHeight) * size_t(image.bytesPerPixel));
    ResampleBilinear(image.pixels.get(), target.data(), image.width, image.height, targetWidth, targetHeight,
                     image.bytesPerPixel);
    // Corners land on the source's corners: a cheap check that the walk stayed in step.
    if (target[0] != image.pixels[0])
        abort();
    return 0;
}
