#include "png_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <png.h>
#include <vector>

namespace {

struct FileCloser {
    void operator()(FILE *file) const { fclose(file); }
};

void RaiseError(png_structp png, png_const_charp message)
{
    *static_cast<std::string *>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

const int COLOUR_TYPES[] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                            PNG_COLOR_TYPE_RGB_ALPHA};

bool Writable(const PngImage &image)
{
    return image.pixels && image.width >= 1 && image.height >= 1 && image.channels >= 1 && image.channels <= 4;
}

void PutBigEndian(unsigned char *out, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        out[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// One chunk: length, type, data, and the CRC of type and data.
bool WriteChunk(FILE *file, const char *type, const unsigned char *data, size_t length)
{
    unsigned char head[8], tail[4];
    PutBigEndian(head, uint32_t(length));
    memcpy(head + 4, type, 4);
    uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    if (length > 0)
        crc = libdeflate_crc32(crc, data, length);
    PutBigEndian(tail, crc);
    return fwrite(head, 1, 8, file) == 8 && (length == 0 || fwrite(data, 1, length, file) == length) &&
           fwrite(tail, 1, 4, file) == 4;
}

} // namespace

struct FramePngWriter::Compressor {
    libdeflate_compressor *compressor = libdeflate_alloc_compressor(1);
    ~Compressor() { libdeflate_free_compressor(compressor); }
};

FramePngWriter::FramePngWriter() : compressor_(std::make_unique<Compressor>()) {}

FramePngWriter::~FramePngWriter() = default;

std::string FramePngWriter::Write(const std::string &path, const PngImage &image)
{
    if (!Writable(image))
        return "nothing to write";
    if (!compressor_->compressor)
        return "out of memory";

    // Each row as its difference from the row above (PNG's "up" filter).
    const size_t width = size_t(image.width), height = size_t(image.height);
    const size_t inChannels = size_t(image.channels), outChannels = size_t(image.FileChannels());
    const size_t stride = width * outChannels;
    filtered_.resize((stride + 1) * height);
    auto row = [&](size_t y) {
        return image.pixels + (image.bottomRowFirst ? height - 1 - y : y) * width * inChannels;
    };
    for (size_t y = 0; y < height; y++) {
        unsigned char *out = filtered_.data() + y * (stride + 1);
        const unsigned char *here = row(y), *above = y > 0 ? row(y - 1) : nullptr;
        out[0] = 2;
        if (inChannels == outChannels && above) {
            for (size_t x = 0; x < stride; x++)
                out[1 + x] = static_cast<unsigned char>(here[x] - above[x]);
        } else if (inChannels == outChannels) {
            memcpy(out + 1, here, stride);
        } else {
            for (size_t x = 0; x < width; x++)
                for (size_t c = 0; c < outChannels; c++)
                    out[1 + x * outChannels + c] =
                        static_cast<unsigned char>(here[x * inChannels + c] - (above ? above[x * inChannels + c] : 0));
        }
    }
    compressed_.resize(libdeflate_zlib_compress_bound(compressor_->compressor, filtered_.size()));
    const size_t compressedSize = libdeflate_zlib_compress(compressor_->compressor, filtered_.data(), filtered_.size(),
                                                           compressed_.data(), compressed_.size());
    if (compressedSize == 0)
        return "cannot compress";

    std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "wb"));
    if (!file)
        return strerror(errno);
    static const unsigned char SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char header[13];
    PutBigEndian(header, uint32_t(image.width));
    PutBigEndian(header + 4, uint32_t(image.height));
    header[8] = 8; // bits per sample
    header[9] = static_cast<unsigned char>(COLOUR_TYPES[image.FileChannels()]);
    header[10] = header[11] = header[12] = 0; // deflate, adaptive filters, not interlaced
    bool ok = fwrite(SIGNATURE, 1, sizeof SIGNATURE, file.get()) == sizeof SIGNATURE &&
              WriteChunk(file.get(), "IHDR", header, sizeof header);
    // A chunk holds at most 2^31 - 1 bytes.
    const size_t CHUNK = size_t(1) << 30;
    for (size_t at = 0; ok && at < compressedSize; at += CHUNK)
        ok = WriteChunk(file.get(), "IDAT", compressed_.data() + at, std::min(CHUNK, compressedSize - at));
    ok = ok && WriteChunk(file.get(), "IEND", nullptr, 0);
    std::string error = ok && fflush(file.get()) == 0 ? "" : strerror(errno);
    if (fclose(file.release()) != 0 && error.empty())
        error = strerror(errno);
    return error;
}

std::string WritePng(const std::string &path, const PngImage &image, PngCompression compression)
{
    if (compression == PngCompression::Fast)
        return FramePngWriter().Write(path, image);
    if (!Writable(image))
        return "nothing to write";

    std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "wb"));
    if (!file)
        return strerror(errno);

    std::string error;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, RaiseError, IgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return "out of memory";
    }

    const size_t stride = size_t(image.width) * size_t(image.channels);
    std::vector<png_bytep> rows(size_t(image.height));
    for (size_t y = 0; y < rows.size(); y++) {
        size_t source = image.bottomRowFirst ? rows.size() - 1 - y : y;
        rows[y] = const_cast<png_bytep>(image.pixels + source * stride);
    }

    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file.get());
        png_set_compression_level(png, 9);
        png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                     COLOUR_TYPES[image.FileChannels()], PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        if (image.FileChannels() != image.channels)
            png_set_filler(png, 0, PNG_FILLER_AFTER);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    if (error.empty() && fflush(file.get()) != 0)
        error = strerror(errno);
    if (fclose(file.release()) != 0 && error.empty())
        error = strerror(errno);
    return error;
}
