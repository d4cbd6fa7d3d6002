// The FSOUND calls end to end, as the show's start-up makes them: on the silent sink
// (no device) and on SDL's dummy device, where the audio callback really runs.
// Timings are loose: the machine running the tests may be busy.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/sound.h"
#include "platform/sound_backend.h"
#include "platform/desktop/sound_report.h"
#include "test_music.h"

namespace {

const unsigned int SHOW_MODE = 0x28130;

class Fsound : public ::testing::Test {
protected:
    void TearDown() override
    {
        FSOUND_Close();
        SetStreamStart(0);
        unsetenv("SDL_AUDIODRIVER");
    }

    // A driver SDL does not have stands for a machine without sound.
    static void UseDriver(const char *name) { setenv("SDL_AUDIODRIVER", name, 1); }

    static std::vector<unsigned char> ShortMp3(int sampleRate, int channels, double seconds)
    {
        Mp3Options options;
        options.sampleRate = sampleRate;
        options.channels = channels;
        options.bitrateKbps = 64;
        return MakeMp3(options, size_t(seconds * sampleRate));
    }

    // The stream plays from the image, so the image is kept as long as the test runs.
    FSOUND_STREAM *Start(std::vector<unsigned char> image)
    {
        image_ = std::move(image);
        FSOUND_Init(44100, 32, 0);
        FSOUND_STREAM *stream =
            FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(image_.data()), SHOW_MODE, int(image_.size()));
        FSOUND_SetPaused(FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 1), 0);
        return stream;
    }

    static void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    // The stream's position once it reaches `ms`, or the last one read after five
    // seconds: a loaded machine may start a device late, but never stops its clock.
    static int WaitForPosition(FSOUND_STREAM *stream, int ms)
    {
        int position = FSOUND_Stream_GetTime(stream);
        for (int i = 0; i < 500 && position < ms; ++i) {
            Wait(10);
            position = FSOUND_Stream_GetTime(stream);
        }
        return position;
    }
    static int MsSince(std::chrono::steady_clock::time_point start)
    {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        return int(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }

    std::vector<unsigned char> image_;
};

TEST_F(Fsound, NotMp3LeavesTheClockAtZero)
{
    UseDriver("heartcube-none");
    FSOUND_Init(44100, 32, 0);
    const std::string text = "The words of a song, not the song.\n";
    EXPECT_EQ(FSOUND_Stream_OpenFile(text.data(), SHOW_MODE, int(text.size())), nullptr);
    // Without FSOUND_LOADMEMORY the pointer would be a file name: not served.
    const std::vector<unsigned char> mp3 = ShortMp3(44100, 2, 0.2);
    EXPECT_EQ(FSOUND_Stream_OpenFile(reinterpret_cast<const char *>(mp3.data()), 0, int(mp3.size())), nullptr);

    const int channel = FSOUND_Stream_PlayEx(FSOUND_FREE, nullptr, nullptr, 1);
    EXPECT_EQ(channel, -1);
    EXPECT_EQ(FSOUND_SetPaused(channel, 0), 0);
    Wait(50);
    EXPECT_EQ(FSOUND_Stream_GetTime(nullptr), 0);
}

TEST_F(Fsound, SilentSinkRunsInRealTimePastTheMusicAndSaysSoOnce)
{
    UseDriver("heartcube-none");
    const auto start = std::chrono::steady_clock::now();
    testing::internal::CaptureStderr();
    FSOUND_STREAM *stream = Start(ShortMp3(44100, 2, 0.2));
    // Frames for over a second: the driver is tried again meanwhile, without a word.
    for (int waited = 0; waited < 1200; waited += 10) {
        Wait(10);
        FollowSoundDevices();
    }
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(said.rfind("sound: no audio device (", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    const int ms = FSOUND_Stream_GetTime(stream);
    EXPECT_GE(ms, 1190);
    EXPECT_LE(ms, MsSince(start));

    SoundOutputReport report{};
    ASSERT_TRUE(ReportSoundOutput(stream, &report));
    EXPECT_FALSE(report.device);

    // Paused, the clock holds; resumed, it goes on from there.
    FSOUND_SetPaused(0, 1);
    const int held = FSOUND_Stream_GetTime(stream);
    Wait(200);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), held);
    FSOUND_SetPaused(0, 0);
    Wait(100);
    EXPECT_GT(FSOUND_Stream_GetTime(stream), held);
}

// A short 22.05 kHz mono stream: SDL converts it, the callback decodes it, and after
// its end the silence it plays keeps the clock going. The position lags what the
// device took by at most what SDL holds: the period just taken and the one playing.
TEST_F(Fsound, DummyDevicePlaysThroughTheCallbackAndPastTheMusic)
{
    UseDriver("dummy");
    const auto start = std::chrono::steady_clock::now();
    FSOUND_STREAM *stream = Start(ShortMp3(22050, 1, 0.25));
    ASSERT_NE(stream, nullptr);
    SoundOutputReport report{};
    ASSERT_TRUE(ReportSoundOutput(stream, &report));
    EXPECT_TRUE(report.device);

    int last = 0;
    for (int i = 0; i < 20; i++) {
        Wait(50);
        const int ms = FSOUND_Stream_GetTime(stream);
        ASSERT_GE(ms, last);
        last = ms;
        ASSERT_TRUE(ReportSoundOutput(stream, &report));
        EXPECT_LE(report.framesHeard, report.framesTaken);
        EXPECT_LE(report.framesTaken - report.framesHeard, 2 * 1024);
    }
    // The dummy device paces itself by sleeps, a little fast, and slow when starved.
    EXPECT_GE(last, 500);
    EXPECT_LE(last, MsSince(start) + 50);
}

// A late start past the music's end, then back to the start, on either output: the
// clock counts from the music's start each time, and runs.
TEST_F(Fsound, StartsLateAndRewinds)
{
    for (const char *driver : {"heartcube-none", "dummy"}) {
        SCOPED_TRACE(driver);
        UseDriver(driver);
        SetStreamStart(5000);
        const auto start = std::chrono::steady_clock::now();
        testing::internal::CaptureStderr();
        FSOUND_STREAM *stream = Start(ShortMp3(44100, 2, 1.0));
        testing::internal::GetCapturedStderr();
        ASSERT_NE(stream, nullptr);
        EXPECT_GE(FSOUND_Stream_GetTime(stream), 5000);
        const int late = WaitForPosition(stream, 5150);
        EXPECT_GE(late, 5150);
        EXPECT_LE(late, 5000 + MsSince(start) + 50);

        SeekStream(stream, 0);
        const auto rewound = std::chrono::steady_clock::now();
        EXPECT_LE(FSOUND_Stream_GetTime(stream), 100);
        const int again = WaitForPosition(stream, 150);
        EXPECT_GE(again, 150);
        EXPECT_LE(again, MsSince(rewound) + 50);
        FSOUND_Close();
    }
}

TEST_F(Fsound, ClosingForgetsTheStreams)
{
    UseDriver("heartcube-none");
    FSOUND_STREAM *stream = Start(ShortMp3(44100, 2, 0.2));
    ASSERT_NE(stream, nullptr);
    FSOUND_Close();
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    EXPECT_EQ(FSOUND_Stream_PlayEx(FSOUND_FREE, stream, nullptr, 0), -1);
    EXPECT_EQ(FSOUND_SetPaused(0, 1), 0);
}

// The show never closes the sound layer: exit() runs while SDL's audio thread plays.
TEST_F(Fsound, ExitWhilePlayingIsClean)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            UseDriver("dummy");
            Start(ShortMp3(44100, 2, 1.0));
            Wait(100);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
