// The program's command line, and where the show plays from when none is named.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

#include "main/options.h"

namespace {

namespace fs = std::filesystem;

// The options point into the arguments, so these live until the next reading.
int Read(std::vector<std::string> arguments, ViewerOptions *options)
{
    static std::vector<std::string> kept;
    kept = std::move(arguments);
    kept.insert(kept.begin(), "heartcube");
    std::vector<char *> argv;
    for (std::string &argument : kept)
        argv.push_back(argument.data());
    testing::internal::CaptureStderr();
    const int result = ReadOptions(int(argv.size()), argv.data(), options);
    testing::internal::GetCapturedStderr();
    return result;
}

TEST(Options, BothSpellingsTheLastOneWinsAndValuesStayWhole)
{
    ViewerOptions o;
    ASSERT_EQ(Read({"--start=5", "--show", "a=b", "--window", "--start", "42.5", "--loop", "--mute"}, &o), OPTIONS_RUN);
    EXPECT_STREQ(o.showFolder, "a=b");
    EXPECT_EQ(o.startMilliseconds, 42500);
    EXPECT_TRUE(o.windowed && o.loop && o.mute);
    // The last moment before the end is a start; the show's other options are off again.
    ASSERT_EQ(Read({"--show=x=y", "--start=110.999"}, &o), OPTIONS_RUN);
    EXPECT_STREQ(o.showFolder, "x=y");
    EXPECT_EQ(o.startMilliseconds, 110999);
    EXPECT_FALSE(o.windowed || o.loop || o.mute);
}

// The installed show plays only where the working directory holds no part of one:
// a spoilt show keeps playing as it is, naming what it lacks.
TEST(Options, InstalledShowOnlyWhereThereIsNone)
{
    const fs::path home = fs::current_path();
    const fs::path root = fs::temp_directory_path() / ("options_test_" + std::to_string(getpid()));
    const fs::path installed = root / "installed";
    fs::create_directories(installed);
    fs::create_directories(root / "pictures-only" / "data");
    fs::create_directories(root / "music-only");
    std::ofstream(root / "music-only" / "Dezira.mp3") << "x";
    fs::create_directories(root / "empty");

    // clang-format off
    const struct { const char *from; const char *installed; fs::path expected; } cases[] = {
        {"empty", "installed", installed},
        {"empty", "not-installed", root / "empty"},
        {"pictures-only", "installed", root / "pictures-only"},
        {"music-only", "installed", root / "music-only"},
    };
    // clang-format on
    for (const auto &c : cases) {
        fs::current_path(root / c.from);
        EXPECT_EQ(EnterShowFolder(nullptr, (root / c.installed).c_str()), 1);
        EXPECT_EQ(fs::current_path(), c.expected) << c.from;
    }
    fs::current_path(root);
    testing::internal::CaptureStderr();
    EXPECT_EQ(EnterShowFolder("music-only/Dezira.mp3", installed.c_str()), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(fs::current_path(), root);

    fs::current_path(home);
    fs::remove_all(root);
}

} // namespace
