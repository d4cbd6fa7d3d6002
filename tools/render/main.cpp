// heartcube-render: the show drawn offscreen, deterministically, into PNG frames,
// an MP4, a storyboard or a list of frame hashes, with the program's own timeline
// and effects on virtual clocks.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
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
#include "subprocess.h"
#include "video_join.h"
#include "video_verify.h"
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

// For --verify: the master's size, and from its label its frames, their rate, the
// timer's lead and the shutter.
std::string ReadMasterLabel(RenderOptions &options, VideoLabel &label)
{
    std::string error = MissingFfmpeg({"ffmpeg", "ffprobe"});
    std::map<std::string, std::string> facts;
    if (error.empty())
        error = ProbeVideo(options.output, facts);
    if (error.empty())
        error = CheckLosslessMaster(options.output, facts);
    if (!error.empty())
        return error;
    if (!VideoLabel::Parse(facts["TAG:comment"], label))
        return options.output + ": not a video of heartcube-render (its comment tag names no frames and show)";
    if (label.show != ShowDigest(options.show))
        return options.output + ": made of another show than the one in " + options.show +
               " (its soundtrack or pictures differ)";
    options.width = atoi(facts["width"].c_str());
    options.height = atoi(facts["height"].c_str());
    options.fps = label.fps;
    options.timerOffset = label.timerOffset;
    options.shutter = {label.shutter, label.samples};
    return "";
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
    VideoLabel master;
    if (options.mode == RenderOptions::Mode::Verify) {
        std::string error = ReadMasterLabel(options, master);
        if (!error.empty())
            return Fail(error);
    }
    // Output paths are taken relative to where the user stands, before moving to the show.
    options.output = Absolute(options.output);
    if (stat((options.show + "/" PICTURE_FOLDER).c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        fprintf(stderr, "heartcube-render: %s has no " PICTURE_FOLDER "/ directory; the pictures will be blank\n",
                options.show.c_str());
    if (chdir(options.show.c_str()) != 0)
        return Fail(options.show + ": " + strerror(errno));

    ShowRenderer renderer(options.width, options.height, options.fps, options.timerOffset, options.shutter);
    if (!renderer.Valid())
        return Fail("no offscreen OpenGL through EGL: " + renderer.Error());

    std::string error = options.mode == RenderOptions::Mode::Verify
                            ? RenderVerify(renderer, options, master.first, master.last)
                            : Render(renderer, options);
    return error.empty() ? 0 : Stopped(options, error);
}
