#include "png_frames.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "output_file.h"
#include "png_writer.h"

namespace {

unsigned Writers(unsigned asked) { return asked > 0 ? asked : std::max(1u, std::thread::hardware_concurrency()); }

size_t FrameBytes(int width, int height) { return size_t(width) * size_t(height) * 4; }

} // namespace

PngFrames::PngFrames(std::string directory, int width, int height, unsigned threads)
    : directory_(std::move(directory)), width_(width), height_(height),
      // Two frames waiting beside one per writer keep every writer busy.
      queue_(Writers(threads) + 2, FrameBytes(width, height))
{
    while (directory_.size() > 1 && directory_.back() == '/')
        directory_.pop_back();
    // One buffer always stays with the drawing.
    const size_t writers = std::min<size_t>(Writers(threads), queue_.Buffers() - 1);
    for (size_t i = 0; i < writers; i++)
        writers_.emplace_back(&PngFrames::WriteFrames, this);
}

PngFrames::~PngFrames() { Finish(); }

std::string PngFrames::FileName(long frame)
{
    char name[32];
    snprintf(name, sizeof name, "frame-%06ld.png", frame);
    return name;
}

void PngFrames::WriteFrames()
{
    FramePngWriter writer;
    size_t buffer;
    long frame;
    while (queue_.Take(buffer, frame)) {
        const std::string path = directory_ + "/" + FileName(frame);
        std::string error = WriteWhole(path, [&](const std::string &unfinished) {
            std::string why = writer.Write(unfinished, {queue_.Buffer(buffer).data(), width_, height_, 4, true, true});
            return why.empty() ? why : path + ": " + why;
        });
        if (error.empty()) {
            std::lock_guard<std::mutex> lock(keptMutex_);
            kept_.insert(frame);
        } else {
            queue_.Fail(error);
        }
        queue_.Release(buffer);
    }
}

bool PngFrames::Finish()
{
    queue_.Close();
    for (std::thread &writer : writers_)
        if (writer.joinable())
            writer.join();
    return !queue_.Failed();
}

long PngFrames::KeepUnbroken(long first)
{
    std::lock_guard<std::mutex> lock(keptMutex_);
    long last = first - 1;
    while (kept_.count(last + 1))
        last++;
    for (auto frame = kept_.upper_bound(last); frame != kept_.end(); frame = kept_.erase(frame))
        unlink((directory_ + "/" + FileName(*frame)).c_str());
    return last;
}
