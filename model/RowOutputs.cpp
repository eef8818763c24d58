// A row's whole output, read and changed in one piece for the Action dialog.
#include <cstring>

#include "model/TarvelDoc.h"
#include "model/Utf8.h"

namespace tarvel {

const char* RowOutputMessage(RowOutputResult result) {
  switch (result) {
    case RowOutputResult::Done:
      return "";
    case RowOutputResult::NoRow:
      return "The row is gone.";
    case RowOutputResult::BadValue:
      return "A value is out of range.";
    case RowOutputResult::HeldNotTyped:
      return "Hold and Toggle keep one key down: please choose Tap or Turbo for a sequence or a "
             "text.";
    case RowOutputResult::SequencesFull:
      return "This controller's rows already type 32 sequences, the most one controller can "
             "have. Please clear one first.";
    case RowOutputResult::TextsFull:
      return "This controller's rows already type 16 texts, the most one controller can have. "
             "Please clear one first.";
  }
  return "";
}

bool CTarvelDoc::GetRowOutput(int row, RowOutput* out) const {
  int record = 0;
  int button = 0;
  if (!RowToButton(row, &record, &button)) return false;
  const DeviceRecord& r = *records[record];
  const ButtonMapping& m = r.Mapping(button);
  *out = RowOutput();
  out->action = m.action;
  out->turboRate = m.turboRate;
  if (const char* text = r.TextOf(m)) {
    out->typesText = true;
    out->text = text;
  } else if (const KeySequence* sequence = r.SequenceOf(m)) {
    out->stepCount = sequence->stepCount;
    out->gapMs = sequence->gapMs;
    for (int i = 0; i < sequence->stepCount; ++i) out->steps[i] = sequence->steps[i];
  } else if (m.assigned != 0) {
    out->stepCount = 1;
    out->steps[0] = KeyStroke{m.virtualKey, m.scanCode, m.modifiers};
  }
  out->longPressMs = m.longPressMs;
  out->longKey = m.longKey;
  return true;
}

RowOutputResult CTarvelDoc::SetRowOutput(int row, const RowOutput& out) {
  int record = 0;
  int button = 0;
  if (!RowToButton(row, &record, &button)) return RowOutputResult::NoRow;
  DeviceRecord& r = *records[record];
  ButtonMapping& m = r.Mapping(button);
  const int chars = CountUtf8Chars(out.text.data(), out.text.size());
  if (out.turboRate < kMinTurboRate || out.turboRate > kMaxTurboRate || out.stepCount < 0 ||
      out.stepCount > kMaxSequenceSteps || out.gapMs < 0 || out.gapMs > kMaxSequenceGapMs ||
      (out.longPressMs != 0 &&
       (out.longPressMs < kMinLongPressMs || out.longPressMs > kMaxLongPressMs)) ||
      (out.typesText &&
       (chars < 0 || chars > kMaxTextChars || out.text.find('\0') != std::string::npos)))
    return RowOutputResult::BadValue;
  RowOutput now;
  if (GetRowOutput(row, &now) && now.SameAs(out)) return RowOutputResult::Done;
  const bool typed = out.typesText ? !out.text.empty() : out.stepCount >= 2;
  if (typed && (out.action == KeyAction::Hold || out.action == KeyAction::Toggle))
    return RowOutputResult::HeldNotTyped;
  // Room in the pools before anything changes.
  if (out.typesText && !out.text.empty() && r.TextOf(m) == nullptr) {
    int used = 0;
    for (const TypedText& t : r.texts) used += t.utf8[0] != '\0';
    if (used >= kMaxTexts) return RowOutputResult::TextsFull;
  }
  if (!out.typesText && out.stepCount >= 2 && r.SequenceOf(m) == nullptr) {
    int used = 0;
    for (const KeySequence& s : r.sequences) used += s.stepCount != 0;
    if (used >= kMaxSequences) return RowOutputResult::SequencesFull;
  }
  ReleaseRowKeys(row);
  m.action = out.action;
  m.turboRate = static_cast<uint8_t>(out.turboRate);
  if (out.typesText) {
    r.SetText(m, out.text.c_str());
    if (out.text.empty()) {
      m.assigned = 0;
      m.virtualKey = m.scanCode = m.modifiers = 0;
    }
  } else if (out.stepCount == 0) {
    r.ClearExtras(m);
    m.assigned = 0;
    m.virtualKey = m.scanCode = m.modifiers = 0;
  } else {
    r.SetSequence(m, out.steps, out.stepCount, out.gapMs);
  }
  const bool hasLong = out.longPressMs != 0 && out.longKey.virtualKey != 0;
  m.longPressMs = static_cast<uint16_t>(hasLong ? out.longPressMs : 0);
  m.longKey = hasLong ? out.longKey : KeyStroke();
  SetModifiedFlag(true);
  if (DocView* view = FirstView()) {
    view->RefreshRowTexts(row);
    view->RefreshRowImage(row);
  }
  return RowOutputResult::Done;
}

}  // namespace tarvel
