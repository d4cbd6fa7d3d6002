// Clocks for telling where a render's time goes.
#pragma once

#include <chrono>
#include <sys/resource.h>

// Seconds on the steady clock.
inline double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Processor time, user and system, in seconds.
inline double ProcessorSeconds(const struct rusage &usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The same for this process (RUSAGE_SELF) or for the children it has waited for
// (RUSAGE_CHILDREN).
inline double ProcessorSecondsOf(int who)
{
    struct rusage usage = {};
    getrusage(who, &usage);
    return ProcessorSeconds(usage);
}
