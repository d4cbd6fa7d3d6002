// The one set-up of the tests of the show's code: the program's state before its
// first frame, on the recording window: a 640x480 window open, both clocks at 0,
// the title next. Tests on the recording OpenGL reset it too.
#pragma once

#include <gtest/gtest.h>

#include "music/music.h"
#include "recording_window.h"
#include "timeline/timeline.h"

class ShowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        winrec::Reset();
        winrec::Open(640, 480);
        g_scene = SCENE_TITLE;
        g_musicTime = 0;
    }
};
