#include "recording_window.h"

#include <deque>
#include <map>
#include <string>

#include "platform/extension_list.h"
#include "platform/sound_backend.h"
#include "platform/window.h"

namespace {

struct RecordingWindow {
    double timer = 0.0;
    std::deque<double> queuedTimes;
    int musicPosition = 0;
    bool open = false;
    bool ended = false;
    int width = 640, height = 480;
    std::string extensions;
    unsigned serial = 0;
    std::map<std::string, int> calls;
};

RecordingWindow s_window;

} // namespace

namespace winrec {

void Reset()
{
    const unsigned serial = s_window.serial;
    s_window = RecordingWindow();
    s_window.serial = serial;
}

void Open(int width, int height, const char *extensions)
{
    s_window.serial++;
    s_window.open = true;
    s_window.ended = false;
    s_window.width = width;
    s_window.height = height;
    s_window.extensions = extensions;
}

void Close() { s_window.open = false; }

void SetTimer(double seconds)
{
    s_window.timer = seconds;
    s_window.queuedTimes.clear();
}

void QueueTimes(std::initializer_list<double> readings) { s_window.queuedTimes.assign(readings); }
void SetMusicPosition(int milliseconds) { s_window.musicPosition = milliseconds; }
int Calls(const char *name) { return s_window.calls[name]; }

} // namespace winrec

int glfwInit() { return 1; }

void glfwTerminate()
{
    s_window.calls["glfwTerminate"]++;
    s_window.ended = true;
}

double glfwGetTime()
{
    s_window.calls["glfwGetTime"]++;
    if (!s_window.queuedTimes.empty()) {
        s_window.timer = s_window.queuedTimes.front();
        s_window.queuedTimes.pop_front();
    }
    return s_window.timer;
}

// The tests script the timer themselves.
void glfwSetTime(double) { s_window.calls["glfwSetTime"]++; }
void HoldTimer(int) { s_window.calls["HoldTimer"]++; }

int glfwOpenWindow(int, int, int, int, int, int, int, int, int) { return s_window.open ? 1 : 0; }
void glfwSetWindowTitle(const char *) {}

void glfwGetWindowSize(int *width, int *height)
{
    *width = s_window.width;
    *height = s_window.height;
}

void glfwSwapBuffers() {}
void glfwEnable(int) {}
int glfwGetKey(int) { return GLFW_RELEASE; }
int glfwGetWindowParam(int param) { return param == GLFW_OPENED && s_window.open && !s_window.ended ? 1 : 0; }
int glfwExtensionSupported(const char *extension) { return ExtensionListHas(s_window.extensions.c_str(), extension); }
unsigned GetWindowSerial() { return s_window.serial; }

// The sound backend: the front's calls answer the scripted music clock.
std::unique_ptr<StreamPlayer> OpenStreamPlayer(const unsigned char *, size_t) { return nullptr; }

bool HostMusicPosition(int *milliseconds)
{
    *milliseconds = s_window.musicPosition;
    return true;
}

void StartSoundBackend() {}
void StopSoundBackend() {}
