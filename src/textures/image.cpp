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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#define TGA_MAP_ENTRIES 256
#define TGA_MAX_ENTRY_BYTES 4
// The look-ahead of the run-length unpacker, and the longest packet it keeps in
// view: a header byte and 128 pixels of 4 bytes.
#define TGA_INPUT_CHUNK 16384
#define TGA_LONGEST_PACKET (1 + 128 * 4)
// Runs are written from a pattern of whole pixels of 1, 3 and 4 bytes alike.
#define TGA_RUN_PATTERN 24
// Raw pixel data is read and colour-swapped in slices this large, so that each
// slice is swapped while it is still in the cache.
#define TGA_READ_SLICE (256 * 1024)

// What the run-length unpacker has read ahead of the packet it is at.
struct RunLengthInput {
    unsigned char bytes[TGA_INPUT_CHUNK];
    size_t at;
    size_t end;
    int ended; // the file has nothing more
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

static int ReadLittle16(const unsigned char *bytes) { return bytes[0] | (bytes[1] << 8); }

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
        // Bytes 0 and 2 of each pixel change places, wherever the host keeps them in a word.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        const uint32_t kept = 0x00ff00ffu, first = 0xff000000u, third = 0x0000ff00u;
#else
        const uint32_t kept = 0xff00ff00u, first = 0x000000ffu, third = 0x00ff0000u;
#endif
        for (size_t i = 0; i < pixelCount; i++) {
            uint32_t value;
            memcpy(&value, pixels + i * 4, 4);
            value = (value & kept) | ((value & third) >> 16) | ((value & first) << 16);
            memcpy(pixels + i * 4, &value, 4);
        }
    } else if (bytesPerPixel == 3) {
        size_t i = 0;
#ifdef __SSE2__
        // Five pixels a step: 16 bytes loaded and stored 15 bytes apart. The 16th,
        // the next pixel's blue, goes back unchanged; each step's load comes before
        // the previous step's store, so no load waits on a store that overlaps it.
        const __m128i blue = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0);
        const __m128i kept = _mm_setr_epi8(0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, -1);
        const size_t steps = pixelCount * 3 >= 16 ? (pixelCount * 3 - 16) / 15 + 1 : 0;
        if (steps > 0) {
            __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pixels));
            for (size_t step = 0; step < steps; step++) {
                unsigned char *at = pixels + step * 15;
                const __m128i next = step + 1 < steps ? _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 15)) : x;
                const __m128i swapped =
                    _mm_or_si128(_mm_and_si128(x, kept), _mm_or_si128(_mm_slli_si128(_mm_and_si128(x, blue), 2),
                                                                      _mm_and_si128(_mm_srli_si128(x, 2), blue)));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(at), swapped);
                x = next;
            }
            i = steps * 5;
        }
#endif
        for (; i < pixelCount; i++)
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

// Moves what is left to the front and reads more behind it, so that a whole packet
// is in view unless the file ends first.
static void RefillInput(RunLengthInput *input, FILE *file)
{
    const size_t left = input->end - input->at;
    memmove(input->bytes, input->bytes + input->at, left);
    const size_t want = sizeof input->bytes - left;
    const size_t got = fread(input->bytes + left, 1, want, file);
    input->at = 0;
    input->end = left + got;
    input->ended = got < want;
}

// Whole pixels of 1, 3 or 4 bytes filling TGA_RUN_PATTERN bytes, as three words
// built from the value in registers: a pattern built byte by byte in memory and
// read back as words would stall on every run.
static void MakeRunPattern(const unsigned char *value, size_t pixelBytes, uint64_t *words)
{
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (pixelBytes == 1) {
        words[0] = words[1] = words[2] = value[0] * 0x0101010101010101ull;
    } else if (pixelBytes == 4) {
        uint32_t v;
        memcpy(&v, value, 4);
        words[0] = words[1] = words[2] = v * 0x0000000100000001ull;
    } else {
        // The period of 3 bytes starts each 8-byte word at another byte of the pixel.
        const uint64_t v = uint64_t(value[0]) | uint64_t(value[1]) << 8 | uint64_t(value[2]) << 16;
        words[0] = v | v << 24 | v << 48;
        words[1] = v >> 16 | v << 8 | v << 32 | v << 56;
        words[2] = v >> 8 | v << 16 | v << 40;
    }
#else
    unsigned char pattern[TGA_RUN_PATTERN];
    for (size_t k = 0; k < TGA_RUN_PATTERN; k++)
        pattern[k] = value[k % pixelBytes];
    memcpy(words, pattern, TGA_RUN_PATTERN);
#endif
}

// A run: the pixel value over `bytes` bytes, which a cut run may end inside of.
// With room for it, the last pattern goes out whole, past the run's end: packets
// after it, or the zeroing where the file ends, write over those bytes.
static void FillRun(unsigned char *out, size_t bytes, size_t room, const unsigned char *value, size_t pixelBytes)
{
    uint64_t words[3];
    MakeRunPattern(value, pixelBytes, words);
    if (room >= bytes + TGA_RUN_PATTERN) {
        for (size_t i = 0; i < bytes; i += TGA_RUN_PATTERN) {
            memcpy(out + i, &words[0], 8);
            memcpy(out + i + 8, &words[1], 8);
            memcpy(out + i + 16, &words[2], 8);
        }
        return;
    }
    unsigned char pattern[TGA_RUN_PATTERN];
    memcpy(pattern, words, TGA_RUN_PATTERN);
    size_t i = 0;
    for (; i + TGA_RUN_PATTERN <= bytes; i += TGA_RUN_PATTERN)
        memcpy(out + i, pattern, TGA_RUN_PATTERN);
    memcpy(out + i, pattern, bytes - i);
}

