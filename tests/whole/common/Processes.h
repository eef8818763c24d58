// Small questions about other processes, answered through process handles.
#pragma once

#include <windows.h>

namespace wholetest {

// Waits until the process has ended (true) or the time is up (false).
bool WaitForProcessEnd(DWORD pid, DWORD timeoutMs);

}  // namespace wholetest
