// The writer of the file format: records in, the bytes of a version-2 file out.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/ConfigFormat.h"

namespace tarvel {
namespace {

// Generous bounds of one line of each kind, line end included.
constexpr size_t kHeaderLineMax = 1 + 38 + 1 + 38 + 1 + (kNameSize - 1) + 1 + 2;
constexpr size_t kCountLineMax = 64;
constexpr size_t kButtonLineMax = 96 + 2 * kShortTextSize;
constexpr size_t kActionLineMax = 40;
constexpr size_t kThresholdLineMax = 40;
constexpr size_t kMouseLineMax = 40;
constexpr size_t kStickLinesMax = 80;
constexpr size_t kLongLineMax = 48;
constexpr size_t kSequenceLineMax = 40 + kMaxSequenceSteps * 12;
constexpr size_t kTextLineMax = 40 + 2 * (kTextSize - 1);
constexpr size_t kRecordMax =
    kHeaderLineMax + kCountLineMax +
    kMaxButtons * (kButtonLineMax + kActionLineMax + kLongLineMax + kMouseLineMax) +
    kControlCount *
        (kButtonLineMax + kActionLineMax + kThresholdLineMax + kLongLineMax + kMouseLineMax) +
    kMaxSequences * kSequenceLineMax + kMaxTexts * kTextLineMax + kStickLinesMax;

class Output {
 public:
  explicit Output(int records) {
    text_.reserve(8 + std::clamp(records, 0, kMaxRecords) * kRecordMax);
  }

#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void
  Line(const char* format, ...) {
    char line[kTextLineMax];
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) text_.append(line, std::min(static_cast<size_t>(n), sizeof line - 1));
    text_ += "\r\n";
  }

  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

// A copy of a text field with line breaks turned into blanks: a line break would split its line
// and lose the rest of the device block when the file is read back.
template <size_t N>
const char* OnOneLine(const char (&field)[N], char (&copy)[N]) {
  for (size_t i = 0; i < N; ++i) copy[i] = (field[i] == '\r' || field[i] == '\n') ? ' ' : field[i];
  copy[N - 1] = '\0';
  return copy;
}

// "<name> = 1,38,72,0,0,,0,": the fields of a button line after its " = ".
void MappingLine(Output& out, const char* name, const ButtonMapping& m) {
  char windowClass[kShortTextSize];
  char description[kShortTextSize];
  OnOneLine(m.windowClass, windowClass);
  OnOneLine(m.description, description);
  // A mouse action's line holds no key, so that older readers load the row unassigned.
  const bool mouse = m.mouse != MouseAction::None;
  out.Line("%s = %i,%u,%u,%u,%i,%s,%i,%s", name, mouse ? 0 : static_cast<int>(m.assigned),
           mouse ? 0u : unsigned{m.virtualKey}, mouse ? 0u : unsigned{m.scanCode},
           unsigned{m.modifiers}, static_cast<int>(std::strlen(windowClass)), windowClass,
           static_cast<int>(std::strlen(description)), description);
}

// "<name>Action = Hold" or "<name>Action = Turbo,<rate>"; nothing for Tap.
void ActionLine(Output& out, const char* name, const ButtonMapping& m) {
  if (m.action == KeyAction::Hold) {
    out.Line("%sAction = Hold", name);
  } else if (m.action == KeyAction::Turbo) {
    out.Line("%sAction = Turbo,%i", name,
             std::clamp(int{m.turboRate}, kMinTurboRate, kMaxTurboRate));
  } else if (m.action == KeyAction::Toggle) {
    out.Line("%sAction = Toggle", name);
  }
}

// "<name>Mouse = LeftClick"; nothing for a key.
void MouseLine(Output& out, const char* name, const ButtonMapping& m) {
  if (m.mouse != MouseAction::None) out.Line("%sMouse = %s", name, MouseActionFileName(m.mouse));
}

// The sticks that drive the mouse, each only when it is not as a new record has it.
void StickLines(Output& out, const DeviceRecord& record) {
  const PointerSettings pointer;
  const ScrollSettings scroll;
  auto pairName = [](StickPair pair) {
    return pair == StickPair::None ? "None" : StickPairFileName(pair);
  };
  if (record.pointer.pair != pointer.pair || record.pointer.speed != pointer.speed ||
      record.pointer.deadZone != pointer.deadZone)
    out.Line("Pointer = %s,%i,%i", pairName(record.pointer.pair), int{record.pointer.speed},
             int{record.pointer.deadZone});
  if (record.scroll.pair != scroll.pair || record.scroll.deadZone != scroll.deadZone)
    out.Line("Scroll = %s,%i", pairName(record.scroll.pair), int{record.scroll.deadZone});
}

// The lines of what a row types beyond its one key, each only when it has it:
// "<name>Sequence = <gap>;<vk>,<scan>,<mods>;...", "<name>Text = <text>" and
// "<name>Long = <ms>,<vk>,<scan>,<mods>".
void ExtraLines(Output& out, const char* name, const DeviceRecord& record, const ButtonMapping& m) {
  if (const KeySequence* sequence = record.SequenceOf(m); sequence && sequence->stepCount > 0) {
    std::string line = std::to_string(sequence->gapMs);
    for (int i = 0; i < sequence->stepCount && i < kMaxSequenceSteps; ++i) {
      const KeyStroke& k = sequence->steps[i];
      char step[16];
      std::snprintf(step, sizeof step, ";%u,%u,%u", unsigned{k.virtualKey}, unsigned{k.scanCode},
                    unsigned{k.modifiers});
      line += step;
    }
    out.Line("%sSequence = %s", name, line.c_str());
  }
  if (const char* text = record.TextOf(m)) {
    // One line: a line break is written as a backslash and "n", and so a backslash as two.
    std::string escaped;
    for (const char* p = text; *p != '\0' && p < text + kTextSize - 1; ++p) {
      if (*p == '\n')
        escaped += "\\n";
      else if (*p == '\\')
        escaped += "\\\\";
      else if (*p != '\r')
        escaped += *p;
    }
    out.Line("%sText = %s", name, escaped.c_str());
  }
  if (m.longPressMs != 0)
    out.Line("%sLong = %i,%u,%u,%u", name,
             std::clamp(int{m.longPressMs}, kMinLongPressMs, kMaxLongPressMs),
             unsigned{m.longKey.virtualKey}, unsigned{m.longKey.scanCode},
             unsigned{m.longKey.modifiers});
}

void FormatRecord(Output& out, const DeviceRecord& record) {
  char instance[kGuidTextSize];
  char product[kGuidTextSize];
  FormatGuid(record.instanceGuid, instance);
  FormatGuid(record.productGuid, product);
  char name[kNameSize];
  out.Line("[%s,%s,%s]", instance, product, OnOneLine(record.name, name));
  out.Line("NumberOfButtons = %i", static_cast<int>(record.buttonCount));
  char buttonName[24];
  for (int k = 0; k < record.buttonCount; ++k) {
    std::snprintf(buttonName, sizeof buttonName, "Button%i", k + 1);
    MappingLine(out, buttonName, record.buttons[k]);
  }
  // Actions other than Tap, and the hats' and axes' rows, follow the button lines, in lines older
  // readers pass over; a file of Tap buttons alone is what it always was.
  for (int k = 0; k < record.buttonCount; ++k) {
    std::snprintf(buttonName, sizeof buttonName, "Button%i", k + 1);
    ActionLine(out, buttonName, record.buttons[k]);
    MouseLine(out, buttonName, record.buttons[k]);
    ExtraLines(out, buttonName, record, record.buttons[k]);
  }
  for (int k = 0; k < kControlCount; ++k) {
    if ((record.controlRows & ControlBit(k)) == 0) continue;
    const ButtonMapping& m = record.controls[k];
    const char* control = ControlFileName(k);
    if (m.assigned != 0 || m.windowClass[0] != '\0' || m.description[0] != '\0' ||
        (m.mouse != MouseAction::None && m.modifiers != 0))
      MappingLine(out, control, m);
    ActionLine(out, control, m);
    MouseLine(out, control, m);
    ExtraLines(out, control, record, m);
    const AxisThresholds& t = record.thresholds[k];
    if (HasThresholds(k) && !(t == DefaultThresholds(k)))
      out.Line("%sThreshold = %i,%i", control, int{t.pressPercent}, int{t.releasePercent});
  }
  StickLines(out, record);
}

}  // namespace

size_t MaxFormattedSize(int recordCount) { return 8 + recordCount * kRecordMax; }

std::string FormatConfiguration(const DeviceRecord* const* records, int count) {
  Output out(count);
  out.Line("TVM2");
  for (int r = 0; r < count; ++r) FormatRecord(out, *records[r]);
  return out.Take();
}

std::string FormatConfiguration(const ParsedConfiguration& parsed) {
  const DeviceRecord* records[kMaxRecords] = {};
  for (int r = 0; r < parsed.recordCount; ++r) records[r] = parsed.records[r].get();
  return FormatConfiguration(records, parsed.recordCount);
}

}  // namespace tarvel
