#pragma once
#include <cstdint>

#include "base/Guid.h"

namespace tarvel {

constexpr int kMaxRecords = 16;
constexpr int kMaxButtons = 128;
constexpr int kNameSize = 512;
constexpr int kShortTextSize = 64;  // window classes and descriptions: at most 63 characters

enum ModifierBits : uint8_t { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

// Row status bits; the value 0-7 is also the row's image index.
enum RowStatusBits : uint8_t { kStatusPressed = 1, kStatusCaptureRow = 2, kStatusConnected = 4 };

// What a press does: one keystroke (the classic behaviour), the key held down while the button
// is, or the keystroke repeated while the button is held.
enum class KeyAction : uint8_t { Tap, Hold, Turbo };
constexpr int kMinTurboRate = 1;  // keystrokes per second
constexpr int kMaxTurboRate = 50;
constexpr int kDefaultTurboRate = 10;

struct ButtonMapping {
  uint8_t virtualKey = 0;
  uint8_t scanCode = 0;
  uint8_t modifiers = 0;
  char description[kShortTextSize] = {};
  char windowClass[kShortTextSize] = {};
  uint8_t state = 0;  // last byte read from the controller; 0x80 = pressed
  int32_t assigned = 0;
  KeyAction action = KeyAction::Tap;
  uint8_t turboRate = kDefaultTurboRate;
};

struct DeviceRecord {
  char name[kNameSize] = {};
  Guid instanceGuid;
  Guid productGuid;
  int32_t buttonCount = 0;
  ButtonMapping buttons[kMaxButtons];
  int32_t attachedIndex = -1;
  // The bytes that buttons[i].state hold, side by side, so that an idle poll is one comparison.
  uint8_t seenStates[kMaxButtons] = {};
};

}  // namespace tarvel
