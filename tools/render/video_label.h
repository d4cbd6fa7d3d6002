// What a video made by heartcube-render says of itself in its comment tag: the
// frames of the show it holds, their rate, the timer's lead and a digest of the
// show it was drawn from. Parts with labels that follow on from each other join
// into one video.
#pragma once

#include <string>

struct VideoLabel {
    long first = 0, last = -1;
    int fps = 0;
    double timerOffset = 0.0;
    unsigned long long show = 0; // the show's digest

    long Frames() const { return last - first + 1; }
    std::string Text() const;
    // False for a text that is no such label, or one with numbers no render makes.
    static bool Parse(const std::string &text, VideoLabel &label);
};
