// heartcube-bench-sync: how well the picture keeps to the music a sound server
// plays, and whether the server had to fill gaps with silence. The show plays a
// soundtrack of the benchmark's own (a quiet tone, loud from 8 s and from 16 s for a
// fifth of a second) over the default pictures; what the server plays is recorded
// from its device's monitor with parec, each chunk stamped as it arrives, and the
// screen is watched for the scene switches at 8 s and 16 s. A picture that changes
// after the loud tone is heard lags it.
//
// The picture shows a switch a frame or two after the clock passes it (the scene
// for a frame is chosen from the clock read at the start of the frame before), so
// the clock alone is measured too: the same soundtrack played by the FSOUND calls in
// this process, and the moment its position passes each mark.
//
// The sound goes to the server directly, as the program does by itself, and, for the
// peer measured in the same run, through SDL's pulseaudio driver. Each is measured at
// rest and with two busy threads beside it.
//
//   heartcube-bench-sync PROGRAM SHOW [--runs N] [--seconds S]
// Needs DISPLAY (a 640x480 screen), a sound server, and parec; bench/sync.sh brings
// a screen and a server of its own.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "mp3_writer.h"
#include "music/mp3_decoder.h"
#include "platform/sound.h"
#include "platform/sound_backend.h"
#include "platform/desktop/sound_report.h"

namespace {

using Clock = std::chrono::steady_clock;

const int RATE = 44100;
const double MARKS[] = {8.0, 16.0}; // scene switches: title to creators, creators to rotozoomer
const double MARK_SECONDS = 0.2;
const int QUIET = 3000, LOUD = 24000, THRESHOLD = 12000;
// A run of this many frames of exact silence in the recording was not in the music.
const size_t GAP_FRAMES = 64;
const int STRIP_Y = 240, STRIP_HEIGHT = 2;

double NowMs() { return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count(); }

// The soundtrack: `seconds` of a 441 Hz tone in stereo, loud at each mark.
std::vector<unsigned char> MakeSoundtrack(double seconds)
{
    const size_t frames = size_t(seconds * RATE);
    std::vector<int16_t> pcm(frames * 2);
    for (size_t i = 0; i < frames; i++) {
        const double t = double(i) / RATE;
        bool loud = false;
        for (double mark : MARKS)
            loud = loud || (t >= mark && t < mark + MARK_SECONDS);
        pcm[2 * i] = pcm[2 * i + 1] = int16_t((loud ? LOUD : QUIET) * std::sin(2 * M_PI * 441 * t + 0.3));
    }
    Mp3Options options;
    options.bitrateKbps = 192;
    return EncodeMp3(pcm, options);
}

// The first frame at or after `from` whose left sample reaches the threshold.
int64_t FirstLoud(const std::vector<int16_t> &pcm, int64_t from)
{
    for (int64_t i = std::max<int64_t>(0, from); i < int64_t(pcm.size() / 2); i++)
        if (std::abs(pcm[size_t(2 * i)]) >= THRESHOLD)
            return i;
    return -1;
}

// parec's output as it arrives: the frames, and after each read the count so far
// and the time.
struct Recording {
    std::mutex lock;
    std::vector<int16_t> pcm;
    std::vector<std::pair<int64_t, double>> reads;

    int64_t Frames()
    {
        std::lock_guard<std::mutex> guard(lock);
        return int64_t(pcm.size() / 2);
    }
    // When frame `frame` arrived: its chunk's last frame came with the read.
    double ArrivalMs(int64_t frame)
    {
        std::lock_guard<std::mutex> guard(lock);
        for (const auto &read : reads)
            if (read.first > frame)
                return read.second - double(read.first - 1 - frame) * 1e3 / RATE;
        return -1;
    }
};

pid_t Spawn(const std::vector<std::string> &args, const char *driver, int out)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (driver)
        setenv("SDL_AUDIODRIVER", driver, 1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(out >= 0 ? out : null, 1);
    dup2(null, 2);
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

struct DisplayCloser {
    void operator()(Display *display) const { XCloseDisplay(display); }
};

// One row band across the middle of the screen, where the pictures differ.
std::string Strip(Display *display)
{
    XImage *image = XGetImage(display, DefaultRootWindow(display), 0, STRIP_Y, 640, STRIP_HEIGHT, AllPlanes, ZPixmap);
    if (!image)
        return {};
    std::string bytes(image->data, size_t(image->bytes_per_line) * STRIP_HEIGHT);
    XDestroyImage(image);
    return bytes;
}

// The program's frame rate, from its window's title ("Yeah! (85.5 FPS)"); 0 when
// there is no such window.
double FrameRate(Display *display)
{
    Window root = DefaultRootWindow(display), parent, *children = nullptr;
    unsigned count = 0;
    double rate = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count))
        return 0;
    for (unsigned i = 0; i < count && rate == 0; i++) {
        char *name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
            std::sscanf(name, "Yeah! (%lf FPS)", &rate);
            XFree(name);
        }
    }
    if (children)
        XFree(children);
    return rate;
}

