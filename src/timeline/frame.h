// What every frame does before the timeline draws, shared by the program and the
// renderer so that both draw the very same frame.
#pragma once

#include <cstddef>

// Viewport, black clear, 65-degree perspective for the window's aspect, identity
// modelview and 2D texturing on. A height of 0 (a minimised window) counts as 1.
void SetupFrame(int width, int height);

// The window title: "Yeah! (%.1f FPS)". No frames yet shows 0.0.
void FormatFrameRateTitle(char *title, size_t size, int frames, double seconds);
