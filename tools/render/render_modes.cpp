#include "render_modes.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "interrupts.h"
#include "output_file.h"
#include "png_frames.h"
#include "png_writer.h"
#include "progress.h"
#include "show_renderer.h"
#include "soundtrack_wav.h"
#include "temporary_file.h"
#include "timing.h"
#include "video_encoder.h"
#include "video_label.h"
#include "show/show.h"
#include "textures/image.h"

namespace {

std::string Ended() { return "the show has ended by then (it runs " + std::to_string(ShowEndSecond()) + " s)"; }

long FirstFrame(double seconds, int fps) { return long(std::ceil(seconds * fps - 1e-9)); }

// The frames of --from up to --to, or to the show's end, [first, last], or of its
// --part. An empty string, or why there is nothing to draw.
std::string Stretch(const RenderOptions &o, long &first, long &last)
{
    first = FirstFrame(o.from, o.fps);
    last = o.to >= 0 ? std::min(FirstFrame(o.to, o.fps), ShowFrames(o.fps)) - 1 : ShowFrames(o.fps) - 1;
    if (last < first)
        return "nothing to draw: " + Ended();
    if (o.parts > 0) {
        // Whole frames, so that the parts of one stretch meet exactly.
        const long frames = last - first + 1, start = first;
        first = start + frames * (o.part - 1) / o.parts;
        last = start + frames * o.part / o.parts - 1;
        if (last < first)
            return "part " + std::to_string(o.part) + "/" + std::to_string(o.parts) + " is empty: the stretch has " +
                   std::to_string(frames) + " frames";
    }
    return "";
}

// Each frame of the stretch drawn into buffer(), its rows in that order, and handed to emit.
template <typename Buffer, typename Emit> std::string RenderStretch(ShowRenderer &renderer, const RenderOptions &o,
                                                                    const char *what, RowOrder order, Buffer buffer,
                                                                    Emit emit)
{
    long first, last;
    std::string error = Stretch(o, first, last);
    if (!error.empty())
        return error;
    Progress progress(what, last - first + 1);
    for (long frame = first; frame <= last; frame++) {
        if (Interruption())
            return "interrupted";
        std::vector<unsigned char> &rgba = buffer();
        if (!renderer.Render(frame, order, rgba))
            break;
        error = emit(frame, rgba);
        if (!error.empty())
            return error;
        progress.Advance(frame - first + 1);
    }
    progress.Finish();
    return "";
}

// The same into one buffer, top row first.
template <typename Emit>
std::string RenderStretch(ShowRenderer &renderer, const RenderOptions &o, const char *what, Emit emit)
{
    std::vector<unsigned char> rgba;
    return RenderStretch(
        renderer, o, what, RowOrder::TopFirst, [&]() -> std::vector<unsigned char> & { return rgba; }, emit);
}

} // namespace

long ShowFrames(int fps)
{
    // The program ends at the first frame whose clock reads the show's last second.
    return FirstFrame(ShowEndSecond(), fps);
}

