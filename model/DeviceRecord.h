#pragma once
#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>

#include "base/Guid.h"
#include "model/Controls.h"
#include "model/MouseActions.h"
#include "model/PointerMotion.h"

namespace tarvel {

constexpr int kMaxRecords = 16;
constexpr int kMaxButtons = 128;
constexpr int kNameSize = 512;
constexpr int kShortTextSize = 64;  // window classes and descriptions: at most 63 characters

enum ModifierBits : uint8_t { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

// Row status bits; the value 0-7 is also the row's image index.
enum RowStatusBits : uint8_t { kStatusPressed = 1, kStatusCaptureRow = 2, kStatusConnected = 4 };

// What a press does: one keystroke (the classic behaviour), the key held down while the button
// is, the keystroke repeated while the button is held, or the key put down by one press and let
// go by the next.
enum class KeyAction : uint8_t { Tap, Hold, Turbo, Toggle };
constexpr int kMinTurboRate = 1;  // keystrokes per second
constexpr int kMaxTurboRate = 50;
constexpr int kDefaultTurboRate = 10;

// A row can type more than its one key: a sequence of keystrokes or a text. Both live in small
// pools of the record that a mapping refers to by a 1-based index, so that the 160 mappings of a
// record stay small.
constexpr int kMaxSequenceSteps = 16;
constexpr int kMaxSequenceGapMs = 1000;
constexpr int kMaxTextChars = 255;                // characters, not bytes
constexpr int kTextSize = 4 * kMaxTextChars + 1;  // UTF-8, with its zero
constexpr int kMaxSequences = 32;                 // of one record
constexpr int kMaxTexts = 16;                     // of one record
constexpr int kDefaultLongPressMs = 300;
constexpr int kMinLongPressMs = 100;
constexpr int kMaxLongPressMs = 2000;

struct KeyStroke {
  uint8_t virtualKey = 0;
  uint8_t scanCode = 0;
  uint8_t modifiers = 0;
  bool operator==(const KeyStroke&) const = default;
};

// Keystrokes typed in order, gapMs apart; stepCount 0: the pool entry is free.
struct KeySequence {
  uint8_t stepCount = 0;
  uint16_t gapMs = 0;
  KeyStroke steps[kMaxSequenceSteps];
};

// A text typed as characters; an empty text: the pool entry is free. A line break is '\n'.
struct TypedText {
  char utf8[kTextSize] = {};
};

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
  // A mouse action instead of the key (assigned stays 0, so that the file's button line holds
  // no key); its modifiers are those above.
  MouseAction mouse = MouseAction::None;
  // 1-based places in the record's pools, 0 for none; a mapping has a sequence or a text or
  // neither. With a sequence, the fields above hold its first keystroke; with a text, no key.
  uint8_t sequence = 0;
  uint8_t text = 0;
  // The keystroke of a press held at least longPressMs; 0: no long press.
  uint16_t longPressMs = 0;
  KeyStroke longKey;
};

// The mapping sends something when its button goes down: a key or a mouse action.
inline bool HasOutput(const ButtonMapping& m) {
  return m.assigned != 0 || m.mouse != MouseAction::None;
}

// A mapping's place in its record: 0-127 for the buttons, then kFirstControl + k for control k
// (model/Controls.h), so that the engine and the rows treat every control as a button.
constexpr int kFirstControl = kMaxButtons;
constexpr int kMappingSlots = kMaxButtons + kControlCount;

struct DeviceRecord {
  char name[kNameSize] = {};
  Guid instanceGuid;
  Guid productGuid;
  int32_t buttonCount = 0;
  ButtonMapping buttons[kMaxButtons];
  int32_t attachedIndex = -1;
  // The bytes that buttons[i].state hold, side by side, so that an idle poll is one comparison.
  uint8_t seenStates[kMaxButtons] = {};
  // The hats' directions and half-axes that have rows (bit k: control k): those of the controller
  // and those a file names, kept while the controller is away.
  uint64_t controlRows = 0;
  ButtonMapping controls[kControlCount];
  // Of the half-axes and the triggers.
  std::array<AxisThresholds, kControlCount> thresholds = DefaultControlThresholds();
  // A stick that moves the pointer, one that turns the wheel; and the axes as last read.
  PointerSettings pointer;
  ScrollSettings scroll;
  int32_t axisValues[kControlAxes] = {};

  // Whether state axis a belongs to the pointer's or the scrolling stick: its half-axis rows
  // type nothing then.
  bool AxisDrivesMouse(int a) const {
    for (StickPair pair : {pointer.pair, scroll.pair}) {
      int h = -1;
      int v = -1;
      if (AxesOfPair(pair, &h, &v) && (a == h || a == v)) return true;
    }
    return false;
  }
  KeySequence sequences[kMaxSequences];
  TypedText texts[kMaxTexts];

  const KeySequence* SequenceOf(const ButtonMapping& m) const {
    return m.sequence >= 1 && m.sequence <= kMaxSequences ? &sequences[m.sequence - 1] : nullptr;
  }
  const char* TextOf(const ButtonMapping& m) const {
    return m.text >= 1 && m.text <= kMaxTexts && texts[m.text - 1].utf8[0] != '\0'
               ? texts[m.text - 1].utf8
               : nullptr;
  }
  // Gives the mapping a sequence of 2 or more steps (fewer: none, and the first step becomes its
  // key), or a text (empty: none); false when the pool is full, and the mapping is unchanged.
  bool SetSequence(ButtonMapping& m, const KeyStroke* steps, int count, int gapMs);
  bool SetText(ButtonMapping& m, const char* utf8);
  // Frees what the mapping holds of the pools.
  void ClearExtras(ButtonMapping& m);

  bool HasMapping(int index) const {
    if (index >= 0 && index < buttonCount) return true;
    const int k = index - kFirstControl;
    return k >= 0 && k < kControlCount && (controlRows & ControlBit(k)) != 0;
  }
  ButtonMapping& Mapping(int index) {
    return index < kFirstControl ? buttons[index] : controls[index - kFirstControl];
  }
  const ButtonMapping& Mapping(int index) const {
    return index < kFirstControl ? buttons[index] : controls[index - kFirstControl];
  }
  int RowCount() const { return buttonCount + std::popcount(controlRows); }
  // The mapping of the record's n-th row, or -1.
  int IndexOfRow(int n) const {
    if (n < 0) return -1;
    if (n < buttonCount) return n;
    n -= buttonCount;
    for (int k = 0; k < kControlCount; ++k)
      if ((controlRows & ControlBit(k)) != 0 && n-- == 0) return kFirstControl + k;
    return -1;
  }
  // The row within the record of a mapping, or -1 when it has none.
  int RowOfIndex(int index) const {
    if (index < kFirstControl) return index >= 0 && index < buttonCount ? index : -1;
    if (!HasMapping(index)) return -1;
    const uint64_t before = controlRows & (ControlBit(index - kFirstControl) - 1);
    return buttonCount + std::popcount(before);
  }
};

}  // namespace tarvel
