// Frames handed from the drawing thread to the threads that write them out, in a
// fixed number of buffers, so that memory stays bounded at any frame size: the
// drawing waits while every buffer is still on its way.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class FrameQueue {
public:
    // Up to `wanted` buffers of frameBytes each, as many as fit in BUDGET_BYTES, and
    // never fewer than two, so that drawing and writing overlap.
    FrameQueue(size_t wanted, size_t frameBytes);

    // The drawing side: the buffer to draw the next frame into, then its hand-over
    // with the frame's number. Submit waits for a free buffer and is false once a
    // writer has failed.
    std::vector<unsigned char> &Current() { return buffers_[current_]; }
    bool Submit(long frame);
    // No more frames: the writers finish what is queued, then Take() is false.
    void Close();

    // The writing side: the oldest queued frame (false when closed and drained,
    // or failed), then the buffer back once written.
    bool Take(size_t &buffer, long &frame);
    std::vector<unsigned char> &Buffer(size_t buffer) { return buffers_[buffer]; }
    void Release(size_t buffer);

    // Stops both sides; the first reason given is kept.
    void Fail(const std::string &why);
    bool Failed();
    std::string Error();

    size_t Buffers() const { return buffers_.size(); }

    // What the buffers may take: a few hundred megabytes, at any frame size.
    static constexpr size_t BUDGET_BYTES = size_t(512) << 20;

private:
    std::vector<std::vector<unsigned char>> buffers_;
    std::deque<size_t> free_;
    std::deque<std::pair<size_t, long>> queued_;
    size_t current_ = 0;
    bool closed_ = false;
    bool failed_ = false;
    std::string error_;
    std::mutex mutex_;
    std::condition_variable changed_;
};
