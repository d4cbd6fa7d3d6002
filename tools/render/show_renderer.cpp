#include "show_renderer.h"

#include <GL/gl.h>

#include "main/frame.h"
#include "platform/headless.h"
#include "textures/textures.h"
#include "timeline/timeline.h"

ShowRenderer::ShowRenderer(int width, int height, int fps, double timerOffset)
    : context_(width, height), fps_(fps), timerOffset_(timerOffset)
{
    if (!context_.valid())
        return;
    SetHeadlessWindow(true, width, height, context_.displayExtensions());
    LoadTextures();
}

void ShowRenderer::draw(long frame)
{
    // Integer arithmetic, so frame 480 at 60 fps reads exactly 8000 ms.
    int milliseconds = int(frame * 1000L / fps_);
    SetHeadlessClocks(timeOf(frame) + timerOffset_, milliseconds);
    SetupFrame(width(), height());
    RunTimeline();
    next_ = frame + 1;
}

bool ShowRenderer::render(long frame, std::vector<unsigned char> &rgba)
{
    if (frame != next_) {
        // The scene on screen is the one chosen in the frame before.
        SetHeadlessWindow(true, width(), height(), context_.displayExtensions());
        g_scene = SCENE_TITLE;
        if (frame > 0)
            draw(frame - 1);
    }
    if (HeadlessShowEnded())
        return false;
    draw(frame);
    if (HeadlessShowEnded())
        return false;
    rgba.resize(size_t(width()) * size_t(height()) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width(), height(), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return true;
}