struct Run {
    bool ok = false;
    double lagMs[2] = {0, 0}; // picture switch, or position passing the mark, minus the mark heard
    double framesPerSecond = 0;
    double silenceMs = 0;
    int gaps = 0;
    double longestGapMs = 0;
};

struct Setting {
    const char *name;
    const char *driver; // SDL_AUDIODRIVER; null: the server directly
    int busy;
    bool clockOnly; // the FSOUND calls in this process, not the program on the screen
    std::vector<Run> runs;
};

// The program on screen: when the picture switches at each mark. After "Textures
// Loaded", the strip steady for half a second is the title, and its first change is
// the switch at 8 s; a second later the creators are steady, and the next change is
// the switch at 16 s.
bool WatchProgram(Display *display, const std::string &program, const std::string &show, const Setting &setting,
                  double seconds, Recording &recording, double switchMs[2], double *framesPerSecond)
{
    int said[2];
    if (pipe(said) != 0)
        return false;
    const pid_t pid = Spawn({program, "--show", show}, setting.driver, said[1]);
    close(said[1]);
    fcntl(said[0], F_SETFL, O_NONBLOCK);
    std::string output, reference, last;
    const double started = NowMs();
    double steadySince = -1, lastAt = 0;
    int found = 0;
    while (NowMs() - started < (seconds + 30) * 1e3) {
        char text[256];
        const ssize_t n = read(said[0], text, sizeof text);
        if (n > 0)
            output.append(text, size_t(n));
        if (output.find("Textures Loaded") == std::string::npos) {
            usleep(1000);
            continue;
        }
        const std::string strip = Strip(display);
        const double at = NowMs();
        if (found < 2 && reference.empty()) {
            if (strip != last || steadySince < 0)
                steadySince = at;
            else if (at - steadySince > 500 && (found == 0 || at - switchMs[0] > 1000))
                reference = strip;
        } else if (found < 2 && strip != reference) {
            switchMs[found++] = (lastAt + at) / 2;
            reference.clear();
            steadySince = -1;
            if (found == 2)
                *framesPerSecond = FrameRate(display);
        }
        last = strip;
        lastAt = at;
        if (found == 2 && recording.Frames() > int64_t((seconds + 1.5) * RATE))
            break;
        usleep(500);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    close(said[0]);
    return found == 2;
}

// The FSOUND calls here: when the position passes each mark.
bool WatchClock(const std::vector<unsigned char> &mp3, const Setting &setting, double switchMs[2])
{
    if (setting.driver)
        setenv("SDL_AUDIODRIVER", setting.driver, 1);
    FSOUND_Init(RATE, 32, 0);
    FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()),
                                                   FSOUND_LOADMEMORY | FSOUND_MPEGACCURATE, int(mp3.size()));
    FSOUND_SetPaused(FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1), 0);
    const double started = NowMs();
    int found = 0;
    while (found < 2 && NowMs() - started < (MARKS[1] + 10) * 1e3) {
        FollowSoundDevices(); // as the program's frame does
        SoundOutputReport report{};
        ReportSoundOutput(stream, &report);
        if (report.framesHeard >= int64_t(MARKS[found] * RATE))
            switchMs[found++] = NowMs();
        usleep(500);
    }
    usleep(500000);
    FSOUND_Close();
    unsetenv("SDL_AUDIODRIVER");
    return found == 2;
}

