#include "model/MouseActions.h"

namespace tarvel {
namespace {

struct MouseActionNames {
  const char* shown;
  const char* file;
};

constexpr MouseActionNames kNames[kMouseActionCount] = {
    {"", ""},
    {"Left Click", "LeftClick"},
    {"Right Click", "RightClick"},
    {"Middle Click", "MiddleClick"},
    {"Back", "Back"},
    {"Forward", "Forward"},
    {"Wheel Up", "WheelUp"},
    {"Wheel Down", "WheelDown"},
    {"Wheel Left", "WheelLeft"},
    {"Wheel Right", "WheelRight"},
};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c | 0x20) : c; }

int IndexOf(MouseAction action) {
  const int i = static_cast<int>(action);
  return i >= 0 && i < kMouseActionCount ? i : 0;
}

}  // namespace

const char* MouseActionName(MouseAction action) { return kNames[IndexOf(action)].shown; }

const char* MouseActionFileName(MouseAction action) { return kNames[IndexOf(action)].file; }

MouseAction MouseActionOfFileName(const char* text, int length) {
  for (int a = 1; a < kMouseActionCount; ++a) {
    const char* name = kNames[a].file;
    int i = 0;
    while (i < length && name[i] != '\0' && Lower(text[i]) == Lower(name[i])) ++i;
    if (i == length && name[i] == '\0') return static_cast<MouseAction>(a);
  }
  return MouseAction::None;
}

}  // namespace tarvel
