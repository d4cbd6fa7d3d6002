// The full-screen mode choice: colour depth closest to 32 bits first, then the
// size closest to the request by squared distance; the first mode wins a tie.
#pragma once

struct VideoMode {
    int width;
    int height;
    int bits; // colour bits per pixel
    int refreshRate;
};

// Index into modes of the chosen one, or -1 when there is none.
int ChooseVideoMode(const VideoMode *modes, int count, int width, int height);
