#pragma once
#include <string>

#include "model/DeviceRecord.h"

namespace tarvel {

// Everything a row's press does, as the Action dialog edits it: its action, what it types (one
// or more keystrokes, or a text), and its long press.
struct RowOutput {
  KeyAction action = KeyAction::Tap;
  int turboRate = kDefaultTurboRate;
  bool typesText = false;
  // The keystrokes: none (the row types nothing), one (its key) or a sequence.
  KeyStroke steps[kMaxSequenceSteps];
  int stepCount = 0;
  int gapMs = 0;
  std::string text;     // UTF-8; a line break is '\n'
  int longPressMs = 0;  // 0: none
  KeyStroke longKey;

  // The same choice: the steps past stepCount do not count.
  bool SameAs(const RowOutput& o) const {
    if (action != o.action || turboRate != o.turboRate || typesText != o.typesText ||
        longPressMs != o.longPressMs || !(longKey == o.longKey))
      return false;
    if (typesText) return text == o.text;
    if (stepCount != o.stepCount || (stepCount >= 2 && gapMs != o.gapMs)) return false;
    for (int i = 0; i < stepCount && i < kMaxSequenceSteps; ++i)
      if (!(steps[i] == o.steps[i])) return false;
    return true;
  }
};

// Why SetRowOutput refused: nothing changed then.
enum class RowOutputResult {
  Done,
  NoRow,
  BadValue,       // a rate, gap, time or step count out of range, a text not UTF-8 or too long
  HeldNotTyped,   // Hold or Toggle for a sequence or a text
  SequencesFull,  // the record already has kMaxSequences sequences
  TextsFull,      // the record already has kMaxTexts texts
};

// The message the user sees for a refusal; empty for Done.
const char* RowOutputMessage(RowOutputResult result);

}  // namespace tarvel
