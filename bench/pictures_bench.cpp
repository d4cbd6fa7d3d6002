// heartcube-bench-pictures: times the show's picture loading against stb_image and
// stb_image_resize, and against the floor of reading the file whole plus one pass
// over the decoded size. Best of several repetitions of each case.

#include <stb_image.h>
#include <stb_image_resize.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "tga_writer.h"
#include "textures/image.h"

namespace {

namespace fs = std::filesystem;

const char USAGE[] =
    "heartcube-bench-pictures: times TGA decoding and resampling against stb_image and stb_image_resize.\n"
    "\n"
    "usage: heartcube-bench-pictures [--show DIR] [--repeat N]\n"
    "options:\n"
    "  --show DIR   also time the pictures under DIR/data/ (the generated show folder)\n"
    "  --repeat N   repetitions of each case, the best one counts (default 7)\n"
    "  --help       this text\n";

const int SIZE = 2048;

struct FreeDeleter {
    void operator()(void *p) const { free(p); }
};

double Milliseconds(const std::function<void()> &work, int repeat)
{
    double best = 1e300;
    for (int i = 0; i < repeat; i++) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count());
    }
    return best;
}

// Like the show's pictures: rings and bands of flat colour with hard edges (long
// runs), and a strip of noise at the bottom (raw packets); 200 colours, so it can
// be colour-mapped. Top row first, RGBA.
std::vector<unsigned char> MakePicture(int width, int height)
{
    std::mt19937 random(2024);
    std::vector<unsigned char> palette(200 * 4);
    for (auto &value : palette)
        value = static_cast<unsigned char>(random());
    std::vector<unsigned char> pixels;
    pixels.reserve(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            size_t index;
            if (y >= height * 7 / 8) {
                index = random() % 200;
            } else {
                const double radius = std::hypot(x - width / 2, y - height / 3);
                index = (size_t(radius * 48 / width) * 7 + size_t(x * 6 / width)) % 200;
            }
            pixels.insert(pixels.end(), palette.begin() + long(index * 4), palette.begin() + long(index * 4 + 4));
        }
    }
    return pixels;
}

// The least any decoder must do: read the file whole, and write its output once.
void ReadFloor(const std::string &path, size_t outputBytes)
{
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return;
    const size_t size = size_t(fs::file_size(path));
    std::unique_ptr<unsigned char, FreeDeleter> bytes(static_cast<unsigned char *>(malloc(size)));
    std::unique_ptr<unsigned char, FreeDeleter> output(static_cast<unsigned char *>(malloc(outputBytes)));
    if (bytes && output && fread(bytes.get(), 1, size, file) == size) {
        memset(output.get(), bytes.get()[size / 2], outputBytes);
        // Keeps the compiler from dropping a write that nothing reads.
        asm volatile("" : : "r"(output.get()) : "memory");
    }
    fclose(file);
}

bool ReadOurs(const std::string &path, int flags)
{
    Image image;
    return ReadImageFile(path.c_str(), &image, flags) != 0;
}

// stb's load; with `resample`, grown to powers of two by its triangle filter as the
// show would need.
bool ReadStb(const std::string &path, bool resample)
{
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<unsigned char, void (*)(void *)> pixels(stbi_load(path.c_str(), &width, &height, &channels, 0),
                                                            stbi_image_free);
    if (!pixels)
        return false;
    const int targetWidth = NextPowerOfTwo(width), targetHeight = NextPowerOfTwo(height);
    if (!resample || (targetWidth == width && targetHeight == height))
        return true;
    std::vector<unsigned char> target(size_t(targetWidth) * size_t(targetHeight) * size_t(channels));
    return stbir_resize_uint8_generic(pixels.get(), width, height, 0, target.data(), targetWidth, targetHeight, 0,
                                      channels, STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_TRIANGLE,
                                      STBIR_COLORSPACE_LINEAR, nullptr) != 0;
}

void PrintCase(const char *name, double ours, double stb, double floor)
{
    printf("%-28s ours %7.2f ms   stb %7.2f ms   %4.1fx faster than stb", name, ours, stb, stb / ours);
    if (floor > 0)
        printf("   floor %6.2f ms   %4.1fx the floor", floor, ours / floor);
    printf("\n");
}

struct Encoding {
    const char *name;
    TgaEncoding encoding;
    int outputBytesPerPixel;
};

} // namespace

