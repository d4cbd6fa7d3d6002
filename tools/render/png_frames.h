// Numbered PNG frames in a directory, RGB, compressed and written by threads of
// their own (one per core) while the drawing thread goes on with the next frames.
// Each frame gets its name only once whole.
#pragma once

#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "frame_queue.h"

class PngFrames {
public:
    // Frames of width x height RGBA, bottom row first as OpenGL reads them back,
    // become DIRECTORY/frame-NNNNNN.png. threads 0: one per core.
    PngFrames(std::string directory, int width, int height, unsigned threads = 0);
    ~PngFrames();
    PngFrames(const PngFrames &) = delete;
    PngFrames &operator=(const PngFrames &) = delete;

    // A buffer for the next frame; waits while every buffer is still being written.
    std::vector<unsigned char> &NextBuffer() { return queue_.Current(); }
    // Hands over the buffer last given by NextBuffer() as that frame. False once a
    // file could not be written.
    bool Submit(long frame) { return queue_.Submit(frame); }
    // Writes what is queued and waits for it. False if any file failed.
    bool Finish();
    // The file that failed and why.
    std::string Error() { return queue_.Error(); }
    // After Finish: the last frame of the unbroken run of frames written from
    // `first` on (first - 1 for none). Frames written after a gap are removed, so
    // that the folder holds that run and nothing more of this render.
    long KeepUnbroken(long first);

    static std::string FileName(long frame);

private:
    void WriteFrames();

    std::string directory_;
    int width_, height_;
    FrameQueue queue_;
    std::vector<std::thread> writers_;
    std::mutex keptMutex_;
    std::set<long> kept_; // the frames written whole
};
