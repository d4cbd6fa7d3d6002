// The offline video render against the show's own length, and where its
// time goes: drawing, read-back and ffmpeg's conversion to yuv420p each alone, then
// the whole pipeline as heartcube-render runs it, stages side by side, with the
// processor time of each side and how busy it kept the machine's cores.
//   heartcube-bench-render SHOW_DIR [--size WxH] [--seconds S] [--preset P]

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "interrupts.h"
#include "render_modes.h"
#include "render_options.h"
#include "show_renderer.h"
#include "temporary_file.h"
#include "show/show.h"
#include "timing.h"
#include "video_encoder.h"

namespace {

// Frames from memory through ffmpeg's conversion alone, as many as the show has:
// wall and processor time. (Conversion costs the same whatever the pictures.)
bool TimeConversion(const std::vector<std::vector<unsigned char>> &samples, long frames, const RenderOptions &o,
                    double &wall, double &cpu)
{
    VideoEncoder::Settings settings;
    settings.width = o.width;
    settings.height = o.height;
    settings.fps = o.fps;
    settings.encode = false;
    double start = Now();
    VideoEncoder encoder(settings);
    if (!encoder.Error().empty()) {
        fprintf(stderr, "heartcube-bench-render: %s\n", encoder.Error().c_str());
        return false;
    }
    for (long i = 0; i < frames && !Interruption(); i++) {
        encoder.NextBuffer() = samples[size_t(i) % samples.size()];
        if (!encoder.Submit())
            break;
    }
    bool ok = encoder.Finish();
    wall = Now() - start;
    cpu = encoder.CpuSeconds();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: heartcube-bench-render SHOW_DIR [--size WxH] [--seconds S] [--preset P]\n"
                        "Times the video render of the show against the show's own length.\n");
        return 2;
    }
    RenderOptions o;
    o.mode = RenderOptions::Mode::Video;
    double seconds = ShowEndSecond();
    for (int i = 2; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--size"))
            sscanf(argv[i + 1], "%dx%d", &o.width, &o.height);
        else if (!strcmp(argv[i], "--seconds"))
            seconds = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--preset"))
            o.preset = argv[i + 1];
    }
    o.to = std::min(seconds, double(ShowEndSecond()));
    o.output = TemporaryDirectory() + "/heartcube-bench-render-show.mp4";
    if (chdir(argv[1]) != 0) {
        fprintf(stderr, "heartcube-bench-render: %s: no such show directory\n", argv[1]);
        return 1;
    }
    // Ctrl-C stops the timings between two frames; the render removes its files.
    CatchInterrupts();
    const long frames = o.fps.FirstFrameAt(o.to);
    printf("%dx%d at %s fps, %.0f s of show (%ld frames), x264 preset %s\n", o.width, o.height, o.fps.Text().c_str(),
           o.to, frames, o.preset.c_str());

    ShowRenderer renderer(o.width, o.height, o.fps, 0.0);
    if (!renderer.Valid()) {
        fprintf(stderr, "heartcube-bench-render: %s\n", renderer.Error().c_str());
        return 1;
    }

    // Drawing alone, then drawing and read-back, keeping a frame a second for ffmpeg.
    double start = Now(), startCpu = ProcessorSecondsOf(RUSAGE_SELF);
    for (long n = 0; n < frames && !Interruption() && renderer.DrawFrame(n); n++) {
    }
    double drawing = Now() - start, drawingCpu = ProcessorSecondsOf(RUSAGE_SELF) - startCpu;
    std::vector<std::vector<unsigned char>> samples;
    std::vector<unsigned char> rgba;
    start = Now();
    for (long n = 0; n < frames && !Interruption() && renderer.Render(n, RowOrder::BottomFirst, rgba); n++)
        if (n % o.fps.num == 0)
            samples.push_back(rgba);
    double readBack = Now() - start - drawing;

    double convertWall, convertCpu;
    if (!TimeConversion(samples, frames, o, convertWall, convertCpu) || Interruption())
        return 1;

    VideoTimes whole;
    double pipelineCpu = ProcessorSecondsOf(RUSAGE_SELF);
    std::string error = RenderVideo(renderer, o, &whole);
    pipelineCpu = ProcessorSecondsOf(RUSAGE_SELF) - pipelineCpu;
    unlink(o.output.c_str());
    if (!error.empty()) {
        fprintf(stderr, "heartcube-bench-render: %s\n", error.c_str());
        return 1;
    }

    const double length = o.to;
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    printf("stage alone                      wall      processor\n");
    printf("  drawing                    %7.1f s   %7.1f s\n", drawing, drawingCpu);
    printf("  read-back                  %7.1f s\n", readBack);
    printf("  conversion (ffmpeg)        %7.1f s   %7.1f s\n", convertWall, convertCpu);
    printf("the pipeline (heartcube-render --video, with the sound)\n");
    printf("  in all                     %7.1f s   = %.2fx the show's length (%.0f frames/s)\n", whole.wall,
           whole.wall / length, whole.frames / whole.wall);
    printf("  processor time: drawing and read-back %.1f s; ffmpeg %.1f s, of which conversion about %.1f s and "
           "x264 the other %.1f s\n",
           pipelineCpu, whole.ffmpeg, convertCpu, whole.ffmpeg - convertCpu);
    printf("  side by side: %ld cores %.0f%% busy; one after another the same work would take at least %.1f s\n", cores,
           100.0 * (pipelineCpu + whole.ffmpeg) / (whole.wall * double(cores)),
           drawing + readBack + whole.ffmpeg / double(cores));
    return 0;
}
