// What a video made by heartcube-render says of itself in its comment tag: the
// frames of the show it holds, their rate, the timer's lead and a digest of the
// show it was drawn from, and, where they were asked for, the preset it was made
// for and its motion blur. Parts with labels that follow on from each other join
// into one video.
#pragma once

#include <string>

#include "frame_rate.h"

struct VideoLabel {
    long first = 0, last = -1;
    FrameRate fps{0, 1};
    double timerOffset = 0.0;
    unsigned long long show = 0; // the show's digest
    std::string preset;          // --for: "youtube", "archive", "web"; empty for a plain --video
    double shutter = 0;          // motion blur: the shutter in degrees, 0 for none
    int samples = 1;             // and the moments drawn for each frame

    long Frames() const { return last - first + 1; }
    std::string Text() const;
    // False for a text that is no such label, or one with numbers no render makes.
    static bool Parse(const std::string &text, VideoLabel &label);
};
