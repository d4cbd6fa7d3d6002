#include "video_verify.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "interrupts.h"
#include "progress.h"
#include "render_modes.h"
#include "subprocess.h"
#include "temporary_file.h"

namespace {

// Fills buffer from the pipe: false at its end (or a read error) before it is full.
bool ReadFull(int fd, std::vector<unsigned char> &buffer, size_t &got)
{
    got = 0;
    while (got < buffer.size()) {
        ssize_t n = read(fd, buffer.data() + got, buffer.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

std::string Frame(long frame, FrameRate fps)
{
    char text[96];
    snprintf(text, sizeof text, "frame %ld (%.3f s)", frame, fps.Seconds(frame));
    return text;
}

} // namespace

std::string VerifyVideo(const std::string &path, const std::string &name, int width, int height, long first,
                        FrameRate fps, const std::vector<unsigned long long> &hashes)
{
    std::string log;
    int logFile = CreateTemporaryFile("heartcube-ffmpeg", "", &log);
    if (logFile < 0)
        return TemporaryFileError();
    TemporaryPath logPath(log);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        close(logFile);
        return std::string("cannot make a pipe: ") + strerror(errno);
    }
    std::string error;
    std::vector<std::string> args = FfmpegCommand();
    args.insert(args.end(), {"-i", FfmpegFile(path), "-map", "0:v:0", "-fps_mode", "passthrough", "-f", "rawvideo",
                             "-pix_fmt", "rgba", "pipe:1"});
    pid_t pid = StartProgram(args, -1, fds[1], logFile, &error);
    close(fds[1]);
    close(logFile);
    if (pid < 0) {
        close(fds[0]);
        return error;
    }

    std::vector<unsigned char> rgba(size_t(width) * size_t(height) * 4);
    Progress progress("verify", long(hashes.size()));
    size_t frames = 0, got = 0;
    while (error.empty() && ReadFull(fds[0], rgba, got)) {
        const long frame = first + long(frames);
        if (Interruption())
            error = "interrupted";
        else if (frames >= hashes.size())
            error = name + ": holds more frames than the " + std::to_string(hashes.size()) + " drawn";
        else if (HashBytes(rgba.data(), rgba.size()) != hashes[frames])
            error = name + ": " + Frame(frame, fps) + " differs from the frame drawn; not a faithful master";
        else
            progress.Advance(long(++frames));
    }
    // Stop ffmpeg at the first difference; it has nothing more to say.
    if (!error.empty())
        kill(pid, SIGTERM);
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!error.empty())
        return error;
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        std::string said = ReadLog(log);
        return name + ": cannot be decoded" + (said.empty() ? std::string() : ":\n" + said);
    }
    if (got > 0)
        return name + ": " + Frame(first + long(frames), fps) + " is cut short";
    if (frames < hashes.size())
        return name + ": holds " + std::to_string(frames) + " frames of the " + std::to_string(hashes.size()) +
               " drawn; " + Frame(first + long(frames), fps) + " is missing";
    progress.Finish();
    fprintf(stderr, "%s: %zu frames verified\n", name.c_str(), frames);
    return "";
}

std::string CheckLosslessMaster(const std::string &path, const std::map<std::string, std::string> &facts)
{
    auto fact = [&](const char *key) {
        auto found = facts.find(key);
        return found == facts.end() ? std::string() : found->second;
    };
    const std::string codec = fact("codec_name"), pixels = fact("pix_fmt");
    if (codec != "ffv1")
        return path + ": " + (codec.empty() ? "no pictures" : codec + " in " + pixels) +
               " is no lossless master; --for archive makes one";
    if (pixels.find("bgr") == std::string::npos && pixels.find("rgb") == std::string::npos &&
        pixels.find("gbr") == std::string::npos)
        return path + ": FFV1 in " + pixels + " is not the frames' RGB; --for archive makes a master in RGB";
    return "";
}
