// How long the show takes to start, seen from outside as a viewer would see it:
// from the process start to "Music Loaded" (the music is playing from then on),
// to the window appearing, and to the first frame on screen. A bare full-screen
// OpenGL window measured in the same run is the yardstick.
//
//   heartcube-bench-startup PROGRAM SHOW_DIR PEER [RUNS]
// Needs DISPLAY (run it under xvfb-run -s "-screen 0 640x480x24").

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Timings {
    double musicLoaded = -1, windowMapped = -1, firstFrame = -1;
};

struct DisplayCloser {
    void operator()(Display *d) const { XCloseDisplay(d); }
};

bool AnyViewableWindow(Display *display)
{
    Window root = DefaultRootWindow(display), parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; i++) {
        XWindowAttributes attributes;
        found = XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable;
    }
    if (children)
        XFree(children);
    return found;
}

// Something other than black at the centre of the screen: a frame has been presented.
bool CentreLit(Display *display)
{
    int width = DisplayWidth(display, DefaultScreen(display));
    int height = DisplayHeight(display, DefaultScreen(display));
    XImage *image =
        XGetImage(display, DefaultRootWindow(display), width / 2 - 8, height / 2 - 8, 16, 16, AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool lit = false;
    for (int y = 0; y < 16 && !lit; y++)
        for (int x = 0; x < 16 && !lit; x++)
            lit = (XGetPixel(image, x, y) & 0xffffff) != 0;
    XDestroyImage(image);
    return lit;
}

Timings Measure(Display *display, const char *program, const char *directory)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    Clock::time_point start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(directory) != 0)
            _exit(127);
        dup2(out[1], 1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(out[0]);
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    fcntl(out[0], F_SETFL, O_NONBLOCK);

    Timings t;
    std::string text;
    while (t.firstFrame < 0 && Since(start) < 20000) {
        char buffer[256];
        ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, size_t(n));
            if (t.musicLoaded < 0 && text.find("Music Loaded\n") != std::string::npos)
                t.musicLoaded = Since(start);
        }
        if (t.windowMapped < 0 && AnyViewableWindow(display))
            t.windowMapped = Since(start);
        if (t.windowMapped >= 0 && CentreLit(display))
            t.firstFrame = Since(start);
        usleep(500);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    close(out[0]);
    // Let the screen go black again before the next run.
    for (int i = 0; i < 200 && CentreLit(display); i++)
        usleep(10000);
    return t;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: heartcube-bench-startup PROGRAM SHOW_DIR PEER [RUNS]\n"
                        "Times the show's start-up against a bare full-screen OpenGL window.\n");
        return 2;
    }
    int runs = argc > 4 ? std::max(1, atoi(argv[4])) : 7;
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        fprintf(stderr, "heartcube-bench-startup: no display (run it under xvfb-run)\n");
        return 1;
    }

    // The program starts in the show directory, so its own path must not be relative.
    char program[PATH_MAX], peerProgram[PATH_MAX];
    if (!realpath(argv[1], program) || !realpath(argv[3], peerProgram)) {
        fprintf(stderr, "heartcube-bench-startup: cannot find %s or %s\n", argv[1], argv[3]);
        return 1;
    }

    std::vector<double> music, mapped, frame, peerMapped, peerFrame;
    for (int i = 0; i < runs; i++) {
        Timings show = Measure(display.get(), program, argv[2]);
        Timings peer = Measure(display.get(), peerProgram, ".");
        if (show.firstFrame < 0 || peer.firstFrame < 0) {
            fprintf(stderr, "heartcube-bench-startup: a run showed no frame within 20 s\n");
            return 1;
        }
        music.push_back(show.musicLoaded);
        mapped.push_back(show.windowMapped);
        frame.push_back(show.firstFrame);
        peerMapped.push_back(peer.windowMapped);
        peerFrame.push_back(peer.firstFrame);
    }

    double showFrame = Median(frame), bareFrame = Median(peerFrame);
    printf("start-up, median of %d runs (ms from process start)\n", runs);
    printf("  music playing (\"Music Loaded\")   %8.1f\n", Median(music));
    printf("  window on screen                  %8.1f   bare window %8.1f\n", Median(mapped), Median(peerMapped));
    printf("  first frame on screen             %8.1f   bare window %8.1f\n", showFrame, bareFrame);
    printf("  first frame: %.1fx the bare window; before the window opens: %.1f ms\n", showFrame / bareFrame,
           Median(mapped));
    return 0;
}
