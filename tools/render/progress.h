// A progress bar on standard error for work longer than a second: done and total,
// rate, and time left. Quiet when standard error is not a terminal, but for one
// closing line.
#pragma once

#include <chrono>
#include <string>

class Progress {
public:
    Progress(std::string what, long total);
    ~Progress();
    void Advance(long done);
    // Clears the bar and prints the closing line.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    std::string what_;
    long total_;
    long done_ = 0;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDrawn_;
    bool terminal_;
    bool drawn_ = false;
    bool finished_ = false;
};
