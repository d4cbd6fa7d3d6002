// The renderer's command line.
#pragma once

#include <string>
#include <vector>

#include "frame_rate.h"
#include "motion_blur.h"

struct VideoPreset;

struct RenderOptions {
    enum class Mode { None, Frame, Frames, Video, Sheet, Hashes, Join, Verify };
    Mode mode = Mode::None;
    double time = 0.0;       // --time: the one frame
    double from = 0.0;       // --from/--to: a stretch of the show, end excluded
    double to = -1.0;        // below 0: to the end of the show
    int part = 0, parts = 0; // --part K/N: only the K-th of N equal slices of the stretch
    std::string output;      // -o FILE or DIR/, --video FILE, --sheet FILE, --hashes FILE, --join FILE, --verify FILE
    std::vector<std::string> inputs; // --join: the parts, in order
    std::string show; // the directory holding data/ and the soundtrack; empty: here, or the installed show
    int width = 640, height = 480;
    FrameRate fps;
    double timerOffset = 0.0;        // the timer runs this far ahead of the music
    std::string preset = "veryfast"; // x264's speed preset for --video
    int crf = -1;                    // the encoder's quality for --video; -1: the preset's (x264's 18 without one)
    const VideoPreset *videoPreset = nullptr; // --for: what the video is made ready for
    Shutter shutter;                          // --shutter, --samples: motion blur
};

// Fills options from the arguments. Returns an empty string, "help", "version", or what is wrong.
std::string ParseRenderOptions(int argc, char **argv, RenderOptions &options);

extern const char *const RENDER_USAGE;
