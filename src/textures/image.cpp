// TGA decoding: uncompressed and run-length encoded, colour-mapped (8-bit indices
// into a 24- or 32-bit map), true colour (24 or 32 bits) and 8-bit grey. Everything
// after the read works in place in the one pixel buffer, allocated at its final
// size from the start.
//
// What the loader does with files outside that subset:
// - A file shorter than its 18-byte header is refused. One that ends later still
//   loads: every pixel it does not hold completely is black (all bytes 0), and
//   GetImageError says so.
// - Width or height 0 is refused, and so is any size above the cap given.
// - A colour map beside 24- or 32-bit pixels is read past and ignored: such pixels
//   carry their own colour. Only 8-bit pixels go through a map.
// - An index past the end of the map selects black: the map is kept at 256
//   entries, those the file does not give are 0.

#include "textures/image.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>

#define TGA_MAP_ENTRIES 256
#define TGA_MAX_ENTRY_BYTES 4
// The look-ahead of the run-length unpacker.
#define TGA_INPUT_CHUNK 16384
// Raw pixel data is read and colour-swapped in slices this large, so that each
// slice is swapped while it is still in the cache.
#define TGA_READ_SLICE (256 * 1024)

struct RunLengthInput {
    FILE *file;
    unsigned char bytes[TGA_INPUT_CHUNK];
    size_t at;
    size_t end;
};

static char s_error[200];

static void SetImageError(const char *format, ...) __attribute__((format(printf, 1, 2)));

static void SetImageError(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(s_error, sizeof s_error, format, arguments);
    va_end(arguments);
}

static int ReadLittle16(const unsigned char *bytes)
{
    return bytes[0] | (bytes[1] << 8);
}

// a x b, or 0 (with *product untouched) when it does not fit a size_t.
static int MultiplySizes(size_t a, size_t b, size_t *product)
{
    if (b != 0 && a > SIZE_MAX / b)
        return 0;
    *product = a * b;
    return 1;
}

// Reads count bytes, or as many as the file still has; the rest becomes 0.
static size_t ReadOrZero(FILE *file, unsigned char *buffer, size_t count)
{
    size_t got = fread(buffer, 1, count, file);
    memset(buffer + got, 0, count - got);
    return got;
}

// BGR(A) to RGB(A).
static void SwapRedAndBlue(unsigned char *pixels, size_t pixelCount, int bytesPerPixel)
{
    if (bytesPerPixel == 4) {
        for (size_t i = 0; i < pixelCount; i++) {
            uint32_t value;
            memcpy(&value, pixels + i * 4, 4);
            value = (value & 0xff00ff00u) | ((value >> 16) & 0xffu) | ((value & 0xffu) << 16);
            memcpy(pixels + i * 4, &value, 4);
        }
    } else if (bytesPerPixel == 3) {
        for (size_t i = 0; i < pixelCount; i++)
            std::swap(pixels[i * 3], pixels[i * 3 + 2]);
    }
}

// Uncompressed pixel data straight into the buffer; true colour is swapped slice
// by slice as it arrives.
static size_t ReadStoredPixels(FILE *file, unsigned char *buffer, size_t byteCount, int bytesPerPixel)
{
    const size_t sliceBytes = TGA_READ_SLICE - TGA_READ_SLICE % size_t(bytesPerPixel);
    size_t done = 0;
    while (done < byteCount) {
        size_t want = std::min(sliceBytes, byteCount - done);
        size_t got = fread(buffer + done, 1, want, file);
        SwapRedAndBlue(buffer + done, got / size_t(bytesPerPixel), bytesPerPixel);
        done += got;
        if (got < want)
            break;
    }
    memset(buffer + done, 0, byteCount - done);
    return done;
}

static int RefillInput(RunLengthInput *input)
{
    input->at = 0;
    input->end = fread(input->bytes, 1, sizeof input->bytes, input->file);
    return input->end > 0;
}

// Copies up to count bytes from the look-ahead; fewer only where the file ends.
static size_t TakeInput(RunLengthInput *input, unsigned char *target, size_t count)
{
    size_t taken = 0;
    while (taken < count) {
        if (input->at == input->end && !RefillInput(input))
            break;
        size_t part = std::min(count - taken, input->end - input->at);
        memcpy(target + taken, input->bytes + input->at, part);
        input->at += part;
        taken += part;
    }
    return taken;
}

