#include "png_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

} // namespace

std::string WritePng(const std::string &path, const PngImage &image, PngCompression compression)
{
    static const int COLOUR_TYPES[] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                                       PNG_COLOR_TYPE_RGB_ALPHA};
    if (!image.pixels || image.width < 1 || image.height < 1 || image.channels < 1 || image.channels > 4)
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
        if (compression == PngCompression::Fast) {
            png_set_compression_level(png, 1);
            png_set_filter(png, 0, PNG_FILTER_SUB);
        } else {
            png_set_compression_level(png, 9);
        }
        png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                     COLOUR_TYPES[image.channels], PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
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
