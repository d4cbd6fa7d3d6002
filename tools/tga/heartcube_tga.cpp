// heartcube-tga: reads a TGA picture through the show's own loader, prints its
// size and format, and can write what the texture would hold as PAM or PNG.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "heartcube_version.h"
#include "output_file.h"
#include "png_writer.h"
#include "textures/image.h"

namespace {

const char USAGE[] =
    "heartcube-tga: reads a TGA picture as the show loads it, says what it got, and can write it out.\n"
    "\n"
    "usage: heartcube-tga [--no-resample] IN.tga [OUT.pam|OUT.png]\n"
    "  prints WIDTHxHEIGHT BYTES_PER_PIXEL FORMAT (RGB, RGBA or LUMINANCE); OUT gets the\n"
    "  picture top row first. Exit status 0 when read, 1 when refused or not written,\n"
    "  2 for usage errors.\n"
    "options:\n"
    "  --no-resample  keep the file's size instead of growing it to powers of two\n"
    "  --help         this text\n"
    "  --version      the picture tool's version\n";

enum class OutputKind { None, Pam, Png };

struct FileCloser {
    void operator()(FILE *file) const { fclose(file); }
};

bool EndsWith(const std::string &text, const std::string &suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

const char *FormatName(const Image &image)
{
    return image.format == IMAGE_GL_RGBA ? "RGBA" : image.format == IMAGE_GL_RGB ? "RGB" : "LUMINANCE";
}

size_t RowBytes(const Image &image) { return size_t(image.width) * size_t(image.bytesPerPixel); }

// Returns why it failed, or nothing. The picture's rows run bottom first; PAM, like
// PNG, wants the top first.
std::string WritePam(const std::string &path, const Image &image)
{
    std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "wb"));
    if (!file)
        return strerror(errno);
    const char *tuple = image.bytesPerPixel == 4 ? "RGB_ALPHA" : image.bytesPerPixel == 3 ? "RGB" : "GRAYSCALE";
    fprintf(file.get(), "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n", image.width,
            image.height, image.bytesPerPixel, tuple);
    const size_t rowBytes = RowBytes(image);
    for (int y = image.height - 1; y >= 0; y--)
        if (fwrite(image.pixels.get() + size_t(y) * rowBytes, 1, rowBytes, file.get()) != rowBytes)
            return strerror(errno);
    if (fclose(file.release()) != 0)
        return strerror(errno);
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    int flags = 0;
    std::string input, output;
    for (int i = 1; i < argc; i++) {
        const std::string argument = argv[i];
        if (argument == "--help") {
            fputs(USAGE, stdout);
            return 0;
        }
        if (argument == "--version") {
            puts("heartcube-tga " HEARTCUBE_VERSION);
            return 0;
        }
        if (argument == "--no-resample") {
            flags |= IMAGE_NO_RESAMPLE;
        } else if (argument.size() > 1 && argument[0] == '-') {
            fprintf(stderr, "heartcube-tga: unknown option %s\n%s", argument.c_str(), USAGE);
            return 2;
        } else if (input.empty()) {
            input = argument;
        } else if (output.empty()) {
            output = argument;
        } else {
            fprintf(stderr, "heartcube-tga: too many arguments\n%s", USAGE);
            return 2;
        }
    }
    if (input.empty()) {
        fputs(USAGE, stderr);
        return 2;
    }
    OutputKind kind = OutputKind::None;
    if (!output.empty()) {
        if (EndsWith(output, ".pam")) {
            kind = OutputKind::Pam;
        } else if (EndsWith(output, ".png")) {
            kind = OutputKind::Png;
        } else {
            fprintf(stderr, "heartcube-tga: %s: the output must end in .pam or .png\n", output.c_str());
            return 2;
        }
    }

    Image image;
    if (!ReadImageFile(input.c_str(), &image, flags)) {
        fprintf(stderr, "heartcube-tga: %s: %s\n", input.c_str(), GetImageError());
        return 1;
    }
    if (GetImageError()[0])
        fprintf(stderr, "heartcube-tga: %s: %s\n", input.c_str(), GetImageError());
    printf("%dx%d %d %s\n", image.width, image.height, image.bytesPerPixel, FormatName(image));

    if (kind == OutputKind::None)
        return 0;
    const std::string error = WriteWhole(output, [&](const std::string &path) {
        const std::string why =
            kind == OutputKind::Pam
                ? WritePam(path, image)
                : WritePng(path, {image.pixels.get(), image.width, image.height, image.bytesPerPixel, true},
                           PngCompression::Best);
        return why.empty() ? why : output + ": cannot write: " + why;
    });
    if (!error.empty()) {
        fprintf(stderr, "heartcube-tga: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