// Turns file rows around so that the first row is the bottom of the picture.
static void ReverseRows(unsigned char *pixels, size_t rowBytes, int height)
{
    for (int top = 0, bottom = height - 1; top < bottom; top++, bottom--)
        std::swap_ranges(pixels + size_t(top) * rowBytes, pixels + size_t(top + 1) * rowBytes,
                         pixels + size_t(bottom) * rowBytes);
}

// For rows stored right to left.
static void MirrorRows(unsigned char *pixels, int width, int height, int bytesPerPixel)
{
    const size_t rowBytes = size_t(width) * size_t(bytesPerPixel);
    for (int y = 0; y < height; y++) {
        unsigned char *left = pixels + size_t(y) * rowBytes;
        unsigned char *right = left + rowBytes - size_t(bytesPerPixel);
        for (; left < right; left += bytesPerPixel, right -= bytesPerPixel)
            std::swap_ranges(left, left + bytesPerPixel, right);
    }
}

// From the last pixel back to the first, so the entries overwrite only indices
// already used.
static void ExpandColourMap(unsigned char *pixels, size_t pixelCount, const unsigned char *map, int entryBytes)
{
    if (entryBytes == 4) {
        for (size_t i = pixelCount; i-- > 0;)
            memcpy(pixels + i * 4, map + size_t(pixels[i]) * 4, 4);
    } else {
        for (size_t i = pixelCount; i-- > 0;)
            memcpy(pixels + i * 3, map + size_t(pixels[i]) * 3, 3);
    }
}

// Blacks out, in the final order, the pixels from file pixel `first` on, which the
// file does not hold completely.
static void BlackOutMissing(unsigned char *pixels, int width, int height, int bytesPerPixel, size_t first,
                            int rowsReversed, int mirrored)
{
    const size_t rowBytes = size_t(width) * size_t(bytesPerPixel);
    for (size_t row = first / size_t(width); row < size_t(height); row++) {
        size_t from = row == first / size_t(width) ? first % size_t(width) : 0;
        size_t count = size_t(width) - from;
        size_t outRow = rowsReversed ? size_t(height) - 1 - row : row;
        size_t outColumn = mirrored ? 0 : from;
        memset(pixels + outRow * rowBytes + outColumn * size_t(bytesPerPixel), 0, count * size_t(bytesPerPixel));
    }
}

const char *GetImageError()
{
    return s_error;
}

int ParseTgaHeader(FILE *file, TgaHeader *header)
{
    unsigned char bytes[TGA_HEADER_SIZE];
    long start = ftell(file);
    size_t got = fread(bytes, 1, sizeof bytes, file);

    int refused = 1;
    if (got < sizeof bytes) {
        SetImageError("not a TGA file (%zu bytes, shorter than a header)", got);
    } else {
        header->idLength = bytes[0];
        header->colourMapType = bytes[1];
        header->imageType = bytes[2];
        header->colourMapFirst = ReadLittle16(bytes + 3);
        header->colourMapLength = ReadLittle16(bytes + 5);
        header->colourMapEntryBits = bytes[7];
        header->xOrigin = ReadLittle16(bytes + 8);
        header->yOrigin = ReadLittle16(bytes + 10);
        header->width = ReadLittle16(bytes + 12);
        header->height = ReadLittle16(bytes + 14);
        header->pixelDepth = bytes[16];
        header->descriptor = bytes[17];

        const int type = header->imageType;
        const int depth = header->pixelDepth;
        if (header->colourMapType > 1)
            SetImageError("not a TGA file");
        else if (type == 0 || type == 32 || type == 33)
            SetImageError("TGA image type %d is not supported", type);
        else if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11)
            SetImageError("not a TGA file");
        else if (depth != 8 && depth != 24 && depth != 32)
            SetImageError("%d-bit pixels are not supported", depth);
        else
            refused = 0;
    }
    if (refused) {
        if (start >= 0)
            fseek(file, start, SEEK_SET);
        return 0;
    }

    // Skipped by reading, which works on any stream and costs at most 255 bytes.
    unsigned char id[255];
    size_t skipped = fread(id, 1, size_t(header->idLength), file);
    (void)skipped; // a file that ends here loads black, like any short file
    return 1;
}

