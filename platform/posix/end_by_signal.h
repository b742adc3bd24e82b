// What a signal that ends the process does while a temporary is being written: the temporary is
// removed, then the process ends by the signal's default action. Safe in a signal handler.
#pragma once

namespace vorlix {

extern "C" void RemoveTemporaryAndEnd(int signal);

}  // namespace vorlix
