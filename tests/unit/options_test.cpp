// The program's command line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/options.h"

namespace {

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

} // namespace
