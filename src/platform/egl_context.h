// A headless OpenGL context through EGL, drawing offscreen at any size: no X
// server, no window, any EGL driver (Mesa's software renderer here). It draws into
// a pbuffer made like a 24-bit X window, so that frames come out as the program's
// window shows them, or else into a framebuffer object. Compatibility profile,
// since the show draws in immediate mode.
#pragma once

#include <memory>
#include <string>
#include <vector>

class EglContext {
public:
    // Makes a context current with a width x height framebuffer to draw into and
    // read from. On failure, valid() is false and error() says why.
    EglContext(int width, int height);
    ~EglContext();
    EglContext(const EglContext &) = delete;
    EglContext &operator=(const EglContext &) = delete;

    bool valid() const { return error_.empty(); }
    const std::string &error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The EGL display's extension list (the window system's list, as GLX's would be).
    const char *displayExtensions() const;

    // The framebuffer as RGBA bytes, top row first.
    std::vector<unsigned char> readPixels() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
    int width_ = 0;
    int height_ = 0;
};
