#include "show_renderer.h"

#include <GL/gl.h>
#include <cmath>

#include "platform/headless/headless.h"
#include "textures/textures.h"
#include "timeline/frame.h"
#include "timing.h"
#include "timeline/timeline.h"

ShowRenderer::ShowRenderer(int width, int height, int fps, double timerOffset)
    : context_(width, height), fps_(fps), timerOffset_(timerOffset)
{
    if (!context_.Valid())
        return;
    SetHeadlessWindow(true, width, height, context_.DisplayExtensions());
    LoadTextures();
}

void ShowRenderer::Draw(Moment moment)
{
    double start = Now();
    SetHeadlessTimer(moment.seconds + timerOffset_);
    SetHeadlessMusicPosition(moment.milliseconds);
    SetupFrame(Width(), Height());
    RunTimeline();
    glFinish();
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
    // Integer arithmetic, so that frame 480 at 60 fps reads exactly 8000 ms.
    auto at = [&](long n) { return Moment{TimeOf(n), int(n * 1000L / fps_)}; };
    bool inOrder = frame == next_;
    next_ = frame + 1;
    if (!inOrder)
        return DrawAfter(frame > 0 ? at(frame - 1) : Moment{-1.0, 0}, at(frame));
    if (HeadlessShowEnded())
        return false;
    Draw(at(frame));
    return !HeadlessShowEnded();
}

bool ShowRenderer::DrawTime(double seconds)
{
    next_ = -1;
    auto at = [](double t) { return Moment{t, int(std::floor(t * 1000.0 + 1e-6))}; };
    double before = seconds - 1.0 / fps_;
    return DrawAfter(before >= 0 ? at(before) : Moment{-1.0, 0}, at(seconds));
}

bool ShowRenderer::ReadFrame(RowOrder order, std::vector<unsigned char> &rgba)
{
    double start = Now();
    context_.ReadPixels(order, rgba);
    readSeconds_ += Now() - start;
    return true;
}
