#pragma once
#include <cstdint>

#include "model/ForegroundIntegrity.h"

namespace tarvel {

// The window in front (GetForegroundWindow) and the mandatory integrity level of its process's
// token beside this program's own: GetWindowThreadProcessId, then
// OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION), OpenProcessToken(TOKEN_QUERY) and
// GetTokenInformation(TokenIntegrityLevel). A process or token that cannot be opened or read
// gives Unknown.
class Win32ForegroundIntegrity final : public ForegroundIntegrity {
 public:
  Win32ForegroundIntegrity();

  WindowHandle ForegroundWindow() override;
  Elevation CompareProcessOf(WindowHandle window, char* name, int size) override;

  // The integrity level (the last sub-authority of the token's label, such as 0x2000 for
  // medium and 0x3000 for high) of the process with that id; false when it cannot be read.
  static bool IntegrityLevelOfProcess(uint32_t processId, uint32_t* level, char* name, int size);

 private:
  bool ownKnown_ = false;
  uint32_t ownLevel_ = 0;
};

}  // namespace tarvel
