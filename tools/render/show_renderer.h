// Draws the show offscreen with the very code of the program, on virtual clocks:
// a frame at show time T reads the music position floor(T x 1000) ms and the timer
// T plus the timer offset, and follows a frame at T - 1/F, so the scene it shows
// obeys the timeline's one-frame delay as in the program.
#pragma once

#include <string>
#include <vector>

#include "platform/headless/egl_context.h"

class ShowRenderer {
public:
    // Opens the offscreen context and loads the pictures from the current directory.
    ShowRenderer(int width, int height, int fps, double timerOffset);

    bool Valid() const { return context_.Valid(); }
    const std::string &Error() const { return context_.Error(); }
    int Width() const { return context_.Width(); }
    int Height() const { return context_.Height(); }
    int Fps() const { return fps_; }
    double TimeOf(long frame) const { return double(frame) / fps_; }

    // Draws frame n (at n / F seconds) into rgba, width x height x 4 bytes, rows in
    // the order asked. Returns false when the show ends in that frame, which the
    // program never presents. Frames in order cost one drawing each.
    bool Render(long frame, RowOrder order, std::vector<unsigned char> &rgba)
    {
        return DrawFrame(frame) && ReadFrame(order, rgba);
    }
    // The same for any moment of the show, on or off the frame grid.
    bool RenderTime(double seconds, RowOrder order, std::vector<unsigned char> &rgba)
    {
        return DrawTime(seconds) && ReadFrame(order, rgba);
    }

    // The two halves of render: drawing, finished, and reading the frame back.
    bool DrawFrame(long frame);
    bool DrawTime(double seconds);
    bool ReadFrame(RowOrder order, std::vector<unsigned char> &rgba);

    // Seconds spent so far drawing (to the end of the drawing) and reading back.
    double DrawSeconds() const { return drawSeconds_; }
    double ReadSeconds() const { return readSeconds_; }

private:
    struct Moment {
        double seconds;
        int milliseconds;
    };
    void Draw(Moment moment);
    bool DrawAfter(Moment before, Moment moment);

    EglContext context_;
    int fps_;
    double timerOffset_;
    long next_ = -1; // the frame that follows the last one drawn, if it was a frame
    double drawSeconds_ = 0.0;
    double readSeconds_ = 0.0;
};
