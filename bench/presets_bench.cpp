// Each preset of heartcube-render --for against frame hashes at the same size,
// measured in the same run: the hashes are the drawing and read-back alone, so
// the difference is what making the video adds. With --unspared, each also with
// every still frame drawn again, which is what leaving them out saves.
//   heartcube-bench-presets SHOW_DIR [--from A] [--seconds S] [--presets youtube,archive,web] [--size WxH]
//                           [--unspared]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "interrupts.h"
#include "render_modes.h"
#include "render_options.h"
#include "show_renderer.h"
#include "temporary_file.h"
#include "timeline/timeline.h"
#include "timing.h"
#include "video_presets.h"

namespace {

// Processor seconds of this process and of the children it has waited for (ffmpeg).
double ProcessorTime() { return ProcessorSecondsOf(RUSAGE_SELF) + ProcessorSecondsOf(RUSAGE_CHILDREN); }

// One render's wall-clock seconds, or a negative number when it failed; its
// processor seconds, on both sides of the pipe, in processor.
double Time(const RenderOptions &o, bool spare, double &processor)
{
    ShowRenderer renderer(o.width, o.height, o.fps, o.timerOffset);
    if (!renderer.Valid()) {
        fprintf(stderr, "heartcube-bench-presets: %s\n", renderer.Error().c_str());
        return -1;
    }
    renderer.SpareStillFrames(spare);
    const double start = Now(), startProcessor = ProcessorTime();
    std::string error = o.mode == RenderOptions::Mode::Video ? RenderVideo(renderer, o) : RenderHashes(renderer, o);
    const double wall = Now() - start;
    processor = ProcessorTime() - startProcessor;
    unlink(o.output.c_str());
    if (!error.empty()) {
        fprintf(stderr, "heartcube-bench-presets: %s\n", error.c_str());
        return -1;
    }
    return wall;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: heartcube-bench-presets SHOW_DIR [--from A] [--seconds S] "
                        "[--presets youtube,archive,web] [--size WxH] [--unspared]\n"
                        "Times each video preset against frame hashes at the same size.\n");
        return 2;
    }
    double from = 0, seconds = ShowEndSecond();
    std::string presets = "youtube,archive,web";
    int width = 0, height = 0; // 0: each preset's own size
    bool unspared = false;
    for (int i = 2; i < argc; i += 2) {
        if (!strcmp(argv[i], "--unspared")) {
            unspared = true;
            i--;
            continue;
        }
        if (i + 1 >= argc)
            break;
        if (!strcmp(argv[i], "--from"))
            from = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--seconds"))
            seconds = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--presets"))
            presets = argv[i + 1];
        else if (!strcmp(argv[i], "--size"))
            sscanf(argv[i + 1], "%dx%d", &width, &height);
    }
    if (chdir(argv[1]) != 0) {
        fprintf(stderr, "heartcube-bench-presets: %s: no such show directory\n", argv[1]);
        return 1;
    }
    // Ctrl-C stops the render between two frames, which removes its files.
    CatchInterrupts();
    seconds = std::min(seconds, ShowEndSecond() - from);
    printf("%.1f s of show from %.1f s; load average at the start: ", seconds, from);
    double load[3];
    if (getloadavg(load, 3) == 3)
        printf("%.1f %.1f %.1f\n", load[0], load[1], load[2]);
    else
        printf("?\n");

    size_t start = 0;
    while (start < presets.size()) {
        size_t comma = presets.find(',', start);
        const std::string name = presets.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? presets.size() : comma + 1;
        const VideoPreset *preset = FindVideoPreset(name);
        if (!preset) {
            fprintf(stderr, "heartcube-bench-presets: no preset %s\n", name.c_str());
            return 2;
        }
        RenderOptions o;
        o.from = from;
        o.to = from + seconds;
        o.videoPreset = preset;
        if (width > 0 || preset->width > 0) {
            o.width = width > 0 ? width : preset->width;
            o.height = width > 0 ? height : preset->height;
        }
        fflush(stdout);
        // The video, then the hashes, with the still frames left out or all drawn.
        // Processor seconds beside the wall clock's: on a machine others share too,
        // they say more of the work than the wall clock.
        auto time = [&](bool spare, double &hashes, double &video) {
            double processor = 0;
            o.mode = RenderOptions::Mode::Video;
            o.output = TemporaryDirectory() + "/heartcube-bench-presets" + preset->extension;
            video = Time(o, spare, processor);
            printf("  %s: video %.1f s (processor %.1f s, ffmpeg's included)",
                   spare ? "still frames left out" : "every frame drawn", video, processor);
            fflush(stdout);
            o.mode = RenderOptions::Mode::Hashes;
            o.output = TemporaryDirectory() + "/heartcube-bench-presets.hashes";
            hashes = Time(o, spare, processor);
            printf(", hashes %.1f s (processor %.1f s)\n", hashes, processor);
            return hashes > 0 && video > 0;
        };
        double hashes, video, allHashes, allVideo;
        if (!time(true, hashes, video))
            return 1;
        printf("%-8s %dx%d: %7.1f s (%.2fx the show's length), %.2fx the hashes' %.1f s\n", name.c_str(), o.width,
               o.height, video, video / seconds, video / hashes, hashes);
        if (!unspared)
            continue;
        if (!time(false, allHashes, allVideo))
            return 1;
        printf("         every still frame drawn: %7.1f s, %.2fx the hashes' %.1f s; leaving them out saves %.0f%%\n",
               allVideo, allVideo / allHashes, allHashes, 100.0 * (1 - video / allVideo));
        fflush(stdout);
    }
    return 0;
}
