#pragma once
#include <cstdint>

#include "model/DeviceRecord.h"
#include "model/KeySender.h"

namespace tarvel {

constexpr uint8_t kVkShift = 0x10;
constexpr uint8_t kVkControl = 0x11;
constexpr uint8_t kVkMenu = 0x12;
constexpr uint8_t kVkReturn = 0x0D;

// Modifier keys in the order they go down; they come up in the reverse order.
struct ModifierKey {
  uint8_t bit;
  uint8_t virtualKey;
};
constexpr ModifierKey kModifierKeys[] = {
    {kModShift, kVkShift}, {kModCtrl, kVkControl}, {kModAlt, kVkMenu}};

// The events of keystrokes sent in one piece: one keystroke, one half of a held key, or a whole
// sequence of keystrokes.
struct KeyBatch {
  static constexpr int kCapacity = 8 * kMaxSequenceSteps;
  KeyEvent events[kCapacity];
  int count = 0;
  void Add(uint8_t virtualKey, uint8_t scanCode, bool keyUp) {
    if (count < kCapacity) events[count++] = KeyEvent{virtualKey, scanCode, keyUp};
  }
};

}  // namespace tarvel
