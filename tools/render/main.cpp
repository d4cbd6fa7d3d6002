// heartcube-render: the show drawn offscreen, deterministically, into PNG frames,
// an MP4, a storyboard or a list of frame hashes, with the program's own timeline
// and effects on virtual clocks.

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "heartcube_version.h"
#include "interrupts.h"
#include "output_file.h"
#include "render_modes.h"
#include "render_options.h"
#include "show_renderer.h"
#include "storyboard.h"
#include "video_join.h"
#include "show/show.h"

namespace {

int Fail(const std::string &message)
{
    fprintf(stderr, "heartcube-render: %s\n", message.c_str());
    return 1;
}

// One line for a render or join that stopped part-way: why, and what there is of
// its output (frame sequences say so themselves). 128 + the signal for Ctrl-C or
// SIGTERM, as a shell would report it.
int Stopped(const RenderOptions &options, const std::string &error)
{
    std::string line = Interruption() && options.mode != RenderOptions::Mode::Frames ? "interrupted" : error;
    if (options.mode != RenderOptions::Mode::Frames)
        line +=
            "; " + options.output + (access(options.output.c_str(), F_OK) == 0 ? " is as it was" : " was not written");
    Fail(line);
    return Interruption() ? 128 + Interruption() : 1;
}

// Output paths are taken relative to where the user stands, before moving to the show.
std::string Absolute(const std::string &path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char here[PATH_MAX];
    return getcwd(here, sizeof here) ? std::string(here) + "/" + path : path;
}

std::string Render(ShowRenderer &renderer, const RenderOptions &options)
{
    switch (options.mode) {
    case RenderOptions::Mode::Frame: return RenderOneFrame(renderer, options);
    case RenderOptions::Mode::Frames: return RenderFrames(renderer, options);
    case RenderOptions::Mode::Hashes: return RenderHashes(renderer, options);
    case RenderOptions::Mode::Sheet:
        return WriteWhole(options.output, [&](const std::string &path) {
            std::string error = WriteStoryboard(renderer, path);
            return error.empty() ? error : options.output + ": " + error;
        });
    case RenderOptions::Mode::Video: {
        VideoTimes t;
        std::string error = RenderVideo(renderer, options, &t);
        if (error.empty() && t.wall >= 1.0)
            fprintf(stderr,
                    "video: %.1f s in all: drawing %.1f s, read-back %.1f s, ffmpeg %.1f s of processor "
                    "time (conversion and encoding), side by side\n",
                    t.wall, t.drawing, t.readBack, t.ffmpeg);
        return error;
    }
    default: return "nothing to make";
    }
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
    if (problem == "version") {
        puts("heartcube-render " HEARTCUBE_VERSION);
        return 0;
    }
    if (!problem.empty()) {
        fprintf(stderr, "heartcube-render: %s\n(try --help)\n", problem.c_str());
        return 2;
    }

    // Run anywhere without --show, an installed renderer draws the installed show.
    if (options.show.empty())
        options.show = DefaultShowFolder(HEARTCUBE_INSTALLED_SHOW);
    struct stat info;
    if (stat(options.show.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return Fail(options.show + ": no such show directory");
    // From here on Ctrl-C and SIGTERM stop it tidily, between two frames.
    CatchInterrupts();
    if (options.mode == RenderOptions::Mode::Join) {
        // Nothing to draw: the show gives the soundtrack.
        std::string error = JoinVideos(options.output, options.inputs, options.show);
        return error.empty() ? 0 : Stopped(options, error);
    }
    options.output = Absolute(options.output);
    if (stat((options.show + "/" PICTURE_FOLDER).c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        fprintf(stderr, "heartcube-render: %s has no " PICTURE_FOLDER "/ directory; the pictures will be blank\n",
                options.show.c_str());
    if (chdir(options.show.c_str()) != 0)
        return Fail(options.show + ": " + strerror(errno));

    ShowRenderer renderer(options.width, options.height, options.fps, options.timerOffset);
    if (!renderer.Valid())
        return Fail("no offscreen OpenGL through EGL: " + renderer.Error());

    std::string error = Render(renderer, options);
    return error.empty() ? 0 : Stopped(options, error);
}
