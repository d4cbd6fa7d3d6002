// heartcube-bench-clock: how true the music clock runs over one whole playback. The
// position FSOUND_Stream_GetTime reports is read every few milliseconds against two
// clocks of the machine, and against the frames the sound output has taken.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

#include "mp3_writer.h"
#include "platform/sound.h"
#include "platform/sound_backend.h"
#include "platform/desktop/sound_report.h"

static const int SAMPLE_RATE = 44100;
// The music is this long at most; the rest of the run plays the silence after it.
static const double MUSIC_SECONDS = 10.0;
static const int READ_EVERY_MS = 5;
// Readings until this long after the position first moves are left out of the fit:
// a device holds the position at 0 while it fills its buffer (a sound server's null
// sink that has been idle, for a second or two), and may start unevenly.
static const double SETTLE_MS = 1000;

// One clock of the machine that the position is held against, and the difference
// (position − time elapsed on it) at every reading.
struct Peer {
    const char *name;
    clockid_t id;
    double startNs = 0;
    std::vector<double> times;  // ms since the start
    std::vector<double> errors; // ms
};

static double ReadNs(clockid_t id)
{
    timespec now{};
    clock_gettime(id, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

// The difference fitted by least squares from settledMs on: its value at the first
// and last reading fitted, and how far any of them strays from the line.
static void PrintPeer(const Peer &peer, double settledMs)
{
    size_t from = 0;
    while (from + 1 < peer.times.size() && peer.times[from] < settledMs)
        from++;
    const size_t n = peer.times.size() - from;
    double sumT = 0, sumE = 0, sumTT = 0, sumTE = 0;
    for (size_t i = from; i < peer.times.size(); i++) {
        sumT += peer.times[i];
        sumE += peer.errors[i];
        sumTT += peer.times[i] * peer.times[i];
        sumTE += peer.times[i] * peer.errors[i];
    }
    const double slope = (double(n) * sumTE - sumT * sumE) / (double(n) * sumTT - sumT * sumT);
    const double intercept = (sumE - slope * sumT) / double(n);
    double stray = 0;
    for (size_t i = from; i < peer.times.size(); i++)
        stray = std::max(stray, std::fabs(peer.errors[i] - (intercept + slope * peer.times[i])));
    const double first = intercept + slope * peer.times[from];
    const double last = intercept + slope * peer.times.back();
    std::printf("position - %-26s %+8.3f ms settled, %+8.3f ms at the end: drift %+8.3f ms "
                "(%+.2f ppm); readings within %.3f ms of that line\n",
                peer.name, first, last, last - first, slope * 1e6, stray);
}

static int Usage(FILE *out, int status)
{
    std::fprintf(out,
                 "heartcube-bench-clock: measures the music clock against the machine's clocks over one playback.\n"
                 "usage: heartcube-bench-clock [--seconds N] [--sink silent|dummy|server]\n"
                 "  --seconds N   length of the run, 2 to 3600 (default 111, the whole show)\n"
                 "  --sink S      silent: the sink used without an audio device (default);\n"
                 "                dummy: SDL's dummy audio device, through the audio callback;\n"
                 "                server: the sound server that runs (bench/sync.sh starts one)\n");
    return status;
}

int main(int argc, char **argv)
{
    double seconds = 111;
    std::string sink = "silent";
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return Usage(stdout, 0);
        if (i + 1 >= argc)
            return Usage(stderr, 2);
        if (arg == "--seconds")
            seconds = std::atof(argv[++i]);
        else if (arg == "--sink")
            sink = argv[++i];
        else
            return Usage(stderr, 2);
    }
    if (!(seconds >= 2 && seconds <= 3600) || (sink != "silent" && sink != "dummy" && sink != "server"))
        return Usage(stderr, 2);
    // A driver SDL does not have gives the silent sink, even on a machine with sound;
    // none named, the sound layer goes to the server.
    if (sink == "server")
        unsetenv("SDL_AUDIODRIVER");
    else
        setenv("SDL_AUDIODRIVER", sink == "dummy" ? "dummy" : "heartcube-no-device", 1);

    const size_t frames = size_t(std::min(seconds, MUSIC_SECONDS) * SAMPLE_RATE);
    std::vector<int16_t> pcm(frames * 2);
    for (size_t i = 0; i < frames; i++)
        pcm[2 * i] = pcm[2 * i + 1] = int16_t(3000 * std::sin(double(i) * 0.0627));
    Mp3Options options;
    options.vbr = true;
    const std::vector<unsigned char> mp3 = EncodeMp3(pcm, options);

    FSOUND_Init(SAMPLE_RATE, 32, 0);
    FSOUND_STREAM *stream = FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()),
                                                   FSOUND_LOADMEMORY | FSOUND_MPEGACCURATE, int(mp3.size()));
    const int channel = FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1);
    if (!stream || channel < 0) {
        std::fprintf(stderr, "heartcube-bench-clock: the stream did not open\n");
        return 1;
    }

    Peer peers[] = {{"steady clock (MONOTONIC):", CLOCK_MONOTONIC, 0, {}, {}},
                    {"raw clock (MONOTONIC_RAW):", CLOCK_MONOTONIC_RAW, 0, {}, {}}};
    for (Peer &peer : peers)
        peer.startNs = ReadNs(peer.id);
    FSOUND_SetPaused(channel, 0);

    double worstLagMs = 0, sumLagMs = 0, movedMs = -1;
    long readings = 0, backwards = 0;
    int last = 0;
    bool device = false;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(READ_EVERY_MS));
        FollowSoundDevices(); // as the program's frame does
        // The report holds the position in frames: finer than the whole milliseconds
        // of FSOUND_Stream_GetTime, which is read for its steps alone.
        SoundOutputReport report{};
        ReportSoundOutput(stream, &report);
        const double heardMs = double(report.framesHeard) * 1e3 / report.sampleRate;
        for (Peer &peer : peers) {
            const double elapsedMs = (ReadNs(peer.id) - peer.startNs) / 1e6;
            peer.times.push_back(elapsedMs);
            peer.errors.push_back(heardMs - elapsedMs);
        }
        const int position = FSOUND_Stream_GetTime(stream);
        backwards += position < last;
        last = position;
        device = report.device;
        const double lagMs = double(report.framesTaken - report.framesHeard) * 1e3 / report.sampleRate;
        worstLagMs = std::max(worstLagMs, lagMs);
        sumLagMs += lagMs;
        readings++;
        if (movedMs < 0 && report.framesHeard > 0)
            movedMs = peers[0].times.back();
        if (peers[0].times.back() >= seconds * 1e3)
            break;
    }

    const char *output = !device           ? "the silent sink"
                         : sink == "dummy" ? "SDL's dummy audio device"
                                           : "the sound server";
    std::printf("heartcube-bench-clock: %.0f s on %s, %.1f s of music then silence, %ld readings\n", seconds, output,
                double(frames) / SAMPLE_RATE, readings);
    for (const Peer &peer : peers)
        PrintPeer(peer, movedMs + SETTLE_MS);
    std::printf("frames taken - position:    worst %.2f ms, mean %.2f ms\n", worstLagMs, sumLagMs / double(readings));
    std::printf("position went backwards:    %ld times; last position %d ms\n", backwards, last);
    if (device && sink == "dummy")
        std::printf("(the dummy device paces itself by sleeps: the drift is its own pace, which the\n"
                    " position follows, as the frames taken - position figure shows)\n");
    return 0;
}
