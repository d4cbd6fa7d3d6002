#include "render_options.h"

#include "show/show.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

const char *const RENDER_USAGE =
    "heartcube-render: draws the show offscreen, frame by frame, into pictures or a video.\n"
    "\n"
    "usage: heartcube-render [OPTION...] OUTPUT\n"
    "  --time T -o FRAME.png      the frame at T seconds of the show\n"
    "  --from A --to B -o DIR/    numbered PNG frames from A up to B (default: the end)\n"
    "  --video SHOW.mp4           the show with its soundtrack, H.264/AAC (with --from/--to: a part)\n"
    "  --sheet STORYBOARD.png     one labelled frame of every scene, in a grid\n"
    "  --hashes FILE              a line per frame: number, time, hash of its pixels\n"
    "  --join SHOW.mp4 PART...    parts made with --video --part as one video, in the order of\n"
    "                             their frames: pictures copied, the soundtrack added to fit\n"
    "options:\n"
    "  --show DIR                 where data/ and " MUSIC_FILE " are (default: here, or the\n"
    "                             installed show when here holds neither)\n"
    "  --size WxH                 frame size in pixels (default 640x480)\n"
    "  --fps F                    frames per second, 1 to 240 (default 60)\n"
    "  --part K/N                 only the K-th of N equal parts of the stretch's frames\n"
    "  --timer-offset S           the animation timer's lead on the music, seconds (default 0)\n"
    "  --preset NAME, --crf N     x264's speed preset (default veryfast) and quality (default 18)\n"
    "  --help                     this text\n"
    "  --version                  the renderer's version\n";

namespace {

bool ParseNumber(const char *text, double &value)
{
    char *end = nullptr;
    errno = 0;
    value = strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(value);
}

bool ParseInt(const char *text, int low, int high, int &value)
{
    double number;
    if (!ParseNumber(text, number) || number != std::floor(number) || number < low || number > high)
        return false;
    value = int(number);
    return true;
}

// Two whole numbers around a separator: 640x480, 3/8.
bool ParsePair(const char *text, char separator, int low, int high, int &first, int &second)
{
    const char *at = strchr(text, separator);
    if (!at)
        return false;
    std::string before(text, at);
    return ParseInt(before.c_str(), low, high, first) && ParseInt(at + 1, low, high, second);
}

} // namespace

std::string ParseRenderOptions(int argc, char **argv, RenderOptions &o)
{
    bool haveFrom = false, haveTime = false;
    std::string frameOutput;
    auto setMode = [&](RenderOptions::Mode mode, const char *path) -> std::string {
        if (o.mode != RenderOptions::Mode::None && o.mode != RenderOptions::Mode::Frame &&
            o.mode != RenderOptions::Mode::Frames)
            return "give one of -o, --video, --sheet, --hashes, --join";
        o.mode = mode;
        o.output = path;
        return "";
    };

    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            return "help";
        if (arg == "--version")
            return "version";
        if (i + 1 >= argc)
            return "missing value after " + arg;
        const char *value = argv[++i];
        std::string error;
        if (arg == "--time") {
            if (!ParseNumber(value, o.time) || o.time < 0)
                return "--time needs a number of seconds, 0 or more";
            haveTime = true;
        } else if (arg == "--from") {
            if (!ParseNumber(value, o.from) || o.from < 0)
                return "--from needs a number of seconds, 0 or more";
            haveFrom = true;
        } else if (arg == "--to") {
            if (!ParseNumber(value, o.to) || o.to < 0)
                return "--to needs a number of seconds, 0 or more";
        } else if (arg == "-o") {
            frameOutput = value;
        } else if (arg == "--video") {
            error = setMode(RenderOptions::Mode::Video, value);
        } else if (arg == "--sheet") {
            error = setMode(RenderOptions::Mode::Sheet, value);
        } else if (arg == "--hashes") {
            error = setMode(RenderOptions::Mode::Hashes, value);
        } else if (arg == "--join") {
            error = setMode(RenderOptions::Mode::Join, value);
            // The parts follow, up to the next option.
            while (error.empty() && i + 1 < argc && argv[i + 1][0] != '-')
                o.inputs.push_back(argv[++i]);
        } else if (arg == "--part") {
            if (!ParsePair(value, '/', 1, 1000000, o.part, o.parts) || o.part > o.parts)
                return "--part needs K/N, a part K from 1 to N";
        } else if (arg == "--show") {
            o.show = value;
        } else if (arg == "--size") {
            if (!ParsePair(value, 'x', 1, 16384, o.width, o.height))
                return "--size needs WIDTHxHEIGHT, each 1 to 16384";
        } else if (arg == "--fps") {
            if (!ParseInt(value, 1, 240, o.fps))
                return "--fps needs a whole number from 1 to 240";
        } else if (arg == "--timer-offset") {
            if (!ParseNumber(value, o.timerOffset))
                return "--timer-offset needs a number of seconds";
        } else if (arg == "--preset") {
            o.preset = value;
        } else if (arg == "--crf") {
            if (!ParseInt(value, 0, 51, o.crf))
                return "--crf needs a whole number from 0 to 51";
        } else {
            return "unknown option " + arg;
        }
        if (!error.empty())
            return error;
    }

    if (!frameOutput.empty()) {
        if (o.mode != RenderOptions::Mode::None)
            return "give one of -o, --video, --sheet, --hashes, --join";
        o.mode = haveTime ? RenderOptions::Mode::Frame : RenderOptions::Mode::Frames;
        o.output = frameOutput;
    }
    if (o.mode == RenderOptions::Mode::None)
        return "nothing to make: give -o, --video, --sheet, --hashes or --join";
    if (haveTime && (o.mode != RenderOptions::Mode::Frame || haveFrom))
        return "--time goes with -o FRAME.png alone";
    if (o.mode == RenderOptions::Mode::Frames && !haveFrom)
        return "-o DIR/ needs --from (or --time for a single frame)";
    if (o.mode == RenderOptions::Mode::Join && o.inputs.empty())
        return "--join needs the parts after the output: --join SHOW.mp4 PART.mp4...";
    if (o.mode == RenderOptions::Mode::Join && (haveFrom || o.to >= 0 || o.parts > 0))
        return "--join takes its frames from its parts: no --from, --to or --part";
    if (o.parts > 0 && (o.mode == RenderOptions::Mode::Frame || o.mode == RenderOptions::Mode::Sheet))
        return "--part cuts a stretch: it goes with -o DIR/, --video or --hashes";
    if (o.to >= 0 && o.to <= o.from)
        return "--to must come after --from";
    if (o.mode == RenderOptions::Mode::Video && (o.width % 2 || o.height % 2))
        return "a video needs an even width and height (H.264 in yuv420p)";
    return "";
}