int main(int argc, char **argv)
{
    std::string show;
    int repeat = 7;
    for (int i = 1; i < argc; i++) {
        const std::string argument = argv[i];
        if (argument == "--help") {
            fputs(USAGE, stdout);
            return 0;
        }
        if (argument == "--show" && i + 1 < argc) {
            show = argv[++i];
        } else if (argument == "--repeat" && i + 1 < argc && atoi(argv[i + 1]) > 0) {
            repeat = atoi(argv[++i]);
        } else {
            fputs(USAGE, stderr);
            return 2;
        }
    }

    const fs::path work = fs::temp_directory_path() / ("heartcube-bench-pictures-" + std::to_string(getpid()));
    fs::create_directories(work);
    struct Cleanup {
        fs::path path;
        ~Cleanup() { fs::remove_all(path); }
    } cleanup{work};

    const std::vector<unsigned char> picture = MakePicture(SIZE, SIZE);
    const Encoding encodings[] = {
        {"24-bit raw", {2, 24, 0, false, false, ""}, 3},
        {"32-bit raw", {2, 32, 0, false, false, ""}, 4},
        {"24-bit RLE", {10, 24, 0, false, false, ""}, 3},
        {"32-bit RLE", {10, 32, 0, false, false, ""}, 4},
        {"colour-mapped (24-bit map)", {1, 8, 24, false, false, ""}, 3},
        {"grey raw", {3, 8, 0, false, false, ""}, 1},
        {"grey RLE", {11, 8, 0, false, false, ""}, 1},
    };
    printf("%dx%d pictures, best of %d\n", SIZE, SIZE, repeat);
    for (const Encoding &e : encodings) {
        const std::string path = (work / "picture.tga").string();
        if (!WriteFile(path, EncodeTga(picture.data(), SIZE, SIZE, 4, e.encoding))) {
            fprintf(stderr, "heartcube-bench-pictures: cannot write %s\n", path.c_str());
            return 1;
        }
        if (!ReadOurs(path, IMAGE_NO_RESAMPLE) || !ReadStb(path, false)) {
            fprintf(stderr, "heartcube-bench-pictures: %s: not read\n", e.name);
            return 1;
        }
        const size_t outputBytes = size_t(SIZE) * SIZE * size_t(e.outputBytesPerPixel);
        const double ours = Milliseconds([&] { ReadOurs(path, IMAGE_NO_RESAMPLE); }, repeat);
        const double stb = Milliseconds([&] { ReadStb(path, false); }, repeat);
        const double floor = Milliseconds([&] { ReadFloor(path, outputBytes); }, repeat);
        PrintCase(e.name, ours, stb, floor);
    }

    {
        const std::vector<unsigned char> small = MakePicture(640, 480);
        std::vector<unsigned char> source;
        for (size_t i = 0; i < small.size(); i += 4)
            source.insert(source.end(), small.begin() + long(i), small.begin() + long(i) + 3);
        std::vector<unsigned char> target(size_t(1024) * 512 * 3);
        const double ours =
            Milliseconds([&] { ResampleBilinear(source.data(), target.data(), 640, 480, 1024, 512, 3); }, repeat);
        const double stb = Milliseconds(
            [&] {
                stbir_resize_uint8_generic(source.data(), 640, 480, 0, target.data(), 1024, 512, 0, 3,
                                           STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_TRIANGLE,
                                           STBIR_COLORSPACE_LINEAR, nullptr);
            },
            repeat);
        PrintCase("resample 640x480 -> 1024x512", ours, stb, 0);
    }

    const fs::path data = fs::path(show) / "data";
    if (show.empty() || !fs::is_directory(data)) {
        printf("show pictures: skipped (%s)\n", show.empty() ? "no --show DIR given" : "no data/ folder there");
        return 0;
    }
    std::vector<std::string> files;
    for (const auto &entry : fs::directory_iterator(data))
        if (entry.path().extension() == ".tga")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    const double ours = Milliseconds(
        [&] {
            for (const auto &f : files)
                ReadOurs(f, 0);
        },
        repeat);
    const double stb = Milliseconds(
        [&] {
            for (const auto &f : files)
                ReadStb(f, true);
        },
        repeat);
    const std::string name = std::to_string(files.size()) + " show pictures, resampled";
    PrintCase(name.c_str(), ours, stb, 0);
    return 0;
}
