#include "progress.h"

#include <cstdio>
#include <unistd.h>

Progress::Progress(std::string what, long total) : what_(std::move(what)), total_(total), terminal_(isatty(2) != 0) {}

Progress::~Progress()
{
    if (drawn_ && !finished_)
        fputc('\n', stderr);
}

void Progress::Advance(long done)
{
    done_ = done;
    Clock::time_point now = Clock::now();
    double elapsed = std::chrono::duration<double>(now - start_).count();
    if (!terminal_ || elapsed < 1.0 || (drawn_ && now - lastDrawn_ < std::chrono::milliseconds(100)))
        return;
    lastDrawn_ = now;
    drawn_ = true;
    double rate = done / elapsed;
    double fraction = total_ > 0 ? double(done) / total_ : 0.0;
    const int width = 30;
    int filled = int(fraction * width);
    std::string bar = std::string(size_t(filled), '#') + std::string(size_t(width - filled), '.');
    double left = rate > 0 ? (total_ - done) / rate : 0.0;
    fprintf(stderr, "\r%s [%s] %ld/%ld  %.1f/s  %d:%02d left ", what_.c_str(), bar.c_str(), done, total_, rate,
            int(left) / 60, int(left) % 60);
    fflush(stderr);
}

void Progress::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    if (drawn_)
        fputc('\r', stderr);
    if (drawn_ || elapsed >= 1.0)
        fprintf(stderr, "%s: %ld done in %.1f s (%.1f/s)%*s\n", what_.c_str(), done_, elapsed,
                elapsed > 0 ? done_ / elapsed : 0.0, 20, "");
}
