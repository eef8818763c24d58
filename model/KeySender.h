#pragma once
#include <cstdint>

#include "base/WindowHandle.h"
#include "model/Delivery.h"

namespace tarvel {

// One key going down or up in the system's input stream. A scan code of 0 stands for the key's
// own scan code, which the sender looks up.
struct KeyEvent {
  uint8_t virtualKey = 0;
  uint8_t scanCode = 0;
  bool keyUp = false;
};

// Keys whose scan code carries the E0 prefix: without the extended flag a game that reads scan
// codes takes the navigation keys for the numeric keypad's (Down for Num 2).
constexpr bool IsExtendedKey(uint8_t virtualKey) {
  switch (virtualKey) {
    case 0x03:  // Break
    case 0x21:  // Page Up
    case 0x22:  // Page Down
    case 0x23:  // End
    case 0x24:  // Home
    case 0x25:  // Left
    case 0x26:  // Up
    case 0x27:  // Right
    case 0x28:  // Down
    case 0x2C:  // Print Screen
    case 0x2D:  // Insert
    case 0x2E:  // Delete
    case 0x5B:  // left Windows
    case 0x5C:  // right Windows
    case 0x5D:  // Application
    case 0x6F:  // Num /
    case 0x90:  // Num Lock
    case 0xA3:  // right Ctrl
    case 0xA5:  // right Alt
      return true;
    default:
      return false;
  }
}

// How the mapping engine reaches other programs.
class KeySender {
 public:
  // One key event into the system's input stream (extra information 0).
  virtual void InjectKey(uint8_t virtualKey, uint8_t scanCode, bool keyUp) = 0;
  // The events of one keystroke, in one piece that the user's own typing cannot split; the
  // Windows sender makes them one SendInput call, with scan codes and extended-key flags. Says
  // whether the input stream took them all.
  virtual Delivery InjectKeys(const KeyEvent* events, int count) {
    for (int i = 0; i < count; ++i)
      InjectKey(events[i].virtualKey, events[i].scanCode, events[i].keyUp);
    return Delivery{};
  }
  // FindWindowA(className, no window name): the first top-level window of the class, or null.
  virtual WindowHandle FindTopLevelWindow(const char* className) = 0;
  // WM_KEYDOWN / WM_KEYUP with wParam virtualKey and lParam 0, delivered before returning; says
  // whether the window took it.
  virtual Delivery SendKeyMessage(WindowHandle window, bool keyUp, uint8_t virtualKey) = 0;
  // Characters as Unicode keystrokes (each UTF-16 unit down and up), in one piece that the user's
  // own typing cannot split, whatever the keyboard layout; a unit '\n' is the Enter key. Says
  // whether the input stream took them all.
  virtual Delivery InjectText(const char16_t* units, int count) = 0;
  // WM_CHAR with wParam unit (a surrogate pair is two of them), delivered before returning; says
  // whether the window took it.
  virtual Delivery SendCharMessage(WindowHandle window, char16_t unit) = 0;

 protected:
  ~KeySender() = default;
};

}  // namespace tarvel
