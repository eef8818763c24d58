#pragma once
#include <cstdint>

#include "base/WindowHandle.h"

namespace tarvel {

// How the mapping engine reaches other programs.
class KeySender {
 public:
  // keybd_event: one key event into the system's input stream (extra information 0).
  virtual void InjectKey(uint8_t virtualKey, uint8_t scanCode, bool keyUp) = 0;
  // FindWindowA(className, no window name): the first top-level window of the class, or null.
  virtual WindowHandle FindTopLevelWindow(const char* className) = 0;
  // WM_KEYDOWN / WM_KEYUP with wParam virtualKey and lParam 0, delivered before returning.
  virtual void SendKeyMessage(WindowHandle window, bool keyUp, uint8_t virtualKey) = 0;

 protected:
  ~KeySender() = default;
};

}  // namespace tarvel
