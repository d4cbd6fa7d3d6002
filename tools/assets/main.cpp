// heartcube-assets DIR: writes the show's default soundtrack and pictures, and
// with --icons the program's icon in every size.
#include "heartcube_version.h"
#include "icon.h"
#include "mp3_writer.h"
#include "show/show.h"
#include "pictures.h"
#include "png_writer.h"
#include "soundtrack.h"
#include "tga_writer.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>

namespace fs = std::filesystem;

namespace {

const char *const USAGE =
    "usage: heartcube-assets [--quiet] [--fonts DIR] [--icons ICONS] [DIR]\n"
    "Writes the show's default soundtrack DIR/" MUSIC_FILE " and its 29 pictures DIR/" PICTURE_FOLDER "/*.tga.\n"
    "  --quiet        print nothing but errors\n"
    "  --fonts DIR    look for the DejaVu fonts in DIR first\n"
    "  --icons ICONS  write the program's icon as ICONS/SIZExSIZE/apps/heartcube.png,\n"
    "                 the hicolor theme's layout, in every size menus ask for\n"
    "  --help         show this text\n"
    "  --version      the version\n";

const int BITRATE_KBPS = 160;

struct Options {
    std::string dir;
    std::string fontDir;
    std::string iconDir;
    bool quiet = false;
};

// Returns 0 to go on, otherwise the exit status.
int ParseArguments(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(USAGE, stdout);
            return -1;
        }
        if (arg == "--version") {
            std::puts("heartcube-assets " HEARTCUBE_VERSION);
            return -1;
        }
        if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--fonts" && i + 1 < argc) {
            options.fontDir = argv[++i];
        } else if (arg == "--icons" && i + 1 < argc) {
            options.iconDir = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && options.dir.empty()) {
            options.dir = arg;
        } else {
            std::fprintf(stderr, "heartcube-assets: unexpected argument '%s'\n%s", arg.c_str(), USAGE);
            return 2;
        }
    }
    if (options.dir.empty() && options.iconDir.empty()) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    return 0;
}

double Megabytes(size_t bytes) { return double(bytes) / 1e6; }

// Progress on standard error, unless --quiet.
void Say(bool quiet, const char *format, ...) __attribute__((format(printf, 2, 3)));
void Say(bool quiet, const char *format, ...)
{
    if (quiet)
        return;
    std::fputs("heartcube-assets: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

// Returns false when an icon could not be written, having said why.
bool WriteIcons(const fs::path &dir)
{
    for (int size : ICON_SIZES) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const fs::path folder = dir / name / "apps";
        std::error_code error;
        fs::create_directories(folder, error);
        if (error) {
            std::fprintf(stderr, "heartcube-assets: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
            return false;
        }
        const std::vector<unsigned char> pixels = DrawIcon(size);
        const std::string path = (folder / "heartcube.png").string();
        const std::string problem = WritePng(path, {pixels.data(), size, size, 4, false}, PngCompression::Best);
        if (!problem.empty()) {
            std::fprintf(stderr, "heartcube-assets: cannot write %s: %s\n", path.c_str(), problem.c_str());
            return false;
        }
    }
    return true;
}

// The soundtrack and the pictures; returns the exit status.
int WriteShow(const Options &options)
{
    const auto start = std::chrono::steady_clock::now();

    // Fonts first: nothing is written when the lettering cannot be set.
    for (const char *file : FONT_FILES)
        if (FindFont(file, options.fontDir).empty()) {
            std::fprintf(stderr,
                         "heartcube-assets: font %s not found in the font folders; install fonts-dejavu-core or "
                         "pass --fonts DIR\n",
                         file);
            return 1;
        }
    Fonts fonts(options.fontDir);
    if (!fonts.Ok()) {
        std::fprintf(stderr, "heartcube-assets: cannot open the DejaVu fonts\n");
        return 1;
    }

    const fs::path dir = options.dir, data = dir / PICTURE_FOLDER;
    std::error_code error;
    fs::create_directories(data, error);
    if (error) {
        std::fprintf(stderr, "heartcube-assets: cannot create %s: %s\n", data.c_str(), error.message().c_str());
        return 1;
    }

    // The music and the pictures do not share anything, so they are made side by
    // side; each is computed by one thread alone and comes out the same every time.
    Say(options.quiet, "synthesising the soundtrack and drawing the pictures\n");
    auto music = std::async(std::launch::async, [] {
        Mp3Options mp3;
        mp3.bitrateKbps = BITRATE_KBPS;
        return EncodeMp3(RenderSoundtrack(), mp3);
    });
    std::vector<PictureFile> pictures = DrawPictures(fonts);
    std::vector<unsigned char> mp3 = music.get();
    if (mp3.empty()) {
        std::fprintf(stderr, "heartcube-assets: the MP3 encoder failed\n");
        return 1;
    }

    size_t pictureBytes = 0;
    auto write = [&](const fs::path &path, const std::vector<unsigned char> &bytes) {
        if (WriteFile(path.string(), bytes))
            return true;
        std::fprintf(stderr, "heartcube-assets: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    };
    if (!write(dir / MUSIC_FILE, mp3))
        return 1;
    for (const PictureFile &picture : pictures) {
        if (!write(dir / picture.name, picture.bytes))
            return 1;
        pictureBytes += picture.bytes.size();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Say(options.quiet, "wrote %s (%.1f MB) and %zu pictures in %s (%.1f MB) in %.1f s\n", (dir / MUSIC_FILE).c_str(),
        Megabytes(mp3.size()), pictures.size(), data.c_str(), Megabytes(pictureBytes), seconds);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (int status = ParseArguments(argc, argv, options))
        return status < 0 ? 0 : status;
    if (!options.iconDir.empty() && !WriteIcons(options.iconDir))
        return 1;
    return options.dir.empty() ? 0 : WriteShow(options);
}
