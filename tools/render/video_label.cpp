#include "video_label.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Half a year of frames at 60 a second: more than any render, and far from overflow.
const long MAX_FRAME = 1000000000L;
const int MAX_SAMPLES = 256;

} // namespace

std::string VideoLabel::Text() const
{
    char text[256];
    int used = snprintf(text, sizeof text, "heartcube frames %ld-%ld at %s fps, timer offset %.9g, show %016llx", first,
                        last, fps.Text().c_str(), timerOffset, show);
    // The parts that labels without them had stay as they were; the rest follow only when asked for.
    if (!preset.empty())
        used += snprintf(text + used, sizeof text - size_t(used), ", for %.16s", preset.c_str());
    if (shutter > 0)
        snprintf(text + used, sizeof text - size_t(used), ", shutter %.9g degrees, %d samples", shutter, samples);
    return text;
}

bool VideoLabel::Parse(const std::string &text, VideoLabel &label)
{
    VideoLabel read;
    char rate[24] = "", preset[17] = "";
    int used = 0;
    if (sscanf(text.c_str(), "heartcube frames %ld-%ld at %23[0-9/] fps, timer offset %lf, show %16llx%n", &read.first,
               &read.last, rate, &read.timerOffset, &read.show, &used) != 5 ||
        read.first < 0 || read.last < read.first || read.last > MAX_FRAME || !FrameRate::Parse(rate, read.fps) ||
        !std::isfinite(read.timerOffset))
        return false;
    size_t at = size_t(used);
    int more = 0;
    if (sscanf(text.c_str() + at, ", for %16[a-z]%n", preset, &more) == 1 && more > 0) {
        read.preset = preset;
        at += size_t(more);
    }
    more = 0;
    if (sscanf(text.c_str() + at, ", shutter %lf degrees, %d samples%n", &read.shutter, &read.samples, &more) == 2 &&
        more > 0) {
        if (!(read.shutter > 0 && read.shutter <= 360) || read.samples < 1 || read.samples > MAX_SAMPLES)
            return false;
        at += size_t(more);
    }
    if (at != text.size())
        return false;
    label = read;
    return true;
}
