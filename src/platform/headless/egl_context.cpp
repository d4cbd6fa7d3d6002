#include "platform/headless/egl_context.h"
#include "platform/extension_list.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

struct EglContext::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE; // a pbuffer, when the driver has one to offer
    GLuint framebuffer = 0;
    GLuint colour = 0;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
};

namespace {

// The surfaceless platform needs no display server at all; elsewhere the default display serves.
EGLDisplay OpenDisplay()
{
    const char *clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (ExtensionListHas(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay) {
            EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
            if (display != EGL_NO_DISPLAY)
                return display;
        }
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

template <typename T> T Proc(const char *name) { return reinterpret_cast<T>(eglGetProcAddress(name)); }

EGLint Attribute(EGLDisplay display, EGLConfig config, EGLint name)
{
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

// A pbuffer configuration of 8 bits per colour, without alpha if there is one, as
// an X window on a 24-bit screen has: the software renderer then takes the same
// paths, to the same pixels, as for the program's window.
EGLConfig ChoosePbufferConfig(EGLDisplay display, int width, int height)
{
    // clang-format off
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                 EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
    // clang-format on
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count < 1)
        return nullptr;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    eglChooseConfig(display, attributes, configs.data(), count, &count);
    EGLConfig chosen = nullptr;
    for (EGLConfig config : configs) {
        if (Attribute(display, config, EGL_RED_SIZE) != 8 || Attribute(display, config, EGL_GREEN_SIZE) != 8 ||
            Attribute(display, config, EGL_BLUE_SIZE) != 8 ||
            Attribute(display, config, EGL_MAX_PBUFFER_WIDTH) < width ||
            Attribute(display, config, EGL_MAX_PBUFFER_HEIGHT) < height)
            continue;
        if (!chosen ||
            (Attribute(display, config, EGL_ALPHA_SIZE) == 0 && Attribute(display, chosen, EGL_ALPHA_SIZE) > 0))
            chosen = config;
    }
    return chosen;
}

} // namespace

EglContext::EglContext(int width, int height) : impl_(std::make_unique<Impl>()), width_(width), height_(height)
{
    if (width < 1 || height < 1) {
        error_ = "the framebuffer size must be at least 1x1";
        return;
    }
    Impl &s = *impl_;
    s.display = OpenDisplay();
    if (s.display == EGL_NO_DISPLAY || !eglInitialize(s.display, nullptr, nullptr)) {
        error_ = "no EGL display could be initialised";
        s.display = EGL_NO_DISPLAY;
        return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = "this EGL offers no desktop OpenGL";
        return;
    }

    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                        EGL_NONE};
    if (EGLConfig config = ChoosePbufferConfig(s.display, width, height)) {
        const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        s.surface = eglCreatePbufferSurface(s.display, config, size);
        if (s.surface != EGL_NO_SURFACE) {
            s.context = eglCreateContext(s.display, config, EGL_NO_CONTEXT, contextAttributes);
            if (s.context != EGL_NO_CONTEXT && eglMakeCurrent(s.display, s.surface, s.surface, s.context))
                return;
            if (s.context != EGL_NO_CONTEXT)
                eglDestroyContext(s.display, s.context);
            s.context = EGL_NO_CONTEXT;
            eglDestroySurface(s.display, s.surface);
            s.surface = EGL_NO_SURFACE;
        }
    }

    // Otherwise a context of its own with a framebuffer object to draw into.
    EGLConfig config = nullptr;
    if (!ExtensionListHas(eglQueryString(s.display, EGL_EXTENSIONS), "EGL_KHR_no_config_context")) {
        const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(s.display, attributes, &config, 1, &count) || count < 1) {
            error_ = "no EGL configuration renders desktop OpenGL";
            return;
        }
    }
    s.context = eglCreateContext(s.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (s.context == EGL_NO_CONTEXT || !eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, s.context)) {
        error_ = "no OpenGL context could be made current";
        return;
    }

    auto genFramebuffers = Proc<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    auto bindFramebuffer = Proc<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    auto genRenderbuffers = Proc<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    auto bindRenderbuffer = Proc<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    auto renderbufferStorage = Proc<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    auto framebufferRenderbuffer = Proc<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    auto checkFramebufferStatus = Proc<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
    s.deleteFramebuffers = Proc<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers");
    s.deleteRenderbuffers = Proc<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers");
    if (!genFramebuffers || !bindFramebuffer || !genRenderbuffers || !bindRenderbuffer || !renderbufferStorage ||
        !framebufferRenderbuffer || !checkFramebufferStatus || !s.deleteFramebuffers || !s.deleteRenderbuffers) {
        error_ = "this OpenGL has no framebuffer objects";
        return;
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width > maxSize || height > maxSize) {
        error_ = "the framebuffer is larger than this OpenGL allows (" + std::to_string(maxSize) + ")";
        return;
    }
    genRenderbuffers(1, &s.colour);
    bindRenderbuffer(GL_RENDERBUFFER, s.colour);
    renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    genFramebuffers(1, &s.framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.colour);
    if (checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error_ = "the offscreen framebuffer is incomplete";
        return;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
}

EglContext::~EglContext()
{
    Impl &s = *impl_;
    if (s.context != EGL_NO_CONTEXT) {
        if (s.framebuffer)
            s.deleteFramebuffers(1, &s.framebuffer);
        if (s.colour)
            s.deleteRenderbuffers(1, &s.colour);
        eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(s.display, s.context);
    }
    if (s.surface != EGL_NO_SURFACE)
        eglDestroySurface(s.display, s.surface);
    // The display is the process's, shared with any other context on it, so it is
    // not terminated here; the driver stays loaded until exit.
}

const char *EglContext::DisplayExtensions() const
{
    return impl_->display == EGL_NO_DISPLAY ? "" : eglQueryString(impl_->display, EGL_EXTENSIONS);
}

void EglContext::ReadPixels(RowOrder order, std::vector<unsigned char> &rgba) const
{
    rgba.assign(size_t(width_) * size_t(height_) * 4, 0);
    if (!Valid())
        return;
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);

    // A screen shows no alpha; where the framebuffer keeps some (pictures with an
    // alpha channel write it), the frame is made opaque as the window would be.
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    if (alphaBits > 0)
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;

    if (order == RowOrder::TopFirst) {
        const size_t stride = size_t(width_) * 4;
        for (int y = 0; y < height_ / 2; y++) {
            unsigned char *top = rgba.data() + size_t(y) * stride;
            std::swap_ranges(top, top + stride, rgba.data() + size_t(height_ - 1 - y) * stride);
        }
    }
}
