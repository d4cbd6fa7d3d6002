#include "timeline/frame.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdio>

void SetupFrame(int width, int height)
{
    if (height <= 0)
        height = 1;
    glViewport(0, 0, width, height);

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(65.0, static_cast<double>(width) / height, 1.0, 100.0);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
}

void FormatFrameRateTitle(char *title, size_t size, int frames, double seconds)
{
    // The first title comes before any frame was counted, when 0 / 0 would show "nan".
    double rate = frames > 0 ? frames / seconds : 0.0;
    snprintf(title, size, "Yeah! (%.1f FPS)", rate);
}
