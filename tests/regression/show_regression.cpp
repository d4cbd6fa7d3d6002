// Every frame of the default show against the frame hashes committed beside this
// file, made by the renderer's own --hashes. On a difference it names the first
// frames that changed, with their times and scenes, and writes them and their
// unchanged neighbours as PNG files to look at. The hashes hold for the machine
// that made them (its OpenGL, the compiler, the generated show); elsewhere the
// check is skipped, saying why, rather than passed. On another processor alone the
// frames are drawn all the same: every one as committed passes, any difference
// skips, since the processor may be its cause.
//   show_regression SHOW_DIR HASHES_FILE OUT_DIR          check
//   show_regression --accept SHOW_DIR HASHES_FILE         write the file anew

#include <GL/gl.h>
#include <cpuid.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "music/music.h"
#include "png_writer.h"
#include "render_modes.h"
#include "show_renderer.h"
#include "temporary_file.h"
#include "textures/textures.h"
#include "timeline/timeline.h"

namespace {

const int SKIPPED = 77; // CTest's SKIP_RETURN_CODE

// clang 14's __builtin_cpu_supports does not know "f16c"; the processor says it
// in bit 29 of ECX for leaf 1, which is what g++'s builtin reads.
bool HasF16c()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_F16C) != 0;
}
const int SHOWN = 3; // stretches of differing frames written out

// What the hashes depend on beyond the code: the OpenGL that draws, the compiler
// that built the drawing, and the bytes of the show. One "# " line each.
std::vector<std::string> Environment()
{
    auto text = [](GLenum name) {
        const GLubyte *s = glGetString(name);
        return s ? std::string(reinterpret_cast<const char *>(s)) : std::string("?");
    };
    unsigned long long digest = FNV_OFFSET_BASIS;
    std::vector<std::string> files = {MUSIC_FILE};
    files.insert(files.end(), g_textureFiles, g_textureFiles + TEXTURE_COUNT);
    for (const std::string &file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const unsigned char end = 0xff; // a file's end counts too
        digest = HashBytes(&end, 1, HashBytes(bytes.data(), bytes.size(), digest));
    }
    char show[32];
    snprintf(show, sizeof show, "%016llx", digest);
    // The software renderer compiles its drawing for the processor it finds.
    // clang-format off
    const struct { const char *name; bool present; } features[] = {
        {"sse4.1", __builtin_cpu_supports("sse4.1") != 0}, {"avx", __builtin_cpu_supports("avx") != 0},
        {"avx2", __builtin_cpu_supports("avx2") != 0},     {"fma", __builtin_cpu_supports("fma") != 0},
        {"f16c", HasF16c()},                              {"avx512f", __builtin_cpu_supports("avx512f") != 0}};
    // clang-format on
    std::string cpu;
    for (const auto &feature : features)
        if (feature.present)
            cpu += std::string(cpu.empty() ? "" : " ") + feature.name;
#ifdef __clang__
    const std::string compiler = "clang ";
#else
    const std::string compiler = "g++ ";
#endif
    return {"# opengl: " + text(GL_RENDERER) + ", " + text(GL_VERSION), "# processor: " + cpu,
            "# compiler: " + compiler + __VERSION__, std::string("# show: ") + show};
}

// Whether two headers differ at most in the processor's features. Where the
// OpenGL, the compiler or the show differ, the frames do; where only the processor
// does, they often stay the same, and the check is worth running.
bool SameButProcessor(const std::vector<std::string> &a, const std::vector<std::string> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (a[i] != b[i] && a[i].rfind("# processor:", 0) != 0)
            return false;
    return true;
}

int SkipForAnotherMachine(const std::vector<std::string> &header, const std::vector<std::string> &here)
{
    printf("Skipped: the committed frame hashes hold for another machine.\n  They were made with:\n");
    for (const std::string &line : header)
        printf("    %s\n", line.c_str() + 2);
    printf("  Here:\n");
    for (const std::string &line : here)
        printf("    %s\n", line.c_str() + 2);
    return SKIPPED;
}

// The file's lines: its "# " header and its frame lines apart.
bool ReadLines(const std::string &path, std::vector<std::string> &header, std::vector<std::string> &frames)
{
    std::ifstream in(path);
    if (!in)
        return false;
    for (std::string line; std::getline(in, line);)
        (line.rfind("# ", 0) == 0 ? header : frames).push_back(line);
    return true;
}

// The scene a frame shows: the one the clock chose in the frame before.
const char *SceneOfFrame(long frame, FrameRate fps)
{
    if (frame == 0)
        return SceneName(SCENE_TITLE);
    long milliseconds = fps.Milliseconds(frame - 1);
    return SceneName(ChooseNextScene(float(milliseconds / 1000)));
}

std::string WriteFrame(ShowRenderer &renderer, long frame, const std::string &path)
{
    std::vector<unsigned char> rgba;
    renderer.Render(frame, RowOrder::TopFirst, rgba);
    return WritePng(path, {rgba.data(), renderer.Width(), renderer.Height(), 4});
}

} // namespace

