#include "frame_queue.h"

#include <algorithm>

namespace {

size_t Fit(size_t wanted, size_t frameBytes)
{
    const size_t fit = frameBytes > 0 ? FrameQueue::BUDGET_BYTES / frameBytes : wanted;
    return std::max<size_t>(2, std::min(wanted, fit));
}

} // namespace

FrameQueue::FrameQueue(size_t wanted, size_t frameBytes)
    : buffers_(Fit(wanted, frameBytes), std::vector<unsigned char>(frameBytes))
{
    for (size_t i = 1; i < buffers_.size(); i++)
        free_.push_back(i);
}

bool FrameQueue::Submit(long frame)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (failed_ || closed_)
        return false;
    queued_.emplace_back(current_, frame);
    changed_.notify_all();
    changed_.wait(lock, [&] { return !free_.empty() || failed_; });
    if (failed_)
        return false;
    current_ = free_.front();
    free_.pop_front();
    return true;
}

void FrameQueue::Close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

bool FrameQueue::Take(size_t &buffer, long &frame)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !queued_.empty() || closed_ || failed_; });
    if (failed_ || queued_.empty())
        return false;
    buffer = queued_.front().first;
    frame = queued_.front().second;
    queued_.pop_front();
    return true;
}

void FrameQueue::Release(size_t buffer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(buffer);
    changed_.notify_all();
}

void FrameQueue::Fail(const std::string &why)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failed_)
        error_ = why;
    failed_ = true;
    changed_.notify_all();
}

bool FrameQueue::Failed()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
}

std::string FrameQueue::Error()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}