Run Measure(Display *display, const std::string &program, const std::string &show,
            const std::vector<unsigned char> &mp3, const Setting &setting, double seconds)
{
    Run run;
    std::atomic<bool> stop{false};
    std::vector<std::thread> busy;
    for (int i = 0; i < setting.busy; i++)
        busy.emplace_back([&stop] {
            volatile unsigned spin = 0;
            while (!stop)
                spin = spin + 1;
        });

    int sound[2];
    if (pipe(sound) != 0)
        return run;
    // Chunks of a millisecond: the null sink renders each just before it plays it, so
    // each arrives within about a millisecond of being heard.
    const pid_t parec = Spawn({"parec", "-d", "@DEFAULT_MONITOR@", "--raw", "--format=s16le", "--rate=44100",
                               "--channels=2", "--latency-msec=1"},
                              nullptr, sound[1]);
    close(sound[1]);
    Recording recording;
    std::thread reader([&recording, fd = sound[0]] {
        std::vector<char> buffer(65536);
        size_t carried = 0;
        for (;;) {
            const ssize_t n = read(fd, buffer.data() + carried, buffer.size() - carried);
            if (n <= 0)
                break;
            const double at = NowMs();
            const size_t have = carried + size_t(n), whole = have / 4 * 4;
            std::lock_guard<std::mutex> guard(recording.lock);
            const size_t old = recording.pcm.size();
            recording.pcm.resize(old + whole / 2);
            std::memcpy(recording.pcm.data() + old, buffer.data(), whole);
            recording.reads.emplace_back(int64_t(recording.pcm.size() / 2), at);
            carried = have - whole;
            std::memmove(buffer.data(), buffer.data() + whole, carried);
        }
        close(fd);
    });
    usleep(300000);

    double switchMs[2] = {-1, -1};
    const bool watched = setting.clockOnly ? WatchClock(mp3, setting, switchMs)
                                           : WatchProgram(display, program, show, setting, seconds, recording, switchMs,
                                                          &run.framesPerSecond);
    kill(parec, SIGTERM);
    waitpid(parec, nullptr, 0);
    reader.join();
    stop = true;
    for (std::thread &thread : busy)
        thread.join();
    if (!watched)
        return run;

    // Where the music starts in the recording, where the marks fall in it, and when
    // they were heard.
    const std::vector<int16_t> &heard = recording.pcm;
    int64_t start = 0;
    while (start < int64_t(heard.size() / 2) && heard[size_t(2 * start)] == 0 && heard[size_t(2 * start + 1)] == 0)
        start++;
    for (int k = 0; k < 2; k++) {
        const int64_t at = FirstLoud(heard, start + int64_t(MARKS[k] * RATE) - RATE / 20);
        if (at < 0)
            return run;
        run.lagMs[k] = switchMs[k] - recording.ArrivalMs(at);
    }
    // Runs of silence over the first `seconds` of the music.
    const double music = setting.clockOnly ? MARKS[1] : seconds;
    int64_t played = 0, zeros = 0;
    for (int64_t i = start; i < int64_t(heard.size() / 2) && played < int64_t(music * RATE); i++) {
        if (heard[size_t(2 * i)] == 0 && heard[size_t(2 * i + 1)] == 0) {
            zeros++;
            continue;
        }
        if (zeros >= int64_t(GAP_FRAMES)) {
            run.gaps++;
            run.silenceMs += double(zeros) * 1e3 / RATE;
            run.longestGapMs = std::max(run.longestGapMs, double(zeros) * 1e3 / RATE);
        } else {
            played += zeros;
        }
        zeros = 0;
        played++;
    }
    run.ok = played >= int64_t(music * RATE);
    return run;
}

// The mark is loud from its first frame, but the tone starts it wherever its wave
// stands, and the encoder smears it: the decoded soundtrack says where the
// threshold falls, and the lag counts from the mark itself.
double ThresholdOffsetMs(const std::vector<unsigned char> &mp3, double mark)
{
    auto decoder = Mp3Decoder::Open(mp3.data(), mp3.size());
    if (!decoder)
        return 0;
    std::vector<int16_t> pcm(decoder->Frames() * size_t(decoder->Channels()));
    decoder->Decode(pcm.data(), decoder->Frames());
    const int64_t at = FirstLoud(pcm, int64_t(mark * RATE) - RATE / 20);
    return double(at - int64_t(mark * RATE)) * 1e3 / RATE;
}

