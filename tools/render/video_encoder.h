// A video made by Debian's ffmpeg from raw frames piped to it: by default an MP4
// of H.264 in yuv420p with the soundtrack from a WAV file as AAC, or what a preset
// asks. Frames go to ffmpeg from a thread of their own, so drawing, read-back,
// conversion and encoding run side by side.
#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame_queue.h"
#include "frame_rate.h"
#include "video_presets.h"

class VideoEncoder {
public:
    struct Settings {
        std::string output, audio; // audio: a WAV file, or empty for none
        int width = 640, height = 480;
        FrameRate fps;
        VideoCoding coding;
        bool encode = true;  // false: convert to yuv420p and discard, to time conversion alone
        std::string comment; // the file's comment tag
    };

    // Starts ffmpeg; on failure Error() says why.
    explicit VideoEncoder(const Settings &settings);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder &) = delete;
    VideoEncoder &operator=(const VideoEncoder &) = delete;

    std::string Error() { return error_.empty() && queue_ ? queue_->Error() : error_; }

    // A buffer for the next frame, width x height RGBA bottom row first, as OpenGL
    // reads it back. Waits while every buffer is still on its way to ffmpeg.
    std::vector<unsigned char> &NextBuffer();
    // Queues the buffer last given by NextBuffer(). False once ffmpeg has failed.
    bool Submit();
    // Sends the last frames, closes the stream and waits for ffmpeg. False on failure.
    bool Finish();
    // ffmpeg's processor time, user and system, once it has finished.
    double CpuSeconds() const { return cpuSeconds_; }

private:
    void WriteFrames();

    Settings settings_;
    std::string error_; // why ffmpeg could not start, or failed
    std::string log_;   // ffmpeg's own messages
    int pipe_ = -1;     // ffmpeg's standard input
    int pid_ = -1;
    double cpuSeconds_ = 0.0;
    long submitted_ = 0;
    std::unique_ptr<FrameQueue> queue_;
    std::thread writer_;
};