size_t UnpackTgaRunLength(unsigned char *buffer, size_t byteCount, int bytesPerPixel, FILE *file)
{
    RunLengthInput look;
    RunLengthInput *input = &look;
    input->file = file;
    input->at = input->end = 0;

    const size_t pixelBytes = size_t(bytesPerPixel);
    size_t written = 0;
    while (written < byteCount) {
        unsigned char packet;
        if (TakeInput(input, &packet, 1) < 1)
            break;
        const size_t wanted = (size_t(packet & 127) + 1) * pixelBytes;
        const size_t bytes = std::min(wanted, byteCount - written);
        unsigned char *out = buffer + written;
        if (packet & 128) {
            unsigned char value[TGA_MAX_ENTRY_BYTES];
            if (TakeInput(input, value, pixelBytes) < pixelBytes)
                break;
            if (pixelBytes == 1) {
                memset(out, value[0], bytes);
            } else {
                // Whole pixels, then the part a cut packet ends with.
                size_t i = 0;
                for (; i + pixelBytes <= bytes; i += pixelBytes)
                    memcpy(out + i, value, pixelBytes);
                memcpy(out + i, value, bytes - i);
            }
            written += bytes;
        } else {
            size_t got = TakeInput(input, out, bytes);
            written += got;
            if (got < bytes)
                break;
        }
    }
    memset(buffer + written, 0, byteCount - written);
    // Give back the look-ahead that was not used.
    if (input->end > input->at)
        fseek(file, -long(input->end - input->at), SEEK_CUR);
    return written;
}

int DecodeTgaFile(FILE *file, Image *image, int flags, int maxSize)
{
    TgaHeader header;
    if (!ParseTgaHeader(file, &header))
        return 0;

    const int mapEntryBytes = (header.colourMapEntryBits + 7) / 8;
    const size_t mapBytes = header.colourMapType == 1 ? size_t(mapEntryBytes) * size_t(header.colourMapLength) : 0;
    if (mapBytes > 0 && header.colourMapEntryBits != 24 && header.colourMapEntryBits != 32) {
        SetImageError("colour maps of %d-bit entries are not supported", header.colourMapEntryBits);
        return 0;
    }
    if (header.colourMapLength > TGA_MAP_ENTRIES && mapBytes > 0) {
        SetImageError("a colour map of %d entries is more than 256", header.colourMapLength);
        return 0;
    }

    const int width = header.width;
    const int height = header.height;
    if (width == 0 || height == 0) {
        SetImageError("the picture is empty (%dx%d)", width, height);
        return 0;
    }
    if (width > maxSize || height > maxSize) {
        SetImageError("%dx%d is larger than the %dx%d allowed", width, height, maxSize, maxSize);
        return 0;
    }
    if (!(flags & IMAGE_NO_RESAMPLE) && (NextPowerOfTwo(width) > maxSize || NextPowerOfTwo(height) > maxSize)) {
        SetImageError("%dx%d grows to %dx%d, larger than the %dx%d allowed", width, height, NextPowerOfTwo(width),
                      NextPowerOfTwo(height), maxSize, maxSize);
        return 0;
    }

    // 256 entries whatever the file gives, so any index lands inside the map.
    unsigned char map[TGA_MAP_ENTRIES * TGA_MAX_ENTRY_BYTES] = {};
    size_t fileEnd = 0; // bytes of map the file lacks count as the file ending early
    if (mapBytes > 0 && fread(map, 1, mapBytes, file) < mapBytes)
        fileEnd = 1;

    const int fileBytesPerPixel = (header.pixelDepth + 7) / 8;
    const int mapped = mapBytes > 0 && fileBytesPerPixel == 1;
    const int bytesPerPixel = mapped ? mapEntryBytes : fileBytesPerPixel;
    const int runLength = header.imageType >= 9;

    size_t pixelCount, fileBytes, outBytes;
    if (!MultiplySizes(size_t(width), size_t(height), &pixelCount) ||
        !MultiplySizes(pixelCount, size_t(fileBytesPerPixel), &fileBytes) ||
        !MultiplySizes(pixelCount, size_t(bytesPerPixel), &outBytes)) {
        SetImageError("%dx%d is too large for this machine", width, height);
        return 0;
    }
    ImagePixels pixels(static_cast<unsigned char *>(malloc(outBytes)));
    if (!pixels) {
        SetImageError("out of memory for %zu bytes", outBytes);
        return 0;
    }

    // True colour is swapped to RGB while it is read: the swap is per pixel, so it
    // gives what swapping after the reordering below would.
    const int swapWhileReading = !mapped && !runLength && fileBytesPerPixel > 1;
    size_t got;
    if (runLength)
        got = UnpackTgaRunLength(pixels.get(), fileBytes, fileBytesPerPixel, file);
    else if (swapWhileReading)
        got = ReadStoredPixels(file, pixels.get(), fileBytes, fileBytesPerPixel);
    else
        got = ReadOrZero(file, pixels.get(), fileBytes);
    if (ferror(file)) {
        SetImageError("read error: %s", strerror(errno));
        return 0;
    }

    const int rowsReversed = ((header.descriptor & 0x20) != 0) != ((flags & IMAGE_TOP_ROW_FIRST) != 0);
    const int mirrored = (header.descriptor & 0x10) != 0;
    if (rowsReversed)
        ReverseRows(pixels.get(), size_t(width) * size_t(fileBytesPerPixel), height);
    if (mirrored)
        MirrorRows(pixels.get(), width, height, fileBytesPerPixel);

    if (mapped) {
        for (int i = 0; i < TGA_MAP_ENTRIES; i++)
            std::swap(map[i * mapEntryBytes], map[i * mapEntryBytes + 2]);
        ExpandColourMap(pixels.get(), pixelCount, map, mapEntryBytes);
    } else if (!swapWhileReading) {
        SwapRedAndBlue(pixels.get(), pixelCount, fileBytesPerPixel);
    }

    s_error[0] = '\0';
    const size_t wholePixels = got / size_t(fileBytesPerPixel);
    if (wholePixels < pixelCount) {
        BlackOutMissing(pixels.get(), width, height, bytesPerPixel, wholePixels, rowsReversed, mirrored);
        fileEnd = 1;
    }
    if (fileEnd)
        SetImageError("the file ends early: what it lacks is black");

    image->width = width;
    image->height = height;
    image->bytesPerPixel = bytesPerPixel;
    image->pixels = std::move(pixels);
    return 1;
}

