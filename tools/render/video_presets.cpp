#include "video_presets.h"

#include <cmath>

#include "subprocess.h"

namespace {

// clang-format off
const VideoPreset PRESETS[] = {
    // name       extension container    title       size         lossless
    {"youtube",  ".mp4",   "mp4",       "MP4",      2880, 2160,  false},
    {"archive",  ".mkv",   "matroska",  "Matroska", 0,    0,     true},
    {"web",      ".webm",  "webm",      "WebM",     1440, 1080,  false},
};

// The video site's upload bitrates, Mb/s, by lines: at up to 30 frames a second
// and at 48 to 60 (the top of each range it recommends). Faster rates get more,
// in proportion.
const struct { int lines; double standard, high; } UPLOAD_RATES[] = {
    {2160, 45, 68}, {1440, 16, 24}, {1080, 8, 12}, {720, 5, 7.5}, {480, 2.5, 4}, {0, 1, 1.5}};
// clang-format on

// Video sites and players show H.264 and VP9 as television does: BT.709 colours
// in the studio range. The conversion says so, and so do the tags, or a player
// guesses from the size and shifts every colour a little. The frames carry the
// tags as well as the encoder: ffmpeg 7 (Debian 13) takes them from the frames,
// over the options, and ffmpeg 5 (Debian 12) from the options.
std::vector<std::string> Bt709(const std::string &pixelFormat)
{
    return {"-vf",
            "scale=out_color_matrix=bt709:out_range=tv,format=" + pixelFormat +
                ",setparams=color_primaries=bt709:color_trc=bt709:colorspace=bt709:range=tv",
            "-color_primaries",
            "bt709",
            "-color_trc",
            "bt709",
            "-colorspace",
            "bt709",
            "-color_range",
            "tv"};
}

long Kilobits(int height, FrameRate fps)
{
    for (const auto &row : UPLOAD_RATES)
        if (height >= row.lines) {
            const double value = fps.Value();
            const double rate = value <= 30 ? row.standard : row.high * std::max(1.0, value / 60);
            return std::lround(rate * 1000);
        }
    return 1500;
}

// Whether ffmpeg's encoder takes that pixel format: libvpx takes 10 bits only
// where it was built for them.
bool EncoderTakes(const std::string &encoder, const std::string &pixelFormat)
{
    std::string out, said;
    if (RunProgram({"ffmpeg", "-hide_banner", "-h", "encoder=" + encoder}, &out, &said) != 0)
        return false;
    return out.find(" " + pixelFormat + " ") != std::string::npos ||
           out.find(" " + pixelFormat + "\n") != std::string::npos;
}

void Append(std::vector<std::string> &args, const std::vector<std::string> &more)
{
    args.insert(args.end(), more.begin(), more.end());
}

} // namespace

const VideoPreset *FindVideoPreset(const std::string &name)
{
    for (const VideoPreset &preset : PRESETS)
        if (name == preset.name)
            return &preset;
    return nullptr;
}

std::string VideoPresetNames()
{
    std::string names;
    for (const VideoPreset &preset : PRESETS)
        names += (names.empty() ? "" : ", ") + std::string(preset.name);
    return names;
}

std::vector<std::string> VideoCodingArguments(const VideoCoding &coding, int, int height, FrameRate fps)
{
    const std::string name = coding.preset ? coding.preset->name : "";
    const std::string crf = std::to_string(coding.crf);
    std::vector<std::string> args;
    if (name == "youtube") {
        // High profile, two B-frames, a closed GOP of half a second, the index at the front.
        const std::string gop = std::to_string(std::max(1L, std::lround(fps.Value() / 2)));
        Append(args, Bt709("yuv420p"));
        Append(args, {"-c:v", "libx264", "-preset", coding.x264Preset, "-profile:v", "high", "-bf", "2", "-g", gop,
                      "-keyint_min", gop, "-sc_threshold", "0", "-flags", "+cgop"});
        if (coding.crf >= 0) {
            Append(args, {"-crf", crf});
        } else {
            const std::string rate = std::to_string(Kilobits(height, fps)) + "k";
            const std::string buffer = std::to_string(2 * Kilobits(height, fps)) + "k";
            Append(args, {"-b:v", rate, "-maxrate", rate, "-bufsize", buffer});
        }
        Append(args, {"-movflags", "+faststart"});
    } else if (name == "archive") {
        // FFV1 version 3: every frame a key frame, each slice with its checksum; RGB as drawn.
        Append(args, {"-c:v", "ffv1", "-level", "3", "-g", "1", "-slices", "16", "-slicecrc", "1", "-coder", "1",
                      "-context", "1", "-pix_fmt", "bgr0"});
    } else if (name == "web") {
        // VP9 at constant quality, in 10 bits where libvpx has them (less banding in the fog).
        const bool deep = EncoderTakes("libvpx-vp9", "yuv420p10le");
        const std::string gop = std::to_string(std::max(1L, std::lround(fps.Value() * 2)));
        Append(args, Bt709(deep ? "yuv420p10le" : "yuv420p"));
        Append(args, {"-c:v",
                      "libvpx-vp9",
                      "-profile:v",
                      deep ? "2" : "0",
                      "-crf",
                      coding.crf >= 0 ? crf : "31",
                      "-b:v",
                      "0",
                      "-g",
                      gop,
                      "-deadline",
                      "good",
                      "-cpu-used",
                      "4",
                      "-row-mt",
                      "1",
                      "-tile-columns",
                      "2",
                      "-cues_to_front",
                      "1"});
    } else {
        Append(args, {"-c:v", "libx264", "-preset", coding.x264Preset, "-crf", coding.crf >= 0 ? crf : "18", "-pix_fmt",
                      "yuv420p", "-movflags", "+faststart"});
    }
    if (coding.preset)
        Append(args, {"-f", coding.preset->container});
    return args;
}

std::vector<std::string> SoundtrackCodingArguments(const VideoPreset *preset)
{
    const std::string name = preset ? preset->name : "";
    if (name == "youtube")
        return {"-c:a", "aac", "-profile:a", "aac_low", "-b:a", "384k", "-ar", "48000"};
    if (name == "archive")
        return {"-c:a", "flac", "-compression_level", "8"};
    if (name == "web")
        return {"-c:a", "libopus", "-b:a", "160k", "-ar", "48000"};
    return SOUNDTRACK_CODING;
}

std::string CheckVideoPreset(const VideoPreset &preset, const std::string &output, bool crfGiven, bool x264PresetGiven)
{
    const std::string name = preset.name, extension = preset.extension;
    if (output.size() < extension.size() ||
        output.compare(output.size() - extension.size(), extension.size(), extension) != 0)
        return "--for " + name + " writes " + preset.title + ": give the video a name ending in " + extension;
    if (preset.lossless && crfGiven)
        return "--for " + name + " is lossless: it takes no --crf";
    if (name != "youtube" && x264PresetGiven)
        return "--preset is x264's: --for " + name + " does not encode H.264";
    return "";
}