// The unpacker, optionally swapping BGR(A) to RGB(A) on the way: once per run value,
// and on raw pixels while they are in the cache.
static size_t UnpackRunLength(unsigned char *buffer, size_t byteCount, int bytesPerPixel, FILE *file, int swapColours)
{
    RunLengthInput look;
    RunLengthInput *input = &look;
    input->at = input->end = 0;
    input->ended = 0;

    const size_t pixelBytes = size_t(bytesPerPixel);
    size_t written = 0;
    while (written < byteCount) {
        if (input->end - input->at < TGA_LONGEST_PACKET && !input->ended)
            RefillInput(input, file);
        const size_t available = input->end - input->at;
        if (available == 0)
            break;
        const unsigned char *in = input->bytes + input->at;
        const size_t wanted = (size_t(in[0] & 127) + 1) * pixelBytes;
        const size_t bytes = std::min(wanted, byteCount - written);
        unsigned char *out = buffer + written;
        if (in[0] & 128) {
            if (available < 1 + pixelBytes) {
                input->at = input->end; // the value is cut off by the end of the file
                break;
            }
            unsigned char value[TGA_MAX_ENTRY_BYTES];
            memcpy(value, in + 1, pixelBytes);
            if (swapColours && pixelBytes >= 3)
                std::swap(value[0], value[2]);
            FillRun(out, bytes, byteCount - written, value, pixelBytes);
            input->at += 1 + pixelBytes;
            written += bytes;
        } else {
            const size_t taken = std::min(bytes, available - 1);
            memcpy(out, in + 1, taken);
            if (swapColours)
                SwapRedAndBlue(out, taken / pixelBytes, bytesPerPixel);
            input->at += 1 + taken;
            written += taken;
            if (taken < bytes)
                break;
        }
    }
    memset(buffer + written, 0, byteCount - written);
    // Give back the look-ahead that was not used.
    if (input->end > input->at)
        fseek(file, -long(input->end - input->at), SEEK_CUR);
    return written;
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
// already used. `map` holds 256 entries, RGB(A).
static void ExpandColourMap(unsigned char *pixels, size_t pixelCount, const unsigned char *map, int entryBytes)
{
    if (entryBytes == 4) {
        for (size_t i = pixelCount; i-- > 0;)
            memcpy(pixels + i * 4, map + size_t(pixels[i]) * 4, 4);
        return;
    }
    // Three-byte entries go out as four bytes starting one byte early: the extra
    // byte lands on the previous pixel, written next, and never on an index still
    // to be read (3i - 1 >= i for every i from 1).
    uint32_t wide[TGA_MAP_ENTRIES];
    for (int k = 0; k < TGA_MAP_ENTRIES; k++) {
        unsigned char bytes[4] = {0, map[k * 3], map[k * 3 + 1], map[k * 3 + 2]};
        memcpy(&wide[k], bytes, 4);
    }
    size_t i = pixelCount;
    // Four indices read before their four entries go out.
    for (; i > 4; i -= 4) {
        const unsigned a = pixels[i - 1], b = pixels[i - 2], c = pixels[i - 3], d = pixels[i - 4];
        unsigned char *out = pixels + (i - 4) * 3 - 1;
        memcpy(out + 9, &wide[a], 4);
        memcpy(out + 6, &wide[b], 4);
        memcpy(out + 3, &wide[c], 4);
        memcpy(out, &wide[d], 4);
    }
    for (; i-- > 1;)
        memcpy(pixels + i * 3 - 1, &wide[pixels[i]], 4);
    if (pixelCount > 0)
        memcpy(pixels, map + size_t(pixels[0]) * 3, 3);
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

const char *GetImageError() { return s_error; }

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
    return UnpackRunLength(buffer, byteCount, bytesPerPixel, file, 0);
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
    int fileEnd = 0; // a map the file cuts short counts as the file ending early
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

    // True colour is swapped to RGB(A) as it is read: the swap is per pixel, so it
    // gives what swapping after the reordering below would, while the pixels are
    // still in the cache.
    const int trueColour = !mapped && fileBytesPerPixel > 1;
    size_t got;
    if (runLength)
        got = UnpackRunLength(pixels.get(), fileBytes, fileBytesPerPixel, file, trueColour);
    else if (trueColour)
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

FILE *OpenRegularFile(const char *fileName, const char **notRegular)
{
    *notRegular = nullptr;
    // Without O_NONBLOCK the open itself would wait for a pipe's writer.
    const int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0)
        info.st_mode = 0;
    if (!S_ISREG(info.st_mode)) {
        *notRegular = S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file";
        close(fd);
        return nullptr;
    }
    FILE *file = fcntl(fd, F_SETFL, 0) == 0 ? fdopen(fd, "rb") : nullptr;
    if (!file)
        close(fd);
    return file;
}

int ReadImageFile(const char *fileName, Image *image, int flags, int maxSize)
{
    image->width = image->height = image->bytesPerPixel = 0;
    image->format = 0;
    image->pixels.reset();

    const char *notRegular = nullptr;
    FILE *file = OpenRegularFile(fileName, &notRegular);
    if (!file) {
        SetImageError("%s", notRegular ? notRegular : strerror(errno));
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
            ResampleBilinear(image->pixels.get(), target.get(), image->width, image->height, targetWidth, targetHeight,
                             image->bytesPerPixel);
            image->pixels = std::move(target);
            image->width = targetWidth;
            image->height = targetHeight;
        }
    }
    image->format = image->bytesPerPixel == 3   ? IMAGE_GL_RGB
                    : image->bytesPerPixel == 4 ? IMAGE_GL_RGBA
                                                : IMAGE_GL_LUMINANCE;
    return 1;
}
