// heartcube-render: the show drawn offscreen, deterministically, into PNG frames,
// an MP4, a storyboard or a list of frame hashes, with the program's own timeline
// and effects on virtual clocks.

#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "png_writer.h"
#include "progress.h"
#include "render_options.h"
#include "show_renderer.h"
#include "soundtrack_wav.h"
#include "storyboard.h"
#include "video_encoder.h"

namespace {

// The program ends as its clock passes 110.52 s, at 111 whole seconds.
const double SHOW_LENGTH = 111.0;

int Fail(const std::string &message)
{
    fprintf(stderr, "heartcube-render: %s\n", message.c_str());
    return 1;
}

// Output paths are taken relative to where the user stands, before moving to the show.
std::string Absolute(const std::string &path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char here[PATH_MAX];
    return getcwd(here, sizeof here) ? std::string(here) + "/" + path : path;
}

long FirstFrame(double seconds, int fps) { return long(std::ceil(seconds * fps - 1e-9)); }

// FNV-1a over the frame's RGBA bytes, top row first.
unsigned long long HashFrame(const std::vector<unsigned char> &rgba, int width, int height)
{
    unsigned long long hash = 14695981039346656037ull;
    const size_t stride = size_t(width) * 4;
    for (int y = height - 1; y >= 0; y--) {
        const unsigned char *row = rgba.data() + size_t(y) * stride;
        for (size_t i = 0; i < stride; i++)
            hash = (hash ^ row[i]) * 1099511628211ull;
    }
    return hash;
}

int RenderOneFrame(ShowRenderer &renderer, const RenderOptions &o)
{
    std::vector<unsigned char> rgba;
    if (!renderer.renderTime(o.time, rgba))
        return Fail("the show has ended by then (it runs 111 s)");
    std::string error = WritePng(o.output, {rgba.data(), renderer.width(), renderer.height(), 4, true});
    return error.empty() ? 0 : Fail(o.output + ": " + error);
}

// The frames of --from up to --to, or to the show's end: [first, last].
bool Stretch(const RenderOptions &o, long &first, long &last)
{
    first = FirstFrame(o.from, o.fps);
    double end = o.to >= 0 ? std::min(o.to, SHOW_LENGTH) : SHOW_LENGTH;
    last = FirstFrame(end, o.fps) - 1;
    return last >= first;
}

// Each frame of the stretch drawn into buffer() and handed to emit.
template <typename Buffer, typename Emit>
int RenderStretch(ShowRenderer &renderer, const RenderOptions &o, const char *what, Buffer buffer, Emit emit)
{
    long first, last;
    if (!Stretch(o, first, last))
        return Fail("nothing to draw: the show has ended by then (it runs 111 s)");
    Progress progress(what, last - first + 1);
    for (long frame = first; frame <= last; frame++) {
        std::vector<unsigned char> &rgba = buffer();
        if (!renderer.render(frame, rgba))
            break;
        std::string error = emit(frame, rgba);
        if (!error.empty())
            return Fail(error);
        progress.advance(frame - first + 1);
    }
    progress.finish();
    return 0;
}

template <typename Emit> int RenderStretch(ShowRenderer &renderer, const RenderOptions &o, const char *what, Emit emit)
{
    std::vector<unsigned char> rgba;
    return RenderStretch(renderer, o, what, [&]() -> std::vector<unsigned char> & { return rgba; }, emit);
}

int RenderVideo(ShowRenderer &renderer, const RenderOptions &o)
{
    long first, last;
    if (!Stretch(o, first, last))
        return Fail("nothing to draw: the show has ended by then (it runs 111 s)");

    char wav[] = "/tmp/heartcube-audio-XXXXXX.wav";
    int fd = mkstemps(wav, 4);
    if (fd < 0)
        return Fail(std::string("cannot make a temporary file: ") + strerror(errno));
    close(fd);
    struct Remove {
        const char *path;
        ~Remove() { unlink(path); }
    } removeWav{wav};

    std::string warning;
    std::string error = WriteSoundtrackWav("Dezira.mp3", wav, first, last - first + 1, o.fps, &warning);
    if (!error.empty())
        return Fail(error);
    if (!warning.empty())
        fprintf(stderr, "heartcube-render: %s\n", warning.c_str());

    VideoEncoder encoder({o.output, wav, o.width, o.height, o.fps, o.preset, o.crf});
    if (!encoder.error().empty())
        return Fail(encoder.error());
    int status = RenderStretch(
        renderer, o, "video", [&]() -> std::vector<unsigned char> & { return encoder.nextBuffer(); },
        [&](long, const std::vector<unsigned char> &) { return encoder.submit() ? std::string() : encoder.error(); });
    if (!encoder.finish())
        return Fail(encoder.error());
    return status;
}

int RenderFrames(ShowRenderer &renderer, const RenderOptions &o)
{
    std::string directory = o.output;
    if (mkdir(directory.c_str(), 0777) != 0 && errno != EEXIST)
        return Fail(directory + ": " + strerror(errno));
    return RenderStretch(renderer, o, "frames", [&](long frame, const std::vector<unsigned char> &rgba) {
        char name[32];
        snprintf(name, sizeof name, "/frame-%06ld.png", frame);
        std::string path = directory + name;
        std::string error = WritePng(path, {rgba.data(), renderer.width(), renderer.height(), 4, true});
        return error.empty() ? error : path + ": " + error;
    });
}

int RenderHashes(ShowRenderer &renderer, const RenderOptions &o)
{
    FILE *file = fopen(o.output.c_str(), "w");
    if (!file)
        return Fail(o.output + ": " + strerror(errno));
    int status = RenderStretch(renderer, o, "hashes", [&](long frame, const std::vector<unsigned char> &rgba) {
        fprintf(file, "%ld %.6f %016llx\n", frame, renderer.timeOf(frame),
                HashFrame(rgba, renderer.width(), renderer.height()));
        return std::string();
    });
    if (fclose(file) != 0 && status == 0)
        return Fail(o.output + ": " + strerror(errno));
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    // A failed ffmpeg must be an error message, not a silent death by SIGPIPE.
    signal(SIGPIPE, SIG_IGN);

    RenderOptions options;
    std::string problem = ParseRenderOptions(argc, argv, options);
    if (problem == "help") {
        fputs(RENDER_USAGE, stdout);
        return 0;
    }
    if (!problem.empty()) {
        fprintf(stderr, "heartcube-render: %s\n(try --help)\n", problem.c_str());
        return 2;
    }

    options.output = Absolute(options.output);
    struct stat info;
    if (stat(options.show.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return Fail(options.show + ": no such show directory");
    if (stat((options.show + "/data").c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        fprintf(stderr, "heartcube-render: %s has no data/ directory; the pictures will be blank\n",
                options.show.c_str());
    if (chdir(options.show.c_str()) != 0)
        return Fail(options.show + ": " + strerror(errno));

    ShowRenderer renderer(options.width, options.height, options.fps, options.timerOffset);
    if (!renderer.valid())
        return Fail("no offscreen OpenGL through EGL: " + renderer.error());

    switch (options.mode) {
    case RenderOptions::Mode::Frame: return RenderOneFrame(renderer, options);
    case RenderOptions::Mode::Frames: return RenderFrames(renderer, options);
    case RenderOptions::Mode::Hashes: return RenderHashes(renderer, options);
    case RenderOptions::Mode::Video: return RenderVideo(renderer, options);
    case RenderOptions::Mode::Sheet: {
        std::string error = WriteStoryboard(renderer, options.output);
        return error.empty() ? 0 : Fail(options.output + ": " + error);
    }
    default: return Fail("not built yet");
    }
}
