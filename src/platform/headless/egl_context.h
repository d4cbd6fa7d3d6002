// A headless OpenGL context through EGL, drawing offscreen at any size: no X
// server, no window, any EGL driver (Mesa's software renderer here). It draws into
// a pbuffer made like a 24-bit X window, so that frames come out as the program's
// window shows them, or else into a framebuffer object. Compatibility profile,
// since the show draws in immediate mode.
#pragma once

#include <memory>
#include <string>
#include <vector>

// Rows of a frame read back: pictures and PNG files keep the top row first,
// OpenGL (and ffmpeg told to flip) the bottom row first.
enum class RowOrder { TopFirst, BottomFirst };

class EglContext {
public:
    // Makes a context current with a width x height framebuffer to draw into and
    // read from. On failure, Valid() is false and Error() says why.
    EglContext(int width, int height);
    ~EglContext();
    EglContext(const EglContext &) = delete;
    EglContext &operator=(const EglContext &) = delete;

    bool Valid() const { return error_.empty(); }
    const std::string &Error() const { return error_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The EGL display's extension list (the window system's list, as GLX's would be).
    const char *DisplayExtensions() const;

    // The framebuffer as RGBA bytes in the row order asked, opaque as a screen shows
    // it, into rgba (resized to fit). OpenGL's pixel-store state is left as it was.
    void ReadPixels(RowOrder order, std::vector<unsigned char> &rgba) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
    int width_ = 0;
    int height_ = 0;
};
