#include "interrupts.h"

#include <atomic>
#include <csignal>

namespace {

// Lock-free, so both safe in a signal handler and read by any thread.
std::atomic<int> s_caught{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

void Note(int signal)
{
    // The first one counts: a second Ctrl-C, or a supervisor's repeated TERM,
    // finds the tool already on its way out.
    int none = 0;
    s_caught.compare_exchange_strong(none, signal);
}

} // namespace

void CatchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = Note;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int Interruption() { return s_caught.load(); }
