#include "fake_platform.h"

#include <deque>

#include "platform/sound.h"
#include "platform/window.h"

namespace {

struct Fake {
    double time = 0.0;
    std::deque<double> queued;
    int timeReads = 0;
    int musicPosition = 0;
    int musicReads = 0;
    bool windowOpen = false;
    int width = 640, height = 480;
    bool platformExtensions = false;
    int terminateCalls = 0;
    unsigned serial = 0;
};

Fake g_fake;

} // namespace

namespace fake {

void Reset() { g_fake = Fake(); }
void SetTime(double seconds) { g_fake.time = seconds; g_fake.queued.clear(); }
void QueueTimes(std::initializer_list<double> readings) { g_fake.queued.assign(readings); }
int TimeReads() { return g_fake.timeReads; }
void SetMusicPosition(int milliseconds) { g_fake.musicPosition = milliseconds; }
int MusicReads() { return g_fake.musicReads; }

void SetWindowOpen(bool open)
{
    if (open && !g_fake.windowOpen)
        g_fake.serial++;
    g_fake.windowOpen = open;
}

void SetWindowSize(int width, int height) { g_fake.width = width; g_fake.height = height; }
void SetPlatformExtensions(bool supported) { g_fake.platformExtensions = supported; }
int TerminateCalls() { return g_fake.terminateCalls; }

} // namespace fake

int glfwInit() { return 1; }

void glfwTerminate()
{
    g_fake.terminateCalls++;
    g_fake.windowOpen = false;
}

double glfwGetTime()
{
    g_fake.timeReads++;
    if (!g_fake.queued.empty()) {
        g_fake.time = g_fake.queued.front();
        g_fake.queued.pop_front();
    }
    return g_fake.time;
}

int glfwOpenWindow(int, int, int, int, int, int, int, int, int)
{
    fake::SetWindowOpen(true);
    return 1;
}

void glfwSetWindowTitle(const char *) {}

void glfwGetWindowSize(int *width, int *height)
{
    *width = g_fake.width;
    *height = g_fake.height;
}

void glfwSwapBuffers() {}
void glfwEnable(int) {}
int glfwGetKey(int) { return GLFW_RELEASE; }
int glfwGetWindowParam(int param) { return param == GLFW_OPENED && g_fake.windowOpen ? 1 : 0; }
int glfwExtensionSupported(const char *) { return g_fake.platformExtensions ? 1 : 0; }
unsigned GetWindowSerial() { return g_fake.serial; }

signed char FSOUND_Init(int, int, unsigned int) { return 1; }
void FSOUND_Close() {}
FSOUND_STREAM *FSOUND_Stream_OpenFile(const char *, unsigned int, int) { return nullptr; }
int FSOUND_Stream_PlayEx(int, FSOUND_STREAM *, void *, signed char) { return -1; }
signed char FSOUND_SetPaused(int, signed char) { return 0; }

int FSOUND_Stream_GetTime(FSOUND_STREAM *)
{
    g_fake.musicReads++;
    return g_fake.musicPosition;
}
