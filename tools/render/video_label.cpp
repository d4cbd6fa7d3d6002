#include "video_label.h"

#include <cmath>
#include <cstdio>

namespace {

// Half a year of frames at 60 a second: more than any render, and far from overflow.
const long MAX_FRAME = 1000000000L;

} // namespace

std::string VideoLabel::Text() const
{
    char text[160];
    snprintf(text, sizeof text, "heartcube frames %ld-%ld at %d fps, timer offset %.9g, show %016llx", first, last, fps,
             timerOffset, show);
    return text;
}

bool VideoLabel::Parse(const std::string &text, VideoLabel &label)
{
    VideoLabel read;
    int used = 0;
    if (sscanf(text.c_str(), "heartcube frames %ld-%ld at %d fps, timer offset %lf, show %16llx%n", &read.first,
               &read.last, &read.fps, &read.timerOffset, &read.show, &used) != 5 ||
        size_t(used) != text.size() || read.first < 0 || read.last < read.first || read.last > MAX_FRAME ||
        read.fps < 1 || read.fps > 240 || !std::isfinite(read.timerOffset))
        return false;
    label = read;
    return true;
}