void Print(const Setting &setting, const double offsetMs[2])
{
    std::printf("  %-30s", setting.name);
    std::vector<Run> good;
    for (const Run &run : setting.runs)
        if (run.ok)
            good.push_back(run);
    if (good.empty()) {
        std::printf("no run measured\n");
        return;
    }
    for (int k = 0; k < 2; k++) {
        std::vector<double> lags;
        for (const Run &run : good)
            lags.push_back(run.lagMs[k] + offsetMs[k]);
        std::sort(lags.begin(), lags.end());
        double mean = 0, square = 0;
        for (double lag : lags)
            mean += lag / double(lags.size());
        for (double lag : lags)
            square += (lag - mean) * (lag - mean) / double(lags.size());
        std::printf("%+7.1f ms (sd %4.1f)  ", lags[lags.size() / 2], std::sqrt(square));
    }
    double silence = 0, longest = 0, rate = 0;
    int gaps = 0;
    for (const Run &run : good) {
        silence += run.silenceMs;
        gaps += run.gaps;
        longest = std::max(longest, run.longestGapMs);
        rate += run.framesPerSecond / double(good.size());
    }
    if (setting.clockOnly)
        std::printf("       -  ");
    else
        std::printf("%7.0f   ", rate);
    std::printf("%6.3f s in %4.1f gaps (longest %.0f ms)%s\n", silence / 1e3 / double(good.size()),
                double(gaps) / double(good.size()), longest, good.size() < setting.runs.size() ? "; runs lost" : "");
}

int Usage()
{
    std::fprintf(stderr, "usage: heartcube-bench-sync PROGRAM SHOW [--runs N] [--seconds S] [--clock-only]\n"
                         "Measures the picture against the sound a server plays (needs DISPLAY, a sound\n"
                         "server and parec: bench/sync.sh brings both). S (17 to 60, default 30) is how\n"
                         "much of the music is checked for inserted silence; --clock-only measures the\n"
                         "position of the FSOUND calls alone, without the program.\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return Usage();
    int runs = 5;
    double seconds = 30;
    bool clockOnly = false;
    for (int i = 3; i < argc; i++) {
        const std::string option = argv[i];
        if (option == "--clock-only")
            clockOnly = true;
        else if (option == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (option == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else
            return Usage();
    }
    if (runs < 1 || !(seconds >= 17 && seconds <= 60))
        return Usage();
    char program[PATH_MAX], pictures[PATH_MAX];
    if (!realpath(argv[1], program) || !realpath((std::string(argv[2]) + "/data").c_str(), pictures)) {
        std::fprintf(stderr, "heartcube-bench-sync: cannot find %s or %s/data\n", argv[1], argv[2]);
        return 1;
    }
    std::unique_ptr<Display, DisplayCloser> display(clockOnly ? nullptr : XOpenDisplay(nullptr));
    if (!clockOnly && !display) {
        std::fprintf(stderr, "heartcube-bench-sync: no display\n");
        return 1;
    }

    // The benchmark's show: its own soundtrack, the default pictures.
    char folder[] = "/tmp/heartcube-sync-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string show = folder;
    const std::vector<unsigned char> mp3 = MakeSoundtrack(seconds + 10);
    FILE *file = std::fopen((show + "/Dezira.mp3").c_str(), "wb");
    if (!file || std::fwrite(mp3.data(), 1, mp3.size(), file) != mp3.size() || std::fclose(file) != 0 ||
        symlink(pictures, (show + "/data").c_str()) != 0) {
        std::fprintf(stderr, "heartcube-bench-sync: cannot write the show in %s\n", folder);
        return 1;
    }
    const double offsetMs[2] = {ThresholdOffsetMs(mp3, MARKS[0]), ThresholdOffsetMs(mp3, MARKS[1])};

    Setting settings[] = {
        {"program, server, at rest", nullptr, 0, false, {}},   {"program, server, 2 busy", nullptr, 2, false, {}},
        {"program, SDL, at rest", "pulseaudio", 0, false, {}}, {"program, SDL, 2 busy", "pulseaudio", 2, false, {}},
        {"clock, server, at rest", nullptr, 0, true, {}},      {"clock, SDL, at rest", "pulseaudio", 0, true, {}}};
    for (int i = 0; i < runs; i++)
        for (Setting &setting : settings)
            if (setting.clockOnly || !clockOnly)
                setting.runs.push_back(Measure(display.get(), program, show, mp3, setting, seconds));

    std::printf("heartcube-bench-sync: %d runs each. The picture's switch (program), or the position passing\n"
                "the mark (clock), minus the mark heard: median and sd. The program's frames per second, and\n"
                "the silence the server inserted (program: in the first %.0f s of music; clock: in 16 s)\n",
                runs, seconds);
    std::printf("  %-30s%-23s%-23s%-10s%s\n", "", "at 8 s", "at 16 s", "frames/s", "silence, mean per run");
    for (const Setting &setting : settings)
        if (!setting.runs.empty())
            Print(setting, offsetMs);
    unlink((show + "/Dezira.mp3").c_str());
    unlink((show + "/data").c_str());
    rmdir(folder);
    return 0;
}
