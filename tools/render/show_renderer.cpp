#include "show_renderer.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

#include "platform/headless/headless.h"
#include "textures/textures.h"
#include "timeline/frame.h"
#include "timing.h"
#include "timeline/timeline.h"

ShowRenderer::ShowRenderer(int width, int height, FrameRate fps, double timerOffset, Shutter shutter)
    : context_(width, height), fps_(fps), timerOffset_(timerOffset), shutter_(shutter), average_(shutter.samples)
{
    if (!context_.Valid())
        return;
    SetHeadlessWindow(true, width, height, context_.DisplayExtensions());
    LoadTextures();
}

ShowRenderer::Moment ShowRenderer::FrameMoment(long frame) const
{
    // Integer arithmetic, so that frame 480 at 60 fps reads exactly 8000 ms.
    return {fps_.Seconds(frame), int(fps_.Milliseconds(frame))};
}

ShowRenderer::Moment ShowRenderer::TimeMoment(double seconds)
{
    return {seconds, int(std::floor(seconds * 1000.0 + 1e-6))};
}

void ShowRenderer::Draw(Moment moment)
{
    double start = Now();
    SetHeadlessTimer(moment.seconds + timerOffset_);
    SetHeadlessMusicPosition(moment.milliseconds);
    if (spareStills_ && g_scene == drawnScene_ && SceneIsStill(g_scene)) {
        // Drawn again over itself, a still picture is the picture already there:
        // the timeline only reads the clock and picks the next scene.
        RunTimelineUndrawn();
        spared_++;
    } else {
        drawnScene_ = g_scene;
        keptValid_ = false;
        SetupFrame(Width(), Height());
        RunTimeline();
        glFinish();
    }
    drawSeconds_ += Now() - start;
}

bool ShowRenderer::DrawAfter(Moment before, Moment moment)
{
    // The scene on screen is the one the frame before chose; the first frame of the
    // show draws the title.
    SetHeadlessWindow(true, Width(), Height(), context_.DisplayExtensions());
    g_scene = SCENE_TITLE;
    if (before.seconds >= 0)
        Draw(before);
    if (HeadlessShowEnded())
        return false;
    Draw(moment);
    return !HeadlessShowEnded();
}

bool ShowRenderer::DrawFrame(long frame)
{
    bool inOrder = frame == next_;
    next_ = frame + 1;
    if (!inOrder)
        return DrawAfter(frame > 0 ? FrameMoment(frame - 1) : Moment{-1.0, 0}, FrameMoment(frame));
    if (HeadlessShowEnded())
        return false;
    Draw(FrameMoment(frame));
    return !HeadlessShowEnded();
}

bool ShowRenderer::DrawTime(double seconds)
{
    next_ = -1;
    double before = seconds - fps_.FrameSeconds();
    return DrawAfter(before >= 0 ? TimeMoment(before) : Moment{-1.0, 0}, TimeMoment(seconds));
}

bool ShowRenderer::ReadFrame(RowOrder order, std::vector<unsigned char> &rgba)
{
    double start = Now();
    if (keptValid_ && order == keptOrder_) {
        rgba = kept_;
    } else {
        context_.ReadPixels(order, rgba);
        keptValid_ = spareStills_ && SceneIsStill(drawnScene_);
        if (keptValid_) {
            kept_ = rgba;
            keptOrder_ = order;
        }
    }
    readSeconds_ += Now() - start;
    return true;
}

bool ShowRenderer::Render(long frame, RowOrder order, std::vector<unsigned char> &rgba)
{
    if (!shutter_.Blurs())
        return DrawFrame(frame) && ReadFrame(order, rgba);
    bool inOrder = frame == next_;
    next_ = frame + 1;
    if (inOrder && HeadlessShowEnded())
        return false;
    return RenderBlurred(frame > 0 ? FrameMoment(frame - 1) : Moment{-1.0, 0}, inOrder, FrameMoment(frame), order,
                         rgba);
}

bool ShowRenderer::RenderTime(double seconds, RowOrder order, std::vector<unsigned char> &rgba)
{
    if (!shutter_.Blurs())
        return DrawTime(seconds) && ReadFrame(order, rgba);
    next_ = -1;
    double before = seconds - fps_.FrameSeconds();
    return RenderBlurred(before >= 0 ? TimeMoment(before) : Moment{-1.0, 0}, false, TimeMoment(seconds), order, rgba);
}

bool ShowRenderer::RenderBlurred(Moment before, bool inOrder, Moment at, RowOrder order,
                                 std::vector<unsigned char> &rgba)
{
    // Before the show starts, its first moment stands in: the title stands still.
    const double frameSeconds = fps_.FrameSeconds();
    for (int sample = 0; sample < shutter_.samples; sample++) {
        const bool last = sample + 1 == shutter_.samples;
        const Moment moment =
            last ? at : TimeMoment(std::max(0.0, at.seconds - SampleLead(shutter_, sample) * frameSeconds));
        bool drawn;
        if (sample == 0 && !inOrder) {
            drawn = DrawAfter(before, moment);
        } else {
            Draw(moment);
            drawn = !HeadlessShowEnded();
        }
        if (!drawn) {
            average_.Take(sample_); // starts the next frame's sum afresh
            return false;
        }
        ReadFrame(order, sample_);
        average_.Add(sample_);
    }
    average_.Take(rgba);
    return true;
}
