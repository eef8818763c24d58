#pragma once
#include <cstdint>

#include "base/WindowHandle.h"
#include "model/Delivery.h"
#include "model/MouseActions.h"

namespace tarvel {

// One key going down or up in the system's input stream. A scan code of 0 stands for the key's
// own scan code, which the sender looks up.
struct KeyEvent {
  uint8_t virtualKey = 0;
  uint8_t scanCode = 0;
  bool keyUp = false;
};

// One event of the system's input stream: a key, a mouse button, a turn of the wheel (dy: in
// WHEEL_DELTA units away from the user; dx: to the right) or a relative move of the pointer.
struct InputEvent {
  enum class Kind : uint8_t { Key, Button, Wheel, Move };
  Kind kind = Kind::Key;
  KeyEvent key;
  MouseButton button = MouseButton::Left;
  bool buttonUp = false;
  int32_t dx = 0;
  int32_t dy = 0;
};

// The MK_ flags of mouse messages.
enum MouseKeyFlags : uint16_t {
  kMkLeft = 0x01,
  kMkRight = 0x02,
  kMkShift = 0x04,
  kMkControl = 0x08,
  kMkMiddle = 0x10,
  kMkBack = 0x20,
  kMkForward = 0x40
};
constexpr int kWheelDelta = 120;

// A mouse message to a window: a button going down or up at a point of its client area, or the
// wheel (vertical or horizontal) turned by wheelDelta at a point of the screen.
struct MouseMessage {
  enum class Kind : uint8_t { ButtonDown, ButtonUp, Wheel, HorizontalWheel };
  Kind kind = Kind::ButtonDown;
  MouseButton button = MouseButton::Left;
  uint16_t keyFlags = 0;  // MouseKeyFlags
  int16_t wheelDelta = 0;
  int32_t x = 0;
  int32_t y = 0;
};

struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
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
  // Keys and mouse events in one SendInput call; says whether the input stream took them all.
  virtual Delivery InjectInput(const InputEvent* events, int count) = 0;
  // The pointer's place on the screen; false when the system does not say.
  virtual bool CursorPosition(int32_t* x, int32_t* y) = 0;
  // A window's client area in screen coordinates; false when there is no such window.
  virtual bool ClientArea(WindowHandle window, ScreenRect* area) = 0;
  // One mouse message, delivered before returning (at most as long as a key message waits);
  // says whether the window took it.
  virtual Delivery SendMouseMessage(WindowHandle window, const MouseMessage& message) = 0;
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