int main(int argc, char **argv)
{
    const bool accept = argc == 4 && std::string(argv[1]) == "--accept";
    if (!accept && argc != 4) {
        fprintf(stderr, "usage: show_regression SHOW_DIR HASHES_FILE OUT_DIR\n"
                        "       show_regression --accept SHOW_DIR HASHES_FILE\n");
        return 2;
    }
    const std::string show = argv[accept ? 2 : 1], hashesFile = argv[accept ? 3 : 2];
    const std::string out = accept ? "" : argv[3];
    if (chdir(show.c_str()) != 0) {
        fprintf(stderr, "show_regression: %s: no such show directory\n", show.c_str());
        return 1;
    }
    RenderOptions options;
    options.mode = RenderOptions::Mode::Hashes;
    ShowRenderer renderer(options.width, options.height, options.fps, options.timerOffset);
    if (!renderer.Valid()) {
        fprintf(stderr, "show_regression: no offscreen OpenGL: %s\n", renderer.Error().c_str());
        return 1;
    }
    const std::vector<std::string> here = Environment();

    std::vector<std::string> header, expected;
    if (!accept) {
        if (!ReadLines(hashesFile, header, expected)) {
            fprintf(stderr, "show_regression: cannot read %s\n", hashesFile.c_str());
            return 1;
        }
        if (!SameButProcessor(header, here))
            return SkipForAnotherMachine(header, here);
    }

    // The renderer's own --hashes, into a file of ours.
    std::string made;
    int fd = CreateTemporaryFile("heartcube-hashes", "", &made);
    if (fd < 0) {
        perror("show_regression: a temporary file");
        return 1;
    }
    close(fd);
    options.output = made;
    std::string error = RenderHashes(renderer, options);
    std::vector<std::string> ignored, got;
    ReadLines(made, ignored, got);
    unlink(made.c_str());
    if (!error.empty()) {
        fprintf(stderr, "show_regression: %s\n", error.c_str());
        return 1;
    }

    if (accept) {
        std::ofstream file(hashesFile);
        for (const std::string &line : here)
            file << line << "\n";
        for (const std::string &line : got)
            file << line << "\n";
        if (!file.flush()) {
            fprintf(stderr, "show_regression: cannot write %s\n", hashesFile.c_str());
            return 1;
        }
        printf("wrote %zu frame hashes to %s\n", got.size(), hashesFile.c_str());
        return 0;
    }

    // The differing frames, as runs of consecutive frames.
    std::vector<std::pair<long, long>> runs;
    long count = 0;
    for (size_t i = 0; i < std::max(got.size(), expected.size()); i++) {
        if (i < got.size() && i < expected.size() && got[i] == expected[i])
            continue;
        count++;
        if (!runs.empty() && runs.back().second == long(i) - 1)
            runs.back().second = long(i);
        else
            runs.push_back({long(i), long(i)});
    }
    if (runs.empty()) {
        printf("%zu frames, every one as committed\n", got.size());
        return 0;
    }
    // Another processor may round the software renderer's arithmetic otherwise.
    if (header != here) {
        printf("%ld of %zu frames differ, the first at frame %ld (%s).\n", count, expected.size(), runs[0].first,
               SceneOfFrame(runs[0].first, options.fps));
        return SkipForAnotherMachine(header, here);
    }

    printf("%ld of %zu frames differ from %s", count, expected.size(), hashesFile.c_str());
    if (got.size() != expected.size())
        printf(" (the show now has %zu frames)", got.size());
    printf(", in %zu stretch%s%s:\n", runs.size(), runs.size() == 1 ? "" : "es",
           runs.size() > SHOWN ? ", the first" : "");
    mkdir(out.c_str(), 0777);
    for (size_t i = 0; i < runs.size() && i < SHOWN; i++) {
        const long first = runs[i].first, last = runs[i].second;
        printf("  frames %ld-%ld, %.3f-%.3f s (%s)\n", first, last, renderer.TimeOf(first), renderer.TimeOf(last),
               SceneOfFrame(first, options.fps));
        // The first frame as drawn now, between the unchanged frames around the stretch.
        char name[64];
        if (first < long(got.size())) {
            snprintf(name, sizeof name, "/frame-%06ld-now.png", first);
            WriteFrame(renderer, first, out + name);
        }
        for (long n : {first - 1, last + 1}) {
            if (n < 0 || n >= long(std::min(got.size(), expected.size())))
                continue;
            snprintf(name, sizeof name, "/frame-%06ld-as-committed.png", n);
            WriteFrame(renderer, n, out + name);
        }
    }
    printf("The frames as drawn now, and their nearest unchanged neighbours, are in %s\n", out.c_str());
    printf("If the change is intended, accept it with scripts/accept-frames (it rewrites %s, whose\n"
           "change then shows in review).\n",
           hashesFile.c_str());
    return 1;
}
