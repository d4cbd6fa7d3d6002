// The classic window calls in a web page: the page's canvas is the window, its
// WebGL context the OpenGL one (through emscripten's legacy emulation), its title
// the window title. Keys arrive between frames as the browser's events; the frame
// loop sees Escape as GLFW's sticky keys would show it. Termination tells the
// page, which puts up its end screen.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include <emscripten.h>
#include <emscripten/html5.h>

#include "platform/web/page.h"
#include "platform/window.h"

namespace {

struct WebWindow {
    bool initialised = false;
    double startMs = 0.0;
    bool timerHeld = false;
    double heldAt = 0.0; // the held timer's reading
    bool open = false;
    bool everOpened = false;
    bool sticky = false;
    bool escapeDown = false;
    bool escapePressed = false; // since the last read, for sticky keys
    unsigned serial = 0;
    long framesShown = 0;
};

WebWindow s_window;

// The page's fixed moment in seconds of show time, or a negative number for none,
// and how far the timer runs ahead of the music there.
// clang-format off
EM_JS(double, PageFixedMoment, (), {
    var page = Module["heartcube"];
    return page && typeof page.fixedTime == "number" ? page.fixedTime : -1;
});
EM_JS(double, PageTimerOffset, (), {
    var page = Module["heartcube"];
    return page && typeof page.timerOffset == "number" ? page.timerOffset : 0;
});

// A WebGL context on the page's canvas, made current, with the legacy emulation
// set up on it: opaque like a window, no multisampling, no depth buffer (nothing
// tests depth).
EM_JS(int, OpenCanvasContext, (), {
    var canvas = Module["canvas"];
    if (!canvas)
        return 0;
    try {
        return Browser.createContext(canvas, true, true,
                                     {alpha: false, antialias: false, depth: false, stencil: false}) ? 1 : 0;
    } catch (e) {
        return 0;
    }
});

EM_JS(void, CanvasSize, (int *width, int *height), {
    var canvas = Module["canvas"];
    HEAP32[width >> 2] = canvas ? canvas.width : 0;
    HEAP32[height >> 2] = canvas ? canvas.height : 0;
});

EM_JS(void, PageHook, (const char *name, const char *kind, const char *text, int number), {
    var page = Module["heartcube"];
    var hook = page && page[UTF8ToString(name)];
    if (hook)
        hook(kind ? UTF8ToString(kind) : "", text ? UTF8ToString(text) : "", number);
});
// clang-format on

EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent *event, void *)
{
    if (std::string_view(event->key) != "Escape")
        return EM_FALSE;
    s_window.escapeDown = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    if (s_window.escapeDown)
        s_window.escapePressed = true;
    return EM_FALSE; // the browser still leaves full screen on Escape
}

} // namespace

bool WebFixedClocks(double *timerSeconds, int *musicMilliseconds)
{
    double moment = PageFixedMoment();
    if (moment < 0)
        return false;
    // Any moment past the show's end is its end; so far past, its milliseconds
    // would not fit the music clock's int (?t=1e300 would freeze on the title).
    moment = std::min(moment, 1e6);
    // The first frame drawn shows the frame before, one sixtieth earlier, so that
    // the scene on screen is the one that frame chose.
    const double before = moment - 1.0 / 60.0;
    const double at = s_window.framesShown == 0 && before >= 0 ? before : moment;
    *timerSeconds = at + PageTimerOffset();
    *musicMilliseconds = int(std::floor(at * 1000.0 + 1e-6));
    return true;
}

void TellPage(const char *kind, const char *text)
{
    fprintf(stderr, "%s\n", text);
    PageHook("say", kind, text, 0);
}

int glfwInit()
{
    if (!s_window.initialised) {
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnKey);
        emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnKey);
    }
    s_window.initialised = true;
    s_window.timerHeld = false;
    s_window.startMs = emscripten_get_now();
    return 1;
}

void glfwTerminate()
{
    if (!s_window.initialised)
        return;
    s_window.initialised = false;
    s_window.open = false;
    s_window.escapeDown = s_window.escapePressed = false;
    if (s_window.everOpened)
        PageHook("ended", nullptr, nullptr, 0);
}

double glfwGetTime()
{
    if (!s_window.initialised)
        return 0.0;
    double timer = 0.0;
    int music = 0;
    if (WebFixedClocks(&timer, &music))
        return timer;
    if (s_window.timerHeld)
        return s_window.heldAt;
    return (emscripten_get_now() - s_window.startMs) / 1000.0;
}

void glfwSetTime(double time)
{
    time = std::max(time, 0.0);
    if (s_window.timerHeld)
        s_window.heldAt = time;
    else
        s_window.startMs = emscripten_get_now() - time * 1000.0;
}

void HoldTimer(int held)
{
    if (!s_window.initialised || (held != 0) == s_window.timerHeld)
        return;
    if (held) {
        s_window.heldAt = glfwGetTime();
        s_window.timerHeld = true;
    } else {
        s_window.timerHeld = false;
        glfwSetTime(s_window.heldAt);
    }
}

// The canvas is the window: its size is the page's business, whatever is asked.
int glfwOpenWindow(int, int, int, int, int, int, int, int, int)
{
    if (!s_window.initialised)
        return 0;
    if (!s_window.open && !OpenCanvasContext()) {
        TellPage("error", "window: this browser gives no WebGL, which the show draws with");
        return 0;
    }
    if (!s_window.open)
        s_window.serial++;
    s_window.open = s_window.everOpened = true;
    s_window.sticky = false;
    return 1;
}

void glfwSetWindowTitle(const char *title)
{
    if (s_window.open)
        emscripten_set_window_title(title);
}

void glfwGetWindowSize(int *width, int *height) { CanvasSize(width, height); }

// The browser presents the frame once the frame's callback returns; events come
// between callbacks. This counts the frame and lets the page look at it.
void glfwSwapBuffers()
{
    if (!s_window.open)
        return;
    s_window.framesShown++;
    PageHook("frameDrawn", nullptr, nullptr, int(s_window.framesShown));
}

void glfwEnable(int token)
{
    if (token == GLFW_STICKY_KEYS && s_window.open)
        s_window.sticky = true;
}

int glfwGetKey(int key)
{
    if (key != GLFW_KEY_ESC || !s_window.open)
        return GLFW_RELEASE;
    const bool pressed = s_window.escapeDown || (s_window.sticky && s_window.escapePressed);
    s_window.escapePressed = false;
    return pressed ? GLFW_PRESS : GLFW_RELEASE;
}

int glfwGetWindowParam(int param) { return param == GLFW_OPENED && s_window.open ? 1 : 0; }

// A browser's WebGL has no window-system extensions beside its own list.
int glfwExtensionSupported(const char *) { return 0; }

unsigned GetWindowSerial() { return s_window.serial; }

// The page's way to the end without a keyboard: Escape, pressed once.
extern "C" EMSCRIPTEN_KEEPALIVE void WebEndShow() { s_window.escapePressed = true; }
