// libFuzzer target for the label a video carries in its comment tag (the join
// reads it from any file it is given): any bytes as the tag's text. What it
// accepts has frames to join, and says the same when written out again.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "video_label.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    VideoLabel label;
    if (!VideoLabel::Parse(std::string(reinterpret_cast<const char *>(data), size), label))
        return 0;
    VideoLabel again;
    if (label.Frames() < 1 || !VideoLabel::Parse(label.Text(), again) || again.Text() != label.Text() ||
        again.first != label.first || again.last != label.last || again.fps != label.fps || again.show != label.show)
        abort();
    return 0;
}
