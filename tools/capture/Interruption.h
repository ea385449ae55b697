// Ctrl-C, SIGTERM and SIGHUP stop a capture between two of its steps, so that
// it can remove its unfinished files before it ends: the signal itself only
// leaves a note.
#pragma once

// From this call on, those signals are noted instead of ending the process.
// Blocking calls they interrupt return early (EINTR) rather than resume.
void CatchInterruptions();

// The signal that asked the capture to stop, or 0.
int Interruption();
