// Videos made ready for where they go: `youtube` (an upload the site takes at its
// best), `archive` (a lossless master, verified), `web` (for a page's own player).
// Each sets the size, rate, codecs and container at once; --size, --fps, --crf
// and --preset still say otherwise.
#pragma once

#include <string>
#include <vector>

#include "frame_rate.h"

struct VideoPreset {
    const char *name;
    const char *extension; // the file name's ending its container wants
    const char *container; // ffmpeg's name of the container
    const char *title;     // and as people call it
    int width, height;     // 0: the size asked, or the renderer's own
    bool lossless;         // decoded, it gives back every pixel drawn
};

// The preset of that name, or nullptr.
const VideoPreset *FindVideoPreset(const std::string &name);
// "youtube, archive, web".
std::string VideoPresetNames();

// What a video is made with beyond its frames' size and rate.
struct VideoCoding {
    const VideoPreset *preset = nullptr; // nullptr: the plain H.264/AAC MP4
    std::string x264Preset = "veryfast";
    int crf = -1; // -1: the preset's own rate control (x264 CRF 18 for the plain MP4)
};

// ffmpeg's options for the pictures, from the raw RGBA frames at that size and
// rate to the output's container (the output's name follows them); for the
// soundtrack, from the WAV of our decoder.
std::vector<std::string> VideoCodingArguments(const VideoCoding &coding, int width, int height, FrameRate fps);
std::vector<std::string> SoundtrackCodingArguments(const VideoPreset *preset);

// Why these options cannot go with the preset, or an empty string.
std::string CheckVideoPreset(const VideoPreset &preset, const std::string &output, bool crfGiven, bool x264PresetGiven);
