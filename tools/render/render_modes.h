// What heartcube-render makes of the show: one frame, numbered PNG frames, frame
// hashes, a video. Each returns an empty string on success, otherwise what went wrong.
#pragma once

#include <cstddef>
#include <string>

#include "render_options.h"

class ShowRenderer;

// Where a video's time went: the wall clock, and within it drawing and reading
// back on this side and ffmpeg's processor time (conversion and encoding) on the
// other. Their sum above the wall clock is what ran side by side.
struct VideoTimes {
    long frames = 0;
    double wall = 0, drawing = 0, readBack = 0, ffmpeg = 0;
};

// The frames of the whole show at fps, from frame 0.
long ShowFrames(int fps);

// FNV-1a over the bytes, going on from `hash`: over a frame's RGBA, top row first,
// it is the hash --hashes writes.
const unsigned long long FNV_OFFSET_BASIS = 14695981039346656037ull;
unsigned long long HashBytes(const unsigned char *bytes, size_t size, unsigned long long hash = FNV_OFFSET_BASIS);

// A digest of the show in folder, its soundtrack's and pictures' names and bytes:
// the videos of one show carry the same, those of another show another.
unsigned long long ShowDigest(const std::string &folder);

std::string RenderOneFrame(ShowRenderer &renderer, const RenderOptions &options);
std::string RenderFrames(ShowRenderer &renderer, const RenderOptions &options);
std::string RenderHashes(ShowRenderer &renderer, const RenderOptions &options);
std::string RenderVideo(ShowRenderer &renderer, const RenderOptions &options, VideoTimes *times = nullptr);
