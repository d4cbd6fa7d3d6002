#include "interrupts.h"

#include <csignal>

namespace {

volatile sig_atomic_t s_caught = 0;

void Note(int signal)
{
    // The first one counts: a second Ctrl-C, or a supervisor's repeated TERM,
    // finds the tool already on its way out.
    if (s_caught == 0)
        s_caught = signal;
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

int Interruption() { return s_caught; }
