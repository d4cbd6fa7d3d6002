// Draws the show offscreen with the very code of the program, on virtual clocks:
// a frame at show time T reads the music position floor(T x 1000) ms and the timer
// T plus the timer offset, and follows a frame at T - 1/F, so the scene it shows
// obeys the timeline's one-frame delay as in the program.
#pragma once

#include <string>
#include <vector>

#include "frame_rate.h"
#include "motion_blur.h"
#include "platform/headless/egl_context.h"

class ShowRenderer {
public:
    // Opens the offscreen context and loads the pictures from the current directory.
    ShowRenderer(int width, int height, FrameRate fps, double timerOffset, Shutter shutter = {});

    bool Valid() const { return context_.Valid(); }
    const std::string &Error() const { return context_.Error(); }
    int Width() const { return context_.Width(); }
    int Height() const { return context_.Height(); }
    FrameRate Fps() const { return fps_; }
    double TimeOf(long frame) const { return fps_.Seconds(frame); }

    // Draws frame n (at n / F seconds) into rgba, width x height x 4 bytes, rows in
    // the order asked; with a shutter, the average of its moments. Returns false
    // when the show ends in that frame, which the program never presents. Frames in
    // order cost one drawing each (or one a moment).
    bool Render(long frame, RowOrder order, std::vector<unsigned char> &rgba);
    // The same for any moment of the show, on or off the frame grid.
    bool RenderTime(double seconds, RowOrder order, std::vector<unsigned char> &rgba);

    // The two halves of an unblurred render: drawing, finished, and reading the frame back.
    bool DrawFrame(long frame);
    bool DrawTime(double seconds);
    bool ReadFrame(RowOrder order, std::vector<unsigned char> &rgba);

    // Seconds spent so far drawing (to the end of the drawing) and reading back.
    double DrawSeconds() const { return drawSeconds_; }
    double ReadSeconds() const { return readSeconds_; }
    // Drawings left out so far, their picture being the one already drawn.
    long DrawingsSpared() const { return spared_; }
    // Whether to leave them out (on by default): off, every frame is drawn, to
    // measure what it saves and to check that nothing changes.
    void SpareStillFrames(bool on) { spareStills_ = on; }

private:
    struct Moment {
        double seconds;
        int milliseconds;
    };
    Moment FrameMoment(long frame) const;
    static Moment TimeMoment(double seconds);
    void Draw(Moment moment);
    bool DrawAfter(Moment before, Moment moment);
    // A frame's moments through the shutter, averaged into rgba.
    bool RenderBlurred(Moment before, bool inOrder, Moment at, RowOrder order, std::vector<unsigned char> &rgba);

    EglContext context_;
    FrameRate fps_;
    double timerOffset_;
    Shutter shutter_;
    long next_ = -1;      // the frame that follows the last one drawn, if it was a frame
    int drawnScene_ = -1; // the scene on the framebuffer, while nothing else has been drawn
    long spared_ = 0;
    bool spareStills_ = true;
    // A still picture's pixels as last read back, while they are what the
    // framebuffer holds: its repeats are copied, not read back again.
    std::vector<unsigned char> kept_;
    RowOrder keptOrder_ = RowOrder::TopFirst;
    bool keptValid_ = false;
    double drawSeconds_ = 0.0;
    double readSeconds_ = 0.0;
    std::vector<unsigned char> sample_; // one moment read back, for the average
    FrameAverage average_;
};
