#include "video_join.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "output_file.h"
#include "render_modes.h"
#include "soundtrack_wav.h"
#include "subprocess.h"
#include "temporary_file.h"
#include "video_presets.h"
#include "show/show.h"

namespace {

struct Part {
    std::string path;
    VideoLabel label;
    long frames = 0; // what the video stream holds
    int width = 0, height = 0;
    std::string streamId, coding; // the video stream's number, and its decoder set-up
};

std::string Range(long first, long last) { return std::to_string(first) + "-" + std::to_string(last); }

std::string ReadPart(const std::string &path, Part &part)
{
    std::map<std::string, std::string> facts;
    std::string error = ProbeVideo(path, facts);
    if (!error.empty())
        return error;
    part.path = path;
    if (facts["codec_name"].empty())
        return path + ": has no pictures";
    if (!VideoLabel::Parse(facts["TAG:comment"], part.label))
        return path + ": not a video of heartcube-render (its comment tag names no frames and show)";
    part.frames = atol(facts["nb_frames"].c_str());
    part.width = atoi(facts["width"].c_str());
    part.height = atoi(facts["height"].c_str());
    part.streamId = facts["id"];
    part.coding = facts["codec_name"] + " " + facts["extradata_hash"];
    if (part.frames != part.label.Frames())
        return path + ": holds " + std::to_string(part.frames) + " frames where its label says " +
               std::to_string(part.label.Frames()) + " (" + Range(part.label.first, part.label.last) + ")";
    return "";
}

// Why the part cannot be one of the show with that digest, or an empty string.
std::string Outside(const Part &part, unsigned long long show, const std::string &showFolder)
{
    const long frames = ShowFrames(part.label.fps);
    if (part.label.last >= frames)
        return part.path + ": frames " + Range(part.label.first, part.label.last) + " at " + part.label.fps.Text() +
               " fps are not all in the show, which has " + std::to_string(frames) + " (" + Range(0, frames - 1) + ")";
    if (part.label.show != show)
        return part.path + ": made of another show than the one in " + showFolder +
               " (its soundtrack or pictures differ)";
    return "";
}

// Why next was not made like first, or an empty string.
std::string Unlike(const Part &first, const Part &next)
{
    const std::string &name = next.path;
    if (next.width != first.width || next.height != first.height)
        return name + ": " + std::to_string(next.width) + "x" + std::to_string(next.height) + " where " + first.path +
               " is " + std::to_string(first.width) + "x" + std::to_string(first.height);
    if (next.label.fps != first.label.fps)
        return name + ": " + next.label.fps.Text() + " frames a second where " + first.path + " has " +
               first.label.fps.Text();
    auto madeWith = [](const std::string &preset) { return preset.empty() ? "a plain --video" : "--for " + preset; };
    if (next.label.preset != first.label.preset)
        return name + ": made with " + madeWith(next.label.preset) + " where " + first.path + " was made with " +
               madeWith(first.label.preset);
    if (next.label.shutter != first.label.shutter || next.label.samples != first.label.samples)
        return name + ": made with another --shutter or --samples than " + first.path;
    if (next.label.timerOffset != first.label.timerOffset)
        return name + ": made with another --timer-offset than " + first.path;
    if (next.coding != first.coding || next.streamId != first.streamId)
        return name + ": encoded with other settings than " + first.path + " (--crf or --preset)";
    return "";
}

// Why next cannot follow previous, or an empty string.
std::string Gap(const Part &previous, const Part &next)
{
    const std::string &name = next.path;
    if (next.label.first > previous.label.last + 1)
        return name + ": frames " + Range(previous.label.last + 1, next.label.first - 1) + " are missing between " +
               previous.path + " and it";
    if (next.label.first <= previous.label.last)
        return name + ": starts at frame " + std::to_string(next.label.first) + ", inside " + previous.path +
               " (frames " + Range(previous.label.first, previous.label.last) + ")";
    return "";
}

bool SameFile(const std::string &a, const std::string &b)
{
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A path as ffmpeg's concat list quotes it, whole, the current folder and all
// (the list's own folder is elsewhere).
std::string ConcatQuoted(const std::string &path)
{
    std::string quoted = "'";
    for (char c : FfmpegFile(Absolute(path)))
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::string ProbeVideo(const std::string &path, std::map<std::string, std::string> &facts)
{
    // A pipe would keep ffprobe waiting; a folder is no video.
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return path + ": " + strerror(errno);
    if (!S_ISREG(info.st_mode))
        return path + ": not a regular file";
    std::string out, said;
    int status =
        RunProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_data_hash", "sha256", "-show_entries",
                    "stream=id,codec_name,width,height,pix_fmt,nb_frames,extradata_hash:format_tags", "-of",
                    "default=noprint_wrappers=1", FfmpegFile(path)},
                   &out, &said);
    if (status != 0)
        return path + ": not a video ffprobe can read" + (said.empty() ? "" : " (" + said + ")");
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        std::string line = out.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            facts[line.substr(0, equals)] = line.substr(equals + 1);
        start = end == std::string::npos ? out.size() : end + 1;
    }
    // Matroska writes its tags' names in capitals and counts no frames: ffprobe counts them.
    if (facts.count("TAG:COMMENT"))
        facts["TAG:comment"] = facts["TAG:COMMENT"];
    if (facts["nb_frames"].empty() || facts["nb_frames"] == "N/A") {
        if (RunProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                        "stream=nb_read_packets", "-of", "csv=p=0", FfmpegFile(path)},
                       &out, &said) != 0)
            return path + ": not a video ffprobe can read" + (said.empty() ? "" : " (" + said + ")");
        facts["nb_frames"] = out.substr(0, out.find_first_of(",\n"));
    }
    return "";
}

