// The full-screen mode choice.

#include <gtest/gtest.h>

#include "platform/desktop/video_mode.h"

namespace {

int Choose(std::initializer_list<VideoMode> modes)
{
    return ChooseVideoMode(modes.begin(), int(modes.size()), 640, 480);
}

TEST(VideoMode, DepthComesBeforeSize)
{
    // 800x600 at 32 bits wins over an exact 640x480 at 16 bits.
    EXPECT_EQ(Choose({{640, 480, 16, 60}, {800, 600, 32, 60}}), 1);
    EXPECT_EQ(Choose({{640, 480, 24, 60}, {1024, 768, 16, 60}}), 0);
}

TEST(VideoMode, ClosestSizeBySquaredDistance)
{
    // 800x600 is 160^2+120^2 = 40000 away, 512x384 only 128^2+96^2 = 25600.
    EXPECT_EQ(Choose({{800, 600, 24, 60}, {512, 384, 24, 60}, {1920, 1080, 24, 60}}), 1);
    EXPECT_EQ(Choose({{1920, 1080, 24, 60}, {1024, 768, 24, 60}}), 1);
}

TEST(VideoMode, FirstOfEqualsWins)
{
    EXPECT_EQ(Choose({{640, 480, 24, 75}, {640, 480, 24, 60}}), 0);
    // 700x480 and 580x480 are both 60 wide of the mark.
    EXPECT_EQ(Choose({{700, 480, 24, 60}, {580, 480, 24, 60}}), 0);
}

TEST(VideoMode, NoModesNoChoice) { EXPECT_EQ(ChooseVideoMode(nullptr, 0, 640, 480), -1); }

} // namespace
