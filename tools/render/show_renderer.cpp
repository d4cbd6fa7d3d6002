#include "show_renderer.h"

#include <GL/gl.h>
#include <cmath>

#include "main/frame.h"
#include "platform/headless.h"
#include "textures/textures.h"
#include "timing.h"
#include "timeline/timeline.h"

ShowRenderer::ShowRenderer(int width, int height, int fps, double timerOffset)
    : context_(width, height), fps_(fps), timerOffset_(timerOffset)
{
    if (!context_.valid())
        return;
    SetHeadlessWindow(true, width, height, context_.displayExtensions());
    LoadTextures();
}

void ShowRenderer::draw(Moment moment)
{
    double start = Now();
    SetHeadlessClocks(moment.seconds + timerOffset_, moment.milliseconds);
    SetupFrame(width(), height());
    RunTimeline();
    glFinish();
    drawSeconds_ += Now() - start;
}

bool ShowRenderer::drawAfter(Moment before, Moment moment)
{
    // The scene on screen is the one the frame before chose; the first frame of the
    // show draws the title.
    SetHeadlessWindow(true, width(), height(), context_.displayExtensions());
    g_scene = SCENE_TITLE;
    if (before.seconds >= 0)
        draw(before);
    if (HeadlessShowEnded())
        return false;
    draw(moment);
    return !HeadlessShowEnded();
}

bool ShowRenderer::drawFrame(long frame)
{
    // Integer arithmetic, so that frame 480 at 60 fps reads exactly 8000 ms.
    auto at = [&](long n) { return Moment{timeOf(n), int(n * 1000L / fps_)}; };
    bool inOrder = frame == next_;
    next_ = frame + 1;
    if (!inOrder)
        return drawAfter(frame > 0 ? at(frame - 1) : Moment{-1.0, 0}, at(frame));
    if (HeadlessShowEnded())
        return false;
    draw(at(frame));
    return !HeadlessShowEnded();
}

bool ShowRenderer::drawTime(double seconds)
{
    next_ = -1;
    auto at = [](double t) { return Moment{t, int(std::floor(t * 1000.0 + 1e-6))}; };
    double before = seconds - 1.0 / fps_;
    return drawAfter(before >= 0 ? at(before) : Moment{-1.0, 0}, at(seconds));
}

bool ShowRenderer::readFrame(std::vector<unsigned char> &rgba)
{
    double start = Now();
    rgba.resize(size_t(width()) * size_t(height()) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    // A screen shows no alpha; where the framebuffer keeps some (pictures with an
    // alpha channel write it), the frame is made opaque as the window would be.
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    if (alphaBits > 0)
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
    readSeconds_ += Now() - start;
    return true;
}
