// The stream on a real sound server, which the test's script has started (a null
// sink named heartcube_test its one device): the frames the position lags behind
// what the server took are what the server says it still holds, its queue and its
// device's, so the position is what is heard; and the stream follows the device as
// it goes and comes back.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "platform/sound_backend.h"
#include "platform/desktop/sound_report.h"
#include "test_music.h"

namespace {

// What `pactl` says the server holds of the one stream, in microseconds: its queue
// and its device's latency; -1 when it lists no stream.
double ServerHoldsUs()
{
    FILE *pactl = popen("pactl list sink-inputs", "r");
    if (!pactl)
        return -1;
    double queue = -1, device = -1;
    char line[512];
    while (std::fgets(line, sizeof line, pactl)) {
        std::sscanf(line, " Buffer Latency: %lf usec", &queue);
        std::sscanf(line, " Sink Latency: %lf usec", &device);
    }
    pclose(pactl);
    return queue < 0 || device < 0 ? -1 : queue + device;
}

FSOUND_STREAM *Play(const std::vector<unsigned char> &mp3)
{
    FSOUND_Init(44100, 32, 0);
    FSOUND_STREAM *stream =
        FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()), FSOUND_LOADMEMORY, int(mp3.size()));
    FSOUND_SetPaused(FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1), 0);
    return stream;
}

double LagUs(FSOUND_STREAM *stream)
{
    SoundOutputReport report{};
    EXPECT_TRUE(ReportSoundOutput(stream, &report));
    EXPECT_TRUE(report.device);
    return double(report.framesTaken - report.framesHeard) * 1e6 / report.sampleRate;
}

TEST(SoundServer, PositionLagsByWhatTheServerHolds)
{
    Mp3Options options;
    options.bitrateKbps = 64;
    const std::vector<unsigned char> mp3 = MakeMp3(options, 44100 * 4);
    FSOUND_STREAM *stream = Play(mp3);
    ASSERT_NE(stream, nullptr);
    // Until the first frame is heard the position stays at 0, however much the server
    // holds: a null sink that has been idle has played far ahead into silence.
    for (int waited = 0; FSOUND_Stream_GetTime(stream) < 300; waited += 10) {
        ASSERT_LT(waited, 10000) << "nothing heard within 10 s";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // The lag saw-tooths as the server asks for more, so each answer of the server is
    // held against the lag just before and just after it, and the middle one counts.
    std::vector<double> differences;
    for (int i = 0; i < 9; i++) {
        const double before = LagUs(stream);
        const double holds = ServerHoldsUs();
        const double after = LagUs(stream);
        ASSERT_GE(holds, 0) << "the server lists no stream";
        differences.push_back(holds - (before + after) / 2);
    }
    std::nth_element(differences.begin(), differences.begin() + 4, differences.end());
    EXPECT_NEAR(differences[4], 0, 15000) << "the position is off what the server holds by this many microseconds";
    FSOUND_Close();
}

// The device goes, and comes back: a line each on stderr, and the position runs on
// in real time throughout, never back and never ahead.
TEST(SoundServer, FollowsTheDeviceAwayAndBack)
{
    Mp3Options options;
    options.bitrateKbps = 64;
    const std::vector<unsigned char> mp3 = MakeMp3(options, 44100 * 2);
    testing::internal::CaptureStderr();
    FSOUND_STREAM *stream = Play(mp3);
    ASSERT_NE(stream, nullptr);
    int last = FSOUND_Stream_GetTime(stream);
    auto lastAt = std::chrono::steady_clock::now();
    // Frame after frame, reads the position until the stream is, or is not, on a device.
    auto follow = [&](bool device, int withinMs) {
        SoundOutputReport report{};
        for (int waited = 0; waited < withinMs; waited += 20) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            FollowSoundDevices(); // as the program's frame does
            const int now = FSOUND_Stream_GetTime(stream);
            const auto at = std::chrono::steady_clock::now();
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(at - lastAt).count();
            EXPECT_GE(now, last);
            EXPECT_LE(now - last, elapsed + 50);
            last = now;
            lastAt = at;
            if (ReportSoundOutput(stream, &report) && report.device == device)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(follow(true, 100));
    ASSERT_EQ(std::system("pactl unload-module module-null-sink"), 0);
    EXPECT_TRUE(follow(false, 3000));
    const int lost = last;
    EXPECT_FALSE(follow(true, 1500));
    EXPECT_GE(last - lost, 1000) << "the position stood still without a device";
    ASSERT_EQ(std::system("pactl load-module module-null-sink sink_name=heartcube_test >/dev/null"), 0);
    EXPECT_TRUE(follow(true, 5000));
    FSOUND_Close();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("sound: lost the audio device ("), 0u) << said;
    EXPECT_NE(said.find("\nsound: playing through the sound server from "), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
}

} // namespace
