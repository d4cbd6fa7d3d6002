// Ctrl-C and SIGTERM caught, so that a tool stops between two steps and tidies up
// (its unfinished files removed, its helpers stopped) instead of dying in the
// middle of a file.
#pragma once

// From here on the two signals only note that they came; calls they interrupt
// fail with EINTR, as nothing is restarted.
void CatchInterrupts();
// The signal caught so far (SIGINT or SIGTERM), or 0.
int Interruption();
