// The texture coordinates the web build sends, recorded natively: the show's code
// compiled as for the web, over the web's fill-ins and the recording OpenGL, on
// scripted clocks at every frame time of the show. Phones keep the emulation's
// mediump floats in 16 bits, whose steps are 1/512 below 4 but 1/64 from 16 on,
// where the rotozoomer's and the tunnel's coordinates would otherwise be by a
// minute in: within 3, each picture lands within a quarter of a texel of where 32
// bits put it (the repeating pictures are 256 texels across).

#include <cmath>

#include "gl_recorder.h"
#include "show_test.h"

namespace {

const double MOST_COORDINATE = 3.0;

class WebTexCoords : public ShowTest {};

// The largest coordinate sent over the show's frames at 60 per second, its timer
// running `lead` seconds ahead of the music (a show looped or sought for long).
double LargestOverTheShow(double lead, int *frames)
{
    double largest = 0.0;
    *frames = 0;
    for (int n = 0; n < ShowEndSecond() * 60; n++, ++*frames) {
        const double seconds = n / 60.0;
        winrec::SetTimer(seconds + lead);
        winrec::SetMusicPosition(int(std::floor(seconds * 1000.0 + 1e-6)));
        glrec::ClearCalls();
        RunTimeline();
        for (const GlCall &call : glrec::Only({"glTexCoord2f"}))
            for (double c : call.args)
                largest = std::fmax(largest, std::fabs(c));
    }
    return largest;
}

TEST_F(WebTexCoords, StaySmallOverTheWholeShowWhateverTheTimer)
{
    glrec::Reset();
    for (double lead : {0.0, 3600.0}) {
        int frames = 0;
        EXPECT_LE(LargestOverTheShow(lead, &frames), MOST_COORDINATE) << "timer ahead by " << lead << " s";
        EXPECT_EQ(frames, 6660);
    }
}

} // namespace
