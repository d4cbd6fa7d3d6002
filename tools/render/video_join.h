// Videos of consecutive stretches of the show joined into one, the pictures
// copied as they are and the soundtrack added once, cut to the joined frames, so
// that picture and sound agree to the sample across the joins as in a single render.
#pragma once

#include <string>
#include <vector>

// What a video made by heartcube-render says of itself in its comment tag: the
// frames of the show it holds, their rate and the timer's lead.
struct VideoLabel {
    long first = 0, last = -1;
    int fps = 0;
    double timerOffset = 0.0;

    long Frames() const { return last - first + 1; }
    std::string Text() const;
    // False for a text that is no such label.
    static bool Parse(const std::string &text, VideoLabel &label);
};

// Joins the parts, in the order of their frames, into output with the soundtrack
// in mp3Path. Refuses parts that do not follow on from each other or were made
// differently, naming the part. Returns an empty string on success, otherwise why.
std::string JoinVideos(const std::string &output, const std::vector<std::string> &parts, const std::string &mp3Path);
