#include "video_encoder.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include "interrupts.h"
#include "subprocess.h"
#include "temporary_file.h"
#include "timing.h"

namespace {

// Enough frames in flight to keep ffmpeg busy while the next ones are drawn.
const size_t BUFFERS = 4;

} // namespace

VideoEncoder::VideoEncoder(const Settings &settings) : settings_(settings)
{
    error_ = MissingFfmpeg();
    if (!error_.empty())
        return;
    int logFile = CreateTemporaryFile("heartcube-ffmpeg", "", &log_);
    if (logFile < 0) {
        error_ = TemporaryFileError();
        return;
    }

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        close(logFile);
        error_ = std::string("cannot make a pipe: ") + strerror(errno);
        return;
    }

    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
    std::vector<std::string> args = FfmpegCommand();
    args.insert(args.end(), {"-f", "rawvideo", "-pix_fmt", "rgba", "-video_size", size, "-framerate",
                             std::to_string(settings.fps), "-i", "pipe:0"});
    if (!settings.audio.empty())
        args.insert(args.end(), {"-i", FfmpegFile(settings.audio)});
    args.insert(args.end(), {"-map", "0:v"});
    if (!settings.audio.empty()) {
        args.insert(args.end(), {"-map", "1:a"});
        args.insert(args.end(), SOUNDTRACK_CODING.begin(), SOUNDTRACK_CODING.end());
    }
    if (!settings.comment.empty())
        args.insert(args.end(), {"-metadata", "comment=" + settings.comment});
    if (settings.encode)
        args.insert(args.end(), {"-c:v", "libx264", "-preset", settings.preset, "-crf", std::to_string(settings.crf),
                                 "-pix_fmt", "yuv420p", "-movflags", "+faststart", FfmpegFile(settings.output)});
    else
        args.insert(args.end(), {"-pix_fmt", "yuv420p", "-f", "null", "-"});
    pid_t pid = StartProgram(args, fds[0], -1, logFile, &error_);
    close(fds[0]);
    close(logFile);
    if (pid < 0) {
        close(fds[1]);
        return;
    }
    pid_ = pid;
    pipe_ = fds[1];
    // A larger pipe than the default 64 KiB passes a frame in a few writes, not dozens.
    fcntl(pipe_, F_SETPIPE_SZ, 1 << 20);

    const size_t frameBytes = size_t(settings.width) * size_t(settings.height) * 4;
    queue_ = std::make_unique<FrameQueue>(BUFFERS, frameBytes);
    writer_ = std::thread(&VideoEncoder::WriteFrames, this);
}

VideoEncoder::~VideoEncoder()
{
    Finish();
    if (!log_.empty())
        unlink(log_.c_str());
}

std::vector<unsigned char> &VideoEncoder::NextBuffer() { return queue_->Current(); }

bool VideoEncoder::Submit() { return pipe_ >= 0 && queue_->Submit(submitted_++); }

void VideoEncoder::WriteFrames()
{
    const size_t stride = size_t(settings_.width) * 4;
    const int height = settings_.height;
    std::vector<iovec> rows(static_cast<size_t>(height));
    size_t index;
    long frame;
    while (queue_->Take(index, frame)) {
        // The rows go out top first: the flip costs nothing but the order of the pieces.
        unsigned char *pixels = queue_->Buffer(index).data();
        for (int y = 0; y < height; y++)
            rows[size_t(y)] = {pixels + size_t(height - 1 - y) * stride, stride};
        size_t next = 0;
        while (next < rows.size()) {
            int count = int(std::min<size_t>(rows.size() - next, IOV_MAX));
            ssize_t written = writev(pipe_, &rows[next], count);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                queue_->Fail("ffmpeg stopped taking frames");
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
        queue_->Release(index);
    }
}

bool VideoEncoder::Finish()
{
    if (pid_ < 0)
        return Error().empty();
    // An interrupted render does not wait for a video it will throw away.
    if (Interruption())
        kill(pid_, SIGTERM);
    queue_->Close();
    if (writer_.joinable())
        writer_.join();
    close(pipe_);
    pipe_ = -1;
    int status = 0;
    struct rusage usage = {};
    while (wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR)
        if (Interruption())
            kill(pid_, SIGTERM);
    pid_ = -1;
    cpuSeconds_ = ProcessorSeconds(usage);
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        std::string said = ReadLog(log_);
        error_ = "ffmpeg failed" + (said.empty() ? std::string() : ":\n" + said);
    }
    return Error().empty();
}
