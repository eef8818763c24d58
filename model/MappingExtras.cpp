// The record's pools of sequences and texts, and what of them a mapping holds.
#include <cstring>

#include "model/DeviceRecord.h"
#include "model/Utf8.h"

namespace tarvel {

void DeviceRecord::ClearExtras(ButtonMapping& m) {
  if (m.sequence >= 1 && m.sequence <= kMaxSequences) sequences[m.sequence - 1] = KeySequence();
  if (m.text >= 1 && m.text <= kMaxTexts) texts[m.text - 1] = TypedText();
  m.sequence = 0;
  m.text = 0;
}

bool DeviceRecord::SetSequence(ButtonMapping& m, const KeyStroke* steps, int count, int gapMs) {
  if (count < 0 || count > kMaxSequenceSteps || gapMs < 0 || gapMs > kMaxSequenceGapMs)
    return false;
  int slot = m.sequence;
  if (count >= 2 && slot == 0) {
    for (int i = 0; i < kMaxSequences && slot == 0; ++i)
      if (sequences[i].stepCount == 0) slot = i + 1;
    if (slot == 0) return false;
  }
  ClearExtras(m);
  if (count >= 1) {
    m.assigned = 1;
    m.virtualKey = steps[0].virtualKey;
    m.scanCode = steps[0].scanCode;
    m.modifiers = steps[0].modifiers;
  }
  if (count < 2) return true;
  KeySequence& sequence = sequences[slot - 1];
  sequence.stepCount = static_cast<uint8_t>(count);
  sequence.gapMs = static_cast<uint16_t>(gapMs);
  for (int i = 0; i < count; ++i) sequence.steps[i] = steps[i];
  m.sequence = static_cast<uint8_t>(slot);
  return true;
}

bool DeviceRecord::SetText(ButtonMapping& m, const char* utf8) {
  const size_t size = std::strlen(utf8);
  const int chars = CountUtf8Chars(utf8, size);
  if (chars < 0 || chars > kMaxTextChars || size >= static_cast<size_t>(kTextSize)) return false;
  int slot = m.text;
  if (size > 0 && slot == 0) {
    for (int i = 0; i < kMaxTexts && slot == 0; ++i)
      if (texts[i].utf8[0] == '\0') slot = i + 1;
    if (slot == 0) return false;
  }
  ClearExtras(m);
  if (size == 0) return true;
  // A text row types its text and no key.
  m.assigned = 0;
  m.virtualKey = m.scanCode = m.modifiers = 0;
  std::memcpy(texts[slot - 1].utf8, utf8, size + 1);
  m.text = static_cast<uint8_t>(slot);
  return true;
}

}  // namespace tarvel
