#include "render_modes.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "png_writer.h"
#include "progress.h"
#include "show_renderer.h"
#include "soundtrack_wav.h"
#include "temporary_file.h"
#include "timing.h"
#include "video_encoder.h"
#include "music/music.h"
#include "timeline/timeline.h"

namespace {

std::string Ended() { return "the show has ended by then (it runs " + std::to_string(ShowEndSecond()) + " s)"; }

long FirstFrame(double seconds, int fps) { return long(std::ceil(seconds * fps - 1e-9)); }

// FNV-1a over the frame's RGBA bytes, top row first.
unsigned long long HashFrame(const std::vector<unsigned char> &rgba)
{
    unsigned long long hash = 14695981039346656037ull;
    for (unsigned char byte : rgba)
        hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

// The frames of --from up to --to, or to the show's end: [first, last].
bool Stretch(const RenderOptions &o, long &first, long &last)
{
    first = FirstFrame(o.from, o.fps);
    // The program ends at the first frame whose clock reads the show's last second.
    const double length = ShowEndSecond();
    double end = o.to >= 0 ? std::min(o.to, length) : length;
    last = FirstFrame(end, o.fps) - 1;
    return last >= first;
}

// Each frame of the stretch drawn into buffer(), its rows in that order, and handed to emit.
template <typename Buffer, typename Emit>
std::string RenderStretch(ShowRenderer &renderer, const RenderOptions &o, const char *what, RowOrder order,
                          Buffer buffer, Emit emit)
{
    long first, last;
    if (!Stretch(o, first, last))
        return "nothing to draw: " + Ended();
    Progress progress(what, last - first + 1);
    for (long frame = first; frame <= last; frame++) {
        std::vector<unsigned char> &rgba = buffer();
        if (!renderer.Render(frame, order, rgba))
            break;
        std::string error = emit(frame, rgba);
        if (!error.empty())
            return error;
        progress.Advance(frame - first + 1);
    }
    progress.Finish();
    return "";
}

// The same into one buffer, top row first.
template <typename Emit> std::string RenderStretch(ShowRenderer &renderer, const RenderOptions &o, const char *what, Emit emit)
{
    std::vector<unsigned char> rgba;
    return RenderStretch(renderer, o, what, RowOrder::TopFirst,
                         [&]() -> std::vector<unsigned char> & { return rgba; }, emit);
}

} // namespace

std::string RenderOneFrame(ShowRenderer &renderer, const RenderOptions &o)
{
    std::vector<unsigned char> rgba;
    if (!renderer.RenderTime(o.time, RowOrder::TopFirst, rgba))
        return Ended();
    std::string error = WritePng(o.output, {rgba.data(), renderer.Width(), renderer.Height(), 4});
    return error.empty() ? error : o.output + ": " + error;
}

std::string RenderFrames(ShowRenderer &renderer, const RenderOptions &o)
{
    const std::string &directory = o.output;
    if (mkdir(directory.c_str(), 0777) != 0 && errno != EEXIST)
        return directory + ": " + strerror(errno);
    return RenderStretch(renderer, o, "frames", [&](long frame, const std::vector<unsigned char> &rgba) {
        char name[32];
        snprintf(name, sizeof name, "/frame-%06ld.png", frame);
        std::string path = directory + name;
        std::string error = WritePng(path, {rgba.data(), renderer.Width(), renderer.Height(), 4});
        return error.empty() ? error : path + ": " + error;
    });
}

std::string RenderHashes(ShowRenderer &renderer, const RenderOptions &o)
{
    FILE *file = fopen(o.output.c_str(), "w");
    if (!file)
        return o.output + ": " + strerror(errno);
    std::string error = RenderStretch(renderer, o, "hashes", [&](long frame, const std::vector<unsigned char> &rgba) {
        fprintf(file, "%ld %.6f %016llx\n", frame, renderer.TimeOf(frame),
                HashFrame(rgba));
        return std::string();
    });
    if (fclose(file) != 0 && error.empty())
        return o.output + ": " + strerror(errno);
    return error;
}

std::string RenderVideo(ShowRenderer &renderer, const RenderOptions &o, VideoTimes *times)
{
    long first, last;
    if (!Stretch(o, first, last))
        return "nothing to draw: " + Ended();

    std::string wav;
    int fd = CreateTemporaryFile("heartcube-audio", ".wav", &wav);
    if (fd < 0)
        return "cannot make a temporary file in " + TemporaryDirectory() + ": " + strerror(errno);
    close(fd);
    struct Remove {
        const std::string &path;
        ~Remove() { unlink(path.c_str()); }
    } removeWav{wav};

    std::string warning;
    std::string error = WriteSoundtrackWav(MUSIC_FILE, wav, first, last - first + 1, o.fps, &warning);
    if (!error.empty())
        return error;
    if (!warning.empty())
        fprintf(stderr, "heartcube-render: %s\n", warning.c_str());

    const double start = Now(), drawing = renderer.DrawSeconds(), readBack = renderer.ReadSeconds();
    VideoEncoder encoder({o.output, wav, o.width, o.height, o.fps, o.preset, o.crf});
    if (!encoder.Error().empty())
        return encoder.Error();
    long frames = 0;
    error = RenderStretch(
        renderer, o, "video", RowOrder::BottomFirst,
        [&]() -> std::vector<unsigned char> & { return encoder.NextBuffer(); },
        [&](long, const std::vector<unsigned char> &) {
            frames++;
            return encoder.Submit() ? std::string() : encoder.Error();
        });
    if (!encoder.Finish())
        return encoder.Error();
    if (times)
        *times = {frames, Now() - start, renderer.DrawSeconds() - drawing, renderer.ReadSeconds() - readBack,
                  encoder.CpuSeconds()};
    return error;
}
