// Removing a file that is being written when a signal ends the process.
#pragma once

#include <string>

namespace vorlix {

// Until ForgetOnSignal, every signal whose default action ends the process (INT, TERM, HUP,
// QUIT, USR1, USR2, ALRM, VTALRM, PROF, XCPU, the real-time signals, and faults such as SEGV)
// removes the file at `path` and then ends the process as it would have; on Windows, Ctrl+C,
// Ctrl+Break, the console closed, and a crash (an unhandled exception, abort). One file at a time;
// a signal that the process ignores or handles itself is left as it is. The file is found through
// its folder, whatever the length of its whole path. False when the folder cannot be opened.
bool RemoveOnSignal(const std::string& path);
void ForgetOnSignal();

// Ignores PIPE and XFSZ (unless the process handles them itself), so that writing to a closed
// pipe or past the file-size limit fails as a write (EPIPE, EFBIG) instead of ending the
// process. RemoveOnSignal does this too.
void IgnoreWriteSignals();

}  // namespace vorlix