unsigned long long HashBytes(const unsigned char *bytes, size_t size, unsigned long long hash)
{
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

unsigned long long ShowDigest(const std::string &folder)
{
    std::vector<const char *> names = {MUSIC_FILE};
    names.insert(names.end(), g_textureFiles, g_textureFiles + TEXTURE_COUNT);
    unsigned long long digest = FNV_OFFSET_BASIS;
    std::vector<unsigned char> chunk(size_t(1) << 16);
    for (const char *name : names) {
        digest = HashBytes(reinterpret_cast<const unsigned char *>(name), strlen(name) + 1, digest);
        // A missing picture is part of what a show is: it draws a white panel.
        const char *notRegular = nullptr;
        FILE *file = OpenRegularFile((folder + "/" + name).c_str(), &notRegular);
        const unsigned char present = file ? 1 : 0;
        digest = HashBytes(&present, 1, digest);
        if (!file)
            continue;
        size_t got;
        while ((got = fread(chunk.data(), 1, chunk.size(), file)) > 0)
            digest = HashBytes(chunk.data(), got, digest);
        fclose(file);
    }
    return digest;
}

std::string RenderOneFrame(ShowRenderer &renderer, const RenderOptions &o)
{
    std::vector<unsigned char> rgba;
    if (!renderer.RenderTime(o.time, RowOrder::TopFirst, rgba))
        return Ended();
    return WriteWhole(o.output, [&](const std::string &path) {
        std::string error = WritePng(path, {rgba.data(), renderer.Width(), renderer.Height(), 4, false, true});
        return error.empty() ? error : o.output + ": " + error;
    });
}

std::string RenderFrames(ShowRenderer &renderer, const RenderOptions &o)
{
    const std::string &directory = o.output;
    if (mkdir(directory.c_str(), 0777) != 0 && errno != EEXIST)
        return directory + ": " + strerror(errno);
    PngFrames files(directory, renderer.Width(), renderer.Height());
    std::string error = RenderStretch(
        renderer, o, "frames", RowOrder::BottomFirst,
        [&]() -> std::vector<unsigned char> & { return files.NextBuffer(); },
        [&](long frame, const std::vector<unsigned char> &) {
            return files.Submit(frame) ? std::string() : files.Error();
        });
    if (files.Finish() && error.empty())
        return "";
    // What stopped it, and the frames there are to go on from.
    if (Interruption())
        error = "interrupted";
    else if (error.empty())
        error = files.Error();
    long first, last;
    Stretch(o, first, last);
    last = files.KeepUnbroken(first);
    if (last < first)
        return error + "; no frame written";
    return error + "; frames " + std::to_string(first) + "-" + std::to_string(last) + " are whole in " + directory +
           " (" + PngFrames::FileName(first) + " to " + PngFrames::FileName(last) + ")";
}

std::string RenderHashes(ShowRenderer &renderer, const RenderOptions &o)
{
    return WriteWhole(o.output, [&](const std::string &path) {
        FILE *file = fopen(path.c_str(), "w");
        if (!file)
            return o.output + ": " + strerror(errno);
        std::string error =
            RenderStretch(renderer, o, "hashes", [&](long frame, const std::vector<unsigned char> &rgba) {
                fprintf(file, "%ld %.6f %016llx\n", frame, renderer.TimeOf(frame), HashBytes(rgba.data(), rgba.size()));
                return std::string();
            });
        const bool written = !ferror(file);
        if ((fclose(file) != 0 || !written) && error.empty())
            return o.output + ": " + strerror(errno);
        return error;
    });
}

std::string RenderVideo(ShowRenderer &renderer, const RenderOptions &o, VideoTimes *times)
{
    long first, last;
    std::string error = Stretch(o, first, last);
    if (!error.empty())
        return error;

    OutputFile video(o.output);
    if (!video.Error().empty())
        return o.output + ": " + video.Error();
    TemporaryPath wav;
    error = WriteTemporarySoundtrack(MUSIC_FILE, first, last - first + 1, o.fps, wav);
    if (!error.empty())
        return error;

    const double start = Now(), drawing = renderer.DrawSeconds(), readBack = renderer.ReadSeconds();
    // The label lets parts of the show be joined, and checked, later.
    const std::string label = VideoLabel{first, last, o.fps, o.timerOffset, ShowDigest(".")}.Text();
    VideoEncoder encoder({video.Path(), wav.path, o.width, o.height, o.fps, o.preset, o.crf, true, label});
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
    if (!error.empty())
        return error;
    error = video.Keep();
    if (!error.empty())
        return o.output + ": " + error;
    if (times)
        *times = {frames, Now() - start, renderer.DrawSeconds() - drawing, renderer.ReadSeconds() - readBack,
                  encoder.CpuSeconds()};
    return error;
}