int ReadImageFile(const char *fileName, Image *image, int flags, int maxSize)
{
    image->width = image->height = image->bytesPerPixel = 0;
    image->format = 0;
    image->pixels.reset();

    FILE *file = fopen(fileName, "rb");
    if (!file) {
        SetImageError("%s", strerror(errno));
        return 0;
    }
    // fopen opens a directory for reading on Linux, and a pipe would block.
    struct stat info;
    if (fstat(fileno(file), &info) != 0)
        info.st_mode = 0;
    if (!S_ISREG(info.st_mode)) {
        SetImageError("%s", S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file");
        fclose(file);
        return 0;
    }
    int decoded = DecodeTgaFile(file, image, flags, maxSize);
    fclose(file);
    if (!decoded)
        return 0;

    if (!(flags & IMAGE_NO_RESAMPLE)) {
        const int targetWidth = NextPowerOfTwo(image->width);
        const int targetHeight = NextPowerOfTwo(image->height);
        if (targetWidth != image->width || targetHeight != image->height) {
            size_t targetPixels, targetBytes;
            ImagePixels target;
            if (MultiplySizes(size_t(targetWidth), size_t(targetHeight), &targetPixels) &&
                MultiplySizes(targetPixels, size_t(image->bytesPerPixel), &targetBytes))
                target.reset(static_cast<unsigned char *>(malloc(targetBytes)));
            if (!target) {
                SetImageError("out of memory for the %dx%d resampled picture", targetWidth, targetHeight);
                image->width = image->height = image->bytesPerPixel = 0;
                image->pixels.reset();
                return 0;
            }
            ResampleBilinear(image->pixels.get(), target.get(), image->width, image->height, targetWidth,
                             targetHeight, image->bytesPerPixel);
            image->pixels = std::move(target);
            image->width = targetWidth;
            image->height = targetHeight;
        }
    }
    image->format = image->bytesPerPixel == 3 ? IMAGE_GL_RGB
                    : image->bytesPerPixel == 4 ? IMAGE_GL_RGBA
                                                : IMAGE_GL_LUMINANCE;
    return 1;
}
