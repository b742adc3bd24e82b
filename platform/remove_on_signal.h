// Removing a file that is being written when a signal ends the process.
#pragma once

#include <string>

namespace vorlix {

// Until ForgetOnSignal, INT, TERM and HUP remove the file at `path` and then end the process as
// they would have. One file at a time; a signal that the process ignores or handles itself is
// left as it is. False when the path is too long to be kept.
bool RemoveOnSignal(const std::string& path);
void ForgetOnSignal();

}  // namespace vorlix
