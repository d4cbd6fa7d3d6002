// Draws the show offscreen with the very code of the program, frame by frame on
// virtual clocks: frame n of a render at F frames per second happens at show time
// n / F, the music position reads floor(n * 1000 / F) ms, and the timer reads that
// time plus the timer offset.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/egl_context.h"

class ShowRenderer {
public:
    // Opens the offscreen context and loads the pictures from the current directory.
    ShowRenderer(int width, int height, int fps, double timerOffset);

    bool valid() const { return context_.valid(); }
    const std::string &error() const { return context_.error(); }
    int width() const { return context_.width(); }
    int height() const { return context_.height(); }
    int fps() const { return fps_; }

    // Draws frame n into rgba (width x height x 4 bytes, bottom row first). Returns
    // false when the show ends in that frame, which the program never presents.
    // Frames are meant to come in order; any other frame is drawn after the one
    // before it, so the scene follows the timeline's one-frame delay all the same.
    bool render(long frame, std::vector<unsigned char> &rgba);

    double timeOf(long frame) const { return double(frame) / fps_; }

private:
    void draw(long frame);

    EglContext context_;
    int fps_;
    double timerOffset_;
    long next_ = 0; // the frame that follows the last one drawn
};
