#include "Processes.h"

namespace wholetest {

bool WaitForProcessEnd(DWORD pid, DWORD timeoutMs) {
  if (pid == 0) return true;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return true;
  const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

}  // namespace wholetest
