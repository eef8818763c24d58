#pragma once
#include <cstdint>

#include "base/WindowHandle.h"

namespace tarvel {

// How the process of a window compares with this program's integrity level. Windows drops the
// keystrokes that a program sends into one of a higher level, and says so to nobody.
enum class Elevation : uint8_t {
  NotHigher,
  Higher,
  Unknown,  // its token could not be read: keys go out as they always did
};

// The window in front and the integrity level of its process.
class ForegroundIntegrity {
 public:
  // The window that has the user's input now; null when none has.
  virtual WindowHandle ForegroundWindow() = 0;
  // How the process of window compares with ours; its program's file name without the folder
  // ("game.exe") into name (size bytes), empty when it cannot be read.
  virtual Elevation CompareProcessOf(WindowHandle window, char* name, int size) = 0;

 protected:
  ~ForegroundIntegrity() = default;
};

}  // namespace tarvel
