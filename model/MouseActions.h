#pragma once
#include <cstdint>

namespace tarvel {

// What a mapping does instead of a key: a mouse button or a turn of the wheel. Its Shift, Ctrl
// and Alt go with it.
enum class MouseAction : uint8_t {
  None,
  LeftClick,
  RightClick,
  MiddleClick,
  Back,
  Forward,
  WheelUp,
  WheelDown,
  WheelLeft,
  WheelRight
};
constexpr int kMouseActionCount = 10;  // None included

enum class MouseButton : uint8_t { Left, Right, Middle, Back, Forward };

constexpr bool IsWheelAction(MouseAction action) { return action >= MouseAction::WheelUp; }
constexpr MouseButton ButtonOfAction(MouseAction action) {
  return static_cast<MouseButton>(static_cast<int>(action) -
                                  static_cast<int>(MouseAction::LeftClick));
}

// "Left Click", "Wheel Up": as the list shows it; "" for None.
const char* MouseActionName(MouseAction action);
// "LeftClick", "WheelUp": as the file holds it; "" for None.
const char* MouseActionFileName(MouseAction action);
// The action of a file name in any letter case, or None.
MouseAction MouseActionOfFileName(const char* text, int length);

}  // namespace tarvel