std::string JoinVideos(const std::string &output, const std::vector<std::string> &paths, const std::string &showFolder)
{
    std::string error = MissingFfmpeg({"ffmpeg", "ffprobe"});
    if (!error.empty())
        return error;

    const unsigned long long show = ShowDigest(showFolder);
    std::vector<Part> parts(paths.size());
    for (size_t i = 0; i < paths.size(); i++) {
        if (SameFile(paths[i], output))
            return paths[i] + ": is the output too; the join would overwrite it";
        error = ReadPart(paths[i], parts[i]);
        if (error.empty())
            error = Outside(parts[i], show, showFolder);
        if (error.empty() && i > 0)
            error = Unlike(parts[0], parts[i]);
        if (!error.empty())
            return error;
    }
    // The labels say where each part goes, whatever order a shell's * gave them in.
    std::stable_sort(parts.begin(), parts.end(),
                     [](const Part &a, const Part &b) { return a.label.first < b.label.first; });
    for (size_t i = 1; i < parts.size(); i++) {
        error = Gap(parts[i - 1], parts[i]);
        if (!error.empty())
            return error;
    }
    VideoLabel whole = parts.front().label;
    whole.last = parts.back().label.last;
    const VideoPreset *preset = FindVideoPreset(whole.preset);

    // Made under a name of its own beside the output, and named once whole.
    OutputFile video(output);
    if (!video.Error().empty())
        return output + ": " + video.Error();
    TemporaryPath wav, list;
    error = WriteTemporarySoundtrack(showFolder + "/" MUSIC_FILE, whole.first, whole.Frames(), whole.fps, wav);
    if (error.empty())
        error = MakeTemporaryFile("heartcube-join", ".ffconcat", list);
    if (!error.empty())
        return error;

    // Only the pictures of each part: their own sound, with its encoder delay,
    // would shift the parts' times. Matroska numbers no streams: there each part
    // lasts as long as its frames, whatever its sound.
    const std::string &id = parts.front().streamId;
    const bool numbered = !id.empty() && id != "N/A";
    std::string text = "ffconcat version 1.0\n";
    if (numbered)
        text += "stream\nexact_stream_id " + id + "\n";
    for (const Part &part : parts) {
        text += "file " + ConcatQuoted(part.path) + "\n";
        if (!numbered) {
            char duration[64];
            snprintf(duration, sizeof duration, "duration %.6f\n", part.label.fps.Seconds(part.label.Frames()));
            text += duration;
        }
    }
    if (FILE *file = fopen(list.path.c_str(), "w")) {
        bool written = fputs(text.c_str(), file) >= 0;
        if (fclose(file) != 0 || !written)
            return list.path + ": cannot be written";
    } else {
        return list.path + ": " + strerror(errno);
    }

    std::string out, said;
    std::vector<std::string> args = FfmpegCommand();
    // The soundtrack and the container the parts were made for.
    const std::vector<std::string> soundtrack = SoundtrackCodingArguments(preset);
    args.insert(args.end(), {"-f", "concat", "-safe", "0", "-i", FfmpegFile(list.path), "-i", FfmpegFile(wav.path),
                             "-map", "0:v", "-map", "1:a", "-c:v", "copy"});
    args.insert(args.end(), soundtrack.begin(), soundtrack.end());
    args.insert(args.end(), {"-metadata", "comment=" + whole.Text()});
    if (preset && std::string(preset->container) != "mp4")
        args.insert(args.end(), {"-f", preset->container, FfmpegFile(video.Path())});
    else
        args.insert(args.end(), {"-movflags", "+faststart", "-f", "mp4", FfmpegFile(video.Path())});
    int status = RunProgram(args, &out, &said);
    if (status != 0)
        return "ffmpeg failed to join" + (said.empty() ? std::string() : ":\n" + said);

    // ffmpeg stops quietly at a part whose pictures are damaged: count them.
    std::map<std::string, std::string> facts;
    error = ProbeVideo(video.Path(), facts);
    if (!error.empty())
        return error;
    const long joined = atol(facts["nb_frames"].c_str());
    if (joined != whole.Frames()) {
        long end = whole.first;
        size_t stop = 0;
        while (stop + 1 < parts.size() && end + parts[stop].frames <= whole.first + joined)
            end += parts[stop++].frames;
        return "the joined video holds " + std::to_string(joined) + " of " + std::to_string(whole.Frames()) +
               " frames: the pictures stop in " + parts[stop].path + " (damaged?)";
    }
    error = video.Keep();
    return error.empty() ? error : output + ": " + error;
}
