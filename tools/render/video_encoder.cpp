#include "video_encoder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include "temporary_file.h"
#include "timing.h"

extern char **environ;

namespace {

// Enough frames in flight to keep ffmpeg busy while the next ones are drawn.
const size_t BUFFERS = 4;

bool FindOnPath(const char *program)
{
    const char *path = getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (access(((dir.empty() ? "." : dir) + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

std::string ReadLog(const std::string &path)
{
    std::string text;
    if (FILE *file = fopen(path.c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof line, file) && text.size() < 4000)
            text += line;
        fclose(file);
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace

VideoEncoder::VideoEncoder(const Settings &settings) : settings_(settings)
{
    if (!FindOnPath("ffmpeg")) {
        error_ = "ffmpeg is not installed (Debian: apt-get install ffmpeg)";
        return;
    }
    int logFile = CreateTemporaryFile("heartcube-ffmpeg", "", &log_);
    if (logFile < 0) {
        error_ = std::string("cannot make a temporary file in ") + TemporaryDirectory() + ": " + strerror(errno);
        return;
    }

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        close(logFile);
        error_ = std::string("cannot make a pipe: ") + strerror(errno);
        return;
    }

    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgba", "-video_size", size,
                                     "-framerate", std::to_string(settings.fps), "-i", "pipe:0"};
    if (!settings.audio.empty())
        args.insert(args.end(), {"-i", settings.audio});
    args.insert(args.end(), {"-map", "0:v"});
    if (!settings.audio.empty())
        args.insert(args.end(), {"-map", "1:a", "-c:a", "aac", "-b:a", "192k"});
    if (settings.encode)
        args.insert(args.end(), {"-c:v", "libx264", "-preset", settings.preset, "-crf", std::to_string(settings.crf),
                                 "-pix_fmt", "yuv420p", "-movflags", "+faststart", settings.output});
    else
        args.insert(args.end(), {"-pix_fmt", "yuv420p", "-f", "null", "-"});
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_adddup2(&actions, logFile, 2);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int spawned = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    close(logFile);
    if (spawned != 0) {
        close(fds[1]);
        error_ = std::string("cannot start ffmpeg: ") + strerror(spawned);
        return;
    }
    pid_ = pid;
    pipe_ = fds[1];
    // A larger pipe than the default 64 KiB passes a frame in a few writes, not dozens.
    fcntl(pipe_, F_SETPIPE_SZ, 1 << 20);

    const size_t frameBytes = size_t(settings.width) * size_t(settings.height) * 4;
    buffers_.assign(BUFFERS, std::vector<unsigned char>(frameBytes));
    for (size_t i = 1; i < BUFFERS; i++)
        free_.push_back(i);
    current_ = 0;
    writer_ = std::thread(&VideoEncoder::WriteFrames, this);
}

VideoEncoder::~VideoEncoder()
{
    Finish();
    if (!log_.empty())
        unlink(log_.c_str());
}

void VideoEncoder::Fail(const std::string &why)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failed_)
        error_ = why;
    failed_ = true;
    changed_.notify_all();
}

std::vector<unsigned char> &VideoEncoder::NextBuffer()
{
    return buffers_[current_];
}

bool VideoEncoder::Submit()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (failed_ || pipe_ < 0)
        return false;
    queued_.push_back(current_);
    changed_.notify_all();
    changed_.wait(lock, [&] { return !free_.empty() || failed_; });
    if (failed_)
        return false;
    current_ = free_.front();
    free_.pop_front();
    return true;
}

void VideoEncoder::WriteFrames()
{
    const size_t stride = size_t(settings_.width) * 4;
    const int height = settings_.height;
    std::vector<iovec> rows(static_cast<size_t>(height));
    for (;;) {
        size_t index;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return !queued_.empty() || closing_ || failed_; });
            if (failed_ || queued_.empty())
                return;
            index = queued_.front();
            queued_.pop_front();
        }
        // The rows go out top first: the flip costs nothing but the order of the pieces.
        unsigned char *frame = buffers_[index].data();
        for (int y = 0; y < height; y++)
            rows[size_t(y)] = {frame + size_t(height - 1 - y) * stride, stride};
        size_t next = 0;
        while (next < rows.size()) {
            int count = int(std::min<size_t>(rows.size() - next, IOV_MAX));
            ssize_t written = writev(pipe_, &rows[next], count);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                Fail("ffmpeg stopped taking frames");
                return;
            }
            // Step over what went out; a short write leaves part of a row.
            size_t left = size_t(written);
            while (left > 0 && next < rows.size()) {
                size_t take = std::min(left, rows[next].iov_len);
                rows[next].iov_base = static_cast<unsigned char *>(rows[next].iov_base) + take;
                rows[next].iov_len -= take;
                left -= take;
                if (rows[next].iov_len == 0)
                    next++;
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(index);
        changed_.notify_all();
    }
}

bool VideoEncoder::Finish()
{
    if (pid_ < 0)
        return error_.empty();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        changed_.notify_all();
    }
    if (writer_.joinable())
        writer_.join();
    close(pipe_);
    pipe_ = -1;
    int status = 0;
    struct rusage usage = {};
    while (wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    cpuSeconds_ = ProcessorSeconds(usage);
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        std::string said = ReadLog(log_);
        std::lock_guard<std::mutex> lock(mutex_);
        failed_ = true;
        error_ = "ffmpeg failed" + (said.empty() ? std::string() : ":\n" + said);
    }
    return !failed_;
}
