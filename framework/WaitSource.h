#pragma once
#include <windows.h>

namespace tarvel::fw {

// Kernel objects (events, waitable timers) that the application's message loop waits on beside
// its messages, and what is done when one of them is set. The loop asks for them afresh before
// every wait, so the set may change between two waits. Modal loops of the system do not wait on
// them: whoever needs them then must also have a window timer.
class WaitSource {
 public:
  static constexpr int kMaxHandles = MAXIMUM_WAIT_OBJECTS - 1;

  // Fills handles (at most max) and returns how many.
  virtual int WaitHandles(HANDLE* handles, int max) = 0;
  // The handle at index of the latest WaitHandles was set.
  virtual void OnHandleSet(int index) = 0;

 protected:
  ~WaitSource() = default;
};

}  // namespace tarvel::fw
