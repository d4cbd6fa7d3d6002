#include "frame_rate.h"

#include <cstdlib>
#include <numeric>

namespace {

// Denominators past a million are no rate anyone films at, and keep k x den x 1000 far from overflow.
const long MAX_TERM = 1000000L;
const long MAX_FPS = 240;

bool ParseWhole(const std::string &text, long &value)
{
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = strtol(text.c_str(), nullptr, 10);
    return value >= 1 && value <= MAX_TERM;
}

} // namespace

std::string FrameRate::Text() const
{
    return den == 1 ? std::to_string(num) : std::to_string(num) + "/" + std::to_string(den);
}

bool FrameRate::Parse(const std::string &text, FrameRate &rate)
{
    FrameRate read;
    const size_t slash = text.find('/');
    if (slash == std::string::npos) {
        if (!ParseWhole(text, read.num))
            return false;
    } else if (!ParseWhole(text.substr(0, slash), read.num) || !ParseWhole(text.substr(slash + 1), read.den)) {
        return false;
    }
    if (read.num < read.den || read.num > MAX_FPS * read.den)
        return false;
    const long common = std::gcd(read.num, read.den);
    rate = {read.num / common, read.den / common};
    return true;
}
