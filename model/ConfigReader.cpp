// The reader of the file format: bytes in, records, version and a report out.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/TextField.h"
#include "model/ConfigFormat.h"
#include "model/TextScanner.h"
#include "model/Utf8.h"

namespace tarvel {
namespace {

// One read takes at most 1022 characters, its line end included; the rest of a longer line comes
// as the next line. A line end is LF or CR LF, and counts as one character either way; in a file
// without any LF (as old Mac editors write) it is a CR alone.
constexpr int kLineBufferSize = 1023;

class LineReader {
 public:
  LineReader(const char* data, size_t size)
      : data_(data), size_(size), crOnly_(size == 0 || std::memchr(data, '\n', size) == nullptr) {}

  // The next line without its line end, or false at the end of the file.
  bool Next() {
    if (position_ >= size_) return false;
    int n = 0;
    bool sawLineEnd = false;
    while (n < kLineBufferSize - 1 && position_ < size_) {
      char c = data_[position_++];
      if (c == '\r' && position_ < size_ && data_[position_] == '\n') c = data_[position_++];
      if (c == '\r' && crOnly_) c = '\n';
      buffer_[n++] = c;
      if (c == '\n') {
        sawLineEnd = true;
        break;
      }
    }
    buffer_[n] = '\0';
    cut_ = !sawLineEnd && position_ < size_;
    lineNumber_ = physicalLine_;
    if (sawLineEnd) ++physicalLine_;
    // Text stops at a zero byte, as for any C string; then the line end is taken off.
    length_ = static_cast<int>(std::strlen(buffer_));
    if (length_ > 0 && buffer_[length_ - 1] == '\n') buffer_[--length_] = '\0';
    return true;
  }

  const char* text() const { return buffer_; }
  int length() const { return length_; }
  int lineNumber() const { return lineNumber_; }
  // The line went on past the read limit; its rest comes as the next line.
  bool cut() const { return cut_; }

 private:
  const char* data_;
  size_t size_;
  bool crOnly_;
  size_t position_ = 0;
  char buffer_[kLineBufferSize] = {};
  int length_ = 0;
  int lineNumber_ = 0;
  int physicalLine_ = 1;
  bool cut_ = false;
};

// Text that looks like part of a configuration rather than a note of the user's. A CR inside a
// line of a file that has LF line ends may separate lines another editor shows.
bool MayHoldData(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  return std::strstr(text, "[{") != nullptr || std::strchr(text, '\r') != nullptr ||
         std::strncmp(text, "Button", 6) == 0 || std::strncmp(text, "NumberOfButtons", 15) == 0;
}

bool IsBlank(const char* text) {
  for (; *text != '\0'; ++text)
    if (*text != ' ' && *text != '\t' && *text != '\r') return false;
  return true;
}

bool StartsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool IsDeviceHeader(const char* line, int length) {
  struct Mark {
    int position;
    char c;
  };
  static constexpr Mark kMarks[] = {{0, '['},  {1, '{'},  {10, '-'}, {15, '-'}, {20, '-'},
                                    {25, '-'}, {38, '}'}, {39, ','}, {40, '{'}, {49, '-'},
                                    {54, '-'}, {59, '-'}, {64, '-'}, {77, '}'}, {78, ','}};
  for (const Mark& mark : kMarks)
    if (mark.position >= length || line[mark.position] != mark.c) return false;
  return true;
}

bool ScanGuid(TextScanner& scan, Guid* guid) {
  uint32_t v[11] = {};
  scan.Literal("{");
  scan.Hex(&v[0], 8);
  scan.Literal("-");
  scan.Hex(&v[1], 4);
  scan.Literal("-");
  scan.Hex(&v[2], 4);
  scan.Literal("-");
  scan.Hex(&v[3], 2);
  scan.Hex(&v[4], 2);
  scan.Literal("-");
  for (int i = 5; i < 11; ++i) scan.Hex(&v[i], 2);
  scan.Literal("}");
  guid->data1 = v[0];
  guid->data2 = static_cast<uint16_t>(v[1]);
  guid->data3 = static_cast<uint16_t>(v[2]);
  for (int i = 0; i < 8; ++i) guid->data4[i] = static_cast<uint8_t>(v[3 + i]);
  return scan.ok();
}

// The position of the n-th comma, counting from the line's second character, or -1.
int FindComma(const char* line, int length, int from, int nth) {
  for (int i = from; i < length; ++i)
    if (line[i] == ',' && --nth == 0) return i;
  return -1;
}

// Copies a length-prefixed text: exactly length characters when length is 0-63, else 63; the copy
// ends early at the end of the line.
void CopyCounted(char* field, const char* line, int length, int start, int32_t count) {
  int n = (count >= 0 && count < kShortTextSize) ? count : kShortTextSize - 1;
  if (start + n > length) n = length - start;
  if (n < 0) n = 0;
  std::memset(field, 0, kShortTextSize);
  std::memcpy(field, line + start, static_cast<size_t>(n));
}

struct ButtonFields {
  int32_t number = 0;
  int32_t assigned = 0;
  int32_t virtualKey = 0;
  int32_t scanCode = 0;
  int32_t modifiers = 0;
};

// "Button%i = %i,%i,%i,%i,": false when the button number cannot be read.
bool ScanButtonFields(const char* line, ButtonFields* f) {
  TextScanner scan(line);
  scan.Literal("Button");
  if (!scan.Integer(&f->number)) return false;
  scan.Literal(" = ");
  scan.Integer(&f->assigned);
  scan.Literal(",");
  scan.Integer(&f->virtualKey);
  scan.Literal(",");
  scan.Integer(&f->scanCode);
  scan.Literal(",");
  scan.Integer(&f->modifiers);
  return true;
}

void ApplyFields(const ButtonFields& f, ButtonMapping* m) {
  m->assigned = f.assigned;
  m->virtualKey = static_cast<uint8_t>(f.virtualKey);
  m->scanCode = static_cast<uint8_t>(f.scanCode);
  m->modifiers = static_cast<uint8_t>(f.modifiers);
}

// What of a button line's texts did not fit their fields.
constexpr int kClassCut = 1;
constexpr int kDescriptionCut = 2;

// A version-2 button line into entry; returns the reason when the line is not accepted.
const char* ReadButtonLine2(const char* line, int length, ButtonMapping* entry, int32_t* number,
                            int* cut) {
  *entry = ButtonMapping();
  *cut = 0;
  if (!StartsWith(line, "Button")) return "not a button line";
  ButtonFields f;
  if (!ScanButtonFields(line, &f)) return "button number cannot be read";
  *number = f.number;
  ApplyFields(f, entry);
  const int fourth = FindComma(line, length, 1, 4);
  if (fourth < 0) return "fewer than four commas";
  const int classStart = FindComma(line, length, fourth + 1, 1) + 1;
  if (classStart == 0) return "no comma after the class length";
  const int32_t classLength = ParseDecimal(line + fourth + 1);
  CopyCounted(entry->windowClass, line, length, classStart, classLength);
  const int64_t classEnd = int64_t{classStart} + classLength;
  if (classEnd < 0 || classEnd >= length || line[classEnd] != ',')
    return "class length does not end on a comma";
  const int afterClass = static_cast<int>(classEnd);
  const int descriptionStart = FindComma(line, length, afterClass + 1, 1) + 1;
  if (descriptionStart == 0) return "no comma after the description length";
  const int32_t descriptionLength = ParseDecimal(line + afterClass + 1);
  CopyCounted(entry->description, line, length, descriptionStart, descriptionLength);
  if (classLength >= kShortTextSize) *cut |= kClassCut;
  if (descriptionLength >= kShortTextSize && length - descriptionStart >= kShortTextSize)
    *cut |= kDescriptionCut;
  return nullptr;
}

// A version-1 button line. The entry carries over from the block's previous button line.
const char* ReadButtonLine1(const char* line, int length, ButtonMapping* entry, int32_t* number,
                            int* cut) {
  *cut = 0;
  if (!StartsWith(line, "Button")) return "not a button line";
  ButtonFields f;
  f.assigned = entry->assigned;
  f.virtualKey = entry->virtualKey;
  f.scanCode = entry->scanCode;
  f.modifiers = entry->modifiers;
  if (!ScanButtonFields(line, &f)) return "button number cannot be read";
  *number = f.number;
  ApplyFields(f, entry);
  std::memset(entry->description, 0, kShortTextSize);
  const int fourth = FindComma(line, length, 1, 4);
  if (fourth >= 0) {
    const char* text = line + fourth + 1;
    if (static_cast<int>(std::strcspn(text, "\r\n")) >= kShortTextSize) *cut |= kDescriptionCut;
    SetTextField(entry->description, text);
    entry->description[std::strcspn(entry->description, "\n")] = '\0';
    entry->description[std::strcspn(entry->description, "\r")] = '\0';
  }
  std::memset(entry->windowClass, 0, kShortTextSize);
  return nullptr;
}

const char* SkipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

// Compares the word at p with word in any letter case; on a match, p moves past it.
bool TakeWord(const char** p, const char* word) {
  const char* q = *p;
  for (; *word != '\0'; ++word, ++q)
    if (*q == '\0' || (*q | 0x20) != (*word | 0x20)) return false;
  if ((*q >= 'A' && *q <= 'Z') || (*q >= 'a' && *q <= 'z')) return false;
  *p = q;
  return true;
}

// A decimal number of at most 9 digits; p moves past it.
bool TakeNumber(const char** p, int32_t* value) {
  const char* q = *p;
  int32_t n = 0;
  int digits = 0;
  for (; *q >= '0' && *q <= '9'; ++q, ++digits)
    if (digits < 9) n = n * 10 + (*q - '0');
  if (digits == 0 || digits > 9) return false;
  *value = n;
  *p = q;
  return true;
}

enum class ControlLine { Row, Action, Threshold, Sequence, Text, Long, Mouse };

struct LineSuffix {
  const char* text;
  ControlLine kind;
};
// What may follow a button's or a control's name; Row (nothing) only for the controls.
constexpr LineSuffix kLineSuffixes[] = {{"", ControlLine::Row},
                                        {"action", ControlLine::Action},
                                        {"threshold", ControlLine::Threshold},
                                        {"sequence", ControlLine::Sequence},
                                        {"text", ControlLine::Text},
                                        {"long", ControlLine::Long},
                                        {"mouse", ControlLine::Mouse}};

// Whether line starts "Button<N>Action" (or Sequence, Text, Long), the mark of a button's line
// after the button lines; number, kind and rest are set then.
bool IsActionLine(const char* line, int32_t* number, ControlLine* kind, const char** rest) {
  const char* p = line;
  if (!StartsWith(p, "Button")) return false;
  p += 6;
  if (!TakeNumber(&p, number)) return false;
  for (const LineSuffix& suffix : kLineSuffixes) {
    if (suffix.kind == ControlLine::Row || suffix.kind == ControlLine::Threshold) continue;
    const char* q = p;
    // The action line's word was always taken in its own letter case.
    if (suffix.kind == ControlLine::Action ? !StartsWith(q, "Action") : !TakeWord(&q, suffix.text))
      continue;
    *kind = suffix.kind;
    *rest = suffix.kind == ControlLine::Action ? q + 6 : q;
    return true;
  }
  return false;
}

// The part of an action line after "Button<N>Action": " = Hold", " = Turbo,<rate>" or " = Tap".
const char* ReadAction(const char* rest, KeyAction* action, int32_t* rate) {
  const char* p = SkipBlanks(rest);
  if (*p++ != '=') return "an action line without '='";
  p = SkipBlanks(p);
  *rate = kDefaultTurboRate;
  if (TakeWord(&p, "tap")) {
    *action = KeyAction::Tap;
  } else if (TakeWord(&p, "hold")) {
    *action = KeyAction::Hold;
  } else if (TakeWord(&p, "turbo")) {
    *action = KeyAction::Turbo;
    p = SkipBlanks(p);
    if (*p == ',') {
      p = SkipBlanks(p + 1);
      if (!TakeNumber(&p, rate) || *rate < kMinTurboRate || *rate > kMaxTurboRate)
        return "a turbo rate outside 1-50 keystrokes a second";
    }
  } else if (TakeWord(&p, "toggle")) {
    *action = KeyAction::Toggle;
  } else {
    return "an unknown action (Tap, Hold, Turbo,<rate> or Toggle are known)";
  }
  if (*SkipBlanks(p) != '\0') return "text after the action";
  return nullptr;
}

// The part of a mouse line after its name: " = LeftClick" and the like.
const char* ReadMouseAction(const char* rest, MouseAction* action) {
  const char* p = SkipBlanks(rest);
  if (*p++ != '=') return "a mouse line without '='";
  p = SkipBlanks(p);
  int n = 0;
  while ((p[n] >= 'A' && p[n] <= 'Z') || (p[n] >= 'a' && p[n] <= 'z')) ++n;
  *action = MouseActionOfFileName(p, n);
  if (*action == MouseAction::None)
    return "an unknown mouse action (LeftClick, RightClick, MiddleClick, Back, Forward, WheelUp, "
           "WheelDown, WheelLeft or WheelRight are known)";
  if (*SkipBlanks(p + n) != '\0') return "text after the mouse action";
  return nullptr;
}

// A stick's pair name at p ("XY", "RxRy", "ZRz" or "None"); p moves past it.
bool TakePair(const char** p, StickPair* pair) {
  int n = 0;
  while (((*p)[n] >= 'A' && (*p)[n] <= 'Z') || ((*p)[n] >= 'a' && (*p)[n] <= 'z')) ++n;
  if (!StickPairOfFileName(*p, n, pair)) return false;
  *p += n;
  return true;
}

// A number after a comma: ",<n>" with blanks around; p moves past it.
bool TakeCommaNumber(const char** p, int32_t* value) {
  const char* q = SkipBlanks(*p);
  if (*q++ != ',') return false;
  q = SkipBlanks(q);
  if (!TakeNumber(&q, value)) return false;
  *p = q;
  return true;
}

// "Pointer = <pair>,<speed>,<dead zone %>": the stick that moves the pointer.
const char* ReadPointer(const char* rest, PointerSettings* pointer) {
  const char* p = SkipBlanks(rest);
  if (*p++ != '=') return "a pointer line without '='";
  p = SkipBlanks(p);
  if (!TakePair(&p, &pointer->pair)) return "an unknown stick (XY, RxRy, ZRz or None are known)";
  int32_t speed = kDefaultPointerSpeed;
  int32_t deadZone = kDefaultDeadZonePercent;
  if (!TakeCommaNumber(&p, &speed) || speed < kMinPointerSpeed || speed > kMaxPointerSpeed)
    return "a pointer speed outside 100-5000 pixels a second";
  if (!TakeCommaNumber(&p, &deadZone) || deadZone > kMaxDeadZonePercent)
    return "a dead zone outside 0-90 percent";
  if (*SkipBlanks(p) != '\0') return "text after the pointer's dead zone";
  pointer->speed = static_cast<uint16_t>(speed);
  pointer->deadZone = static_cast<uint8_t>(deadZone);
  return nullptr;
}

// "Scroll = <pair>,<dead zone %>": the stick that turns the wheel.
const char* ReadScroll(const char* rest, ScrollSettings* scroll) {
  const char* p = SkipBlanks(rest);
  if (*p++ != '=') return "a scroll line without '='";
  p = SkipBlanks(p);
  if (!TakePair(&p, &scroll->pair)) return "an unknown stick (XY, RxRy, ZRz or None are known)";
  int32_t deadZone = kDefaultDeadZonePercent;
  if (!TakeCommaNumber(&p, &deadZone) || deadZone > kMaxDeadZonePercent)
    return "a dead zone outside 0-90 percent";
  if (*SkipBlanks(p) != '\0') return "text after the scroll's dead zone";
  scroll->deadZone = static_cast<uint8_t>(deadZone);
  return nullptr;
}

// A line of a record's own after its button lines ("Pointer", "Scroll"); rest is set then.
bool IsRecordLine(const char* line, const char* word, const char** rest) {
  const char* p = line;
  if (!TakeWord(&p, word)) return false;
  *rest = p;
  return true;
}

// Whether line starts with a hat's or half-axis's name ("Pov1Up", "XMinus" in any letter case),
// alone or followed by "Action", "Threshold", "Sequence", "Text" or "Long"; control, kind and rest
// are set then.
bool IsControlLine(const char* line, int* control, ControlLine* kind, const char** rest) {
  int length = 0;
  while ((line[length] >= 'A' && line[length] <= 'Z') ||
         (line[length] >= 'a' && line[length] <= 'z') ||
         (line[length] >= '0' && line[length] <= '9'))
    ++length;
  for (const LineSuffix& suffix : kLineSuffixes) {
    const int n = length - static_cast<int>(std::strlen(suffix.text));
    if (n <= 0) continue;
    const char* p = line + n;
    if (*suffix.text != '\0' && !TakeWord(&p, suffix.text)) continue;
    const int k = ControlOfFileName(line, n);
    if (k < 0) continue;
    *control = k;
    *kind = suffix.kind;
    *rest = line + length;
    return true;
  }
  return false;
}

// A number 0-255 of a keystroke's field; p moves past it.
bool TakeByte(const char** p, uint8_t* value) {
  int32_t n = 0;
  *p = SkipBlanks(*p);
  if (!TakeNumber(p, &n) || n > 255) return false;
  *value = static_cast<uint8_t>(n);
  *p = SkipBlanks(*p);
  return true;
}

// "<vk>,<scan>,<mods>", as in a button line.
bool TakeKeyStroke(const char** p, KeyStroke* stroke) {
  if (!TakeByte(p, &stroke->virtualKey) || *(*p)++ != ',') return false;
  if (!TakeByte(p, &stroke->scanCode) || *(*p)++ != ',') return false;
  return TakeByte(p, &stroke->modifiers);
}

// " = <gap ms>;<vk>,<scan>,<mods>;<vk>,<scan>,<mods>;...": 1-16 keystrokes.
const char* ReadSequence(const char* rest, int32_t* gapMs, KeyStroke* steps, int* count) {
  const char* p = SkipBlanks(rest);
  if (*p++ != '=') return "a sequence line without '='";
  p = SkipBlanks(p);
  if (!TakeNumber(&p, gapMs) || *gapMs > kMaxSequenceGapMs)
    return "a gap between keystrokes outside 0-1000 ms";
  *count = 0;
  for (p = SkipBlanks(p); *p == ';'; p = SkipBlanks(p)) {
    ++p;
    if (*SkipBlanks(p) == '\0') break;  // a ';' at the end
    if (*count == kMaxSequenceSteps) return "more than 16 keystrokes in a sequence";
    if (!TakeKeyStroke(&p, &steps[*count])) return "a keystroke of a sequence cannot be read";
    ++*count;
  }
  if (*p != '\0') return "text after the sequence";
  if (*count == 0) return "a sequence without keystrokes";
  return nullptr;
}

// " = <ms>,<vk>,<scan>,<mods>".
const char* ReadLongPress(const char* rest, int32_t* ms, KeyStroke* stroke) {
  const char* p = SkipBlanks(rest);
  if (*p++ != '=') return "a long press line without '='";
  p = SkipBlanks(p);
  if (!TakeNumber(&p, ms) || *ms < kMinLongPressMs || *ms > kMaxLongPressMs)
    return "a long press time outside 100-2000 ms";
  p = SkipBlanks(p);
  if (*p++ != ',' || !TakeKeyStroke(&p, stroke)) return "a long press key cannot be read";
  if (*SkipBlanks(p) != '\0') return "text after the long press";
  if (stroke->virtualKey == 0) return "a long press without a key";
  return nullptr;
}

// " = <text>": one blank after = belongs to the line, the rest to the text. In the file a
// backslash and "n" stand for a line break and two backslashes for one; any other backslash is
// itself.
const char* ReadText(const char* rest, char* text) {
  const char* p = SkipBlanks(rest);
  if (*p++ != '=') return "a text line without '='";
  if (*p == ' ') ++p;
  size_t n = 0;
  for (; *p != '\0'; ++p) {
    if (n + 1 >= static_cast<size_t>(kTextSize)) return "a text longer than 255 characters";
    char c = *p;
    if (c == '\r') continue;  // the writer never writes one: a line break is "\n"
    if (c == '\\' && (p[1] == 'n' || p[1] == '\\')) c = *++p == 'n' ? '\n' : '\\';
    text[n++] = c;
  }
  text[n] = '\0';
  if (n == 0) return "an empty text";
  const int chars = CountUtf8Chars(text, n);
  if (chars < 0) return "a text that is not UTF-8";
  if (chars > kMaxTextChars) return "a text longer than 255 characters";
  return nullptr;
}

// The part of a threshold line after its name: " = <press %>,<release %>".
const char* ReadThresholds(const char* rest, int32_t* press, int32_t* release) {
  const char* p = SkipBlanks(rest);
  if (*p++ != '=') return "a threshold line without '='";
  p = SkipBlanks(p);
  if (!TakeNumber(&p, press)) return "a threshold line without its press percent";
  p = SkipBlanks(p);
  if (*p++ != ',') return "a threshold line without ',' between its two percents";
  p = SkipBlanks(p);
  if (!TakeNumber(&p, release)) return "a threshold line without its release percent";
  if (*SkipBlanks(p) != '\0') return "text after the thresholds";
  if (!ValidThresholds(*press, *release))
    return "thresholds outside 1-99 percent, or release not below press";
  return nullptr;
}

// One file's lines, read block by block; the report hears what is left out.
class Parser {
 public:
  Parser(const char* data, size_t size, LoadObserver* report, ReadRules rules)
      : lines_(data, size), report_(report), rules_(rules) {}

  // The version digit of a first line "TVM1" or "TVM2"; 0 when the file is no configuration.
  int ReadVersion() {
    const bool hasMagic = lines_.Next() && StartsWith(lines_.text(), "TVM");
    const char digit = hasMagic ? lines_.text()[3] : '\0';
    if (digit != '1' && digit != '2') return 0;
    const char* rest = lines_.text() + 4;
    if (report_ && !IsBlank(rest))
      report_->TextIgnored(lines_.lineNumber(), MayHoldData(rest), "text after the version mark");
    version_ = digit - '0';
    return version_;
  }

  void ReadBlocks(ParsedConfiguration* parsed) {
    auto record = std::make_unique<DeviceRecord>();
    while (lines_.Next()) {
      if (!IsDeviceHeader(lines_.text(), lines_.length())) {
        PassOver();
        continue;
      }
      inDroppedBlock_ = false;
      actionRecord_ = nullptr;
      passedOverBlock_ = false;
      const int headerLine = lines_.lineNumber();
      bool nameCut = false;
      if (!ReadHeader(record.get(), &nameCut)) continue;
      if (!lines_.Next()) {
        if (report_) report_->BlockDropped(headerLine, "the file ends after the device header");
        break;
      }
      if (!ReadCount(record.get())) continue;
      const int index = parsed->recordCount;
      if (index >= kMaxRecords) {
        ReadButtons(record.get(), index, nullptr);  // the lines are read, and nothing said
        if (report_) report_->BlockPassedOver(headerLine);
        passedOverBlock_ = true;
        continue;
      }
      ReadButtons(record.get(), index, report_);
      if (report_ && nameCut) report_->TextCut(headerLine, index, -1, "the device name");
      if (rules_ == ReadRules::WithActions) actionRecord_ = record.get();
      actionIndex_ = index;
      parsed->records[parsed->recordCount++] = std::move(record);
      record = std::make_unique<DeviceRecord>();
    }
  }

 private:
  // A line outside any block. After a dropped block its count and button lines come here; the
  // drop has been reported, so they are not reported again one by one.
  void PassOver() {
    const char* line = lines_.text();
    if (TakeBlockLine(line)) return;
    if (line[0] == '[')
      Drop(lines_.lineNumber(), "a device header without its marks in place");
    else if (report_ && !IsBlank(line) && !(inDroppedBlock_ && MayHoldData(line)))
      report_->TextIgnored(lines_.lineNumber(), MayHoldData(line), "not part of any device block");
  }

  // A line the block just read may hold after its button lines: a button's action, sequence,
  // text or long press, or a hat's or half-axis's row, action, thresholds and the same. Applied,
  // or reported and left out. False when the line is none of these, and is passed over as any
  // other text.
  bool TakeBlockLine(const char* line) {
    if (rules_ != ReadRules::WithActions) return false;
    int32_t number = 0;
    const char* rest = nullptr;
    int control = -1;
    ControlLine kind = ControlLine::Row;
    const bool action = IsActionLine(line, &number, &kind, &rest);
    const bool pointer = !action && IsRecordLine(line, "pointer", &rest);
    const bool scroll = !action && !pointer && IsRecordLine(line, "scroll", &rest);
    if (!action && !pointer && !scroll && !IsControlLine(line, &control, &kind, &rest))
      return false;
    // A text may be longer than one read: its rest comes as the next reads of the same line.
    std::string joined;
    if (kind == ControlLine::Text && lines_.cut()) {
      const size_t offset = static_cast<size_t>(rest - line);
      joined = line;
      while (lines_.cut() && lines_.Next())
        if (joined.size() < 4 * static_cast<size_t>(kTextSize)) joined += lines_.text();
      rest = joined.c_str() + offset;
    }
    if (passedOverBlock_) return true;  // its block was passed over whole, and said so
    if (actionRecord_ == nullptr) return false;
    const char* reason = action    ? TakeButtonLine(number, kind, rest)
                         : pointer ? TakePointer(rest)
                         : scroll  ? TakeScroll(rest)
                                   : TakeControl(control, kind, rest);
    if (reason != nullptr && report_) report_->TextIgnored(lines_.lineNumber(), true, reason);
    return true;
  }

  const char* TakeButtonLine(int32_t number, ControlLine kind, const char* rest) {
    if (number < 1 || number > actionRecord_->buttonCount) {
      switch (kind) {
        case ControlLine::Sequence:
          return "a sequence line for a button the block does not have";
        case ControlLine::Text:
          return "a text line for a button the block does not have";
        case ControlLine::Long:
          return "a long press line for a button the block does not have";
        case ControlLine::Mouse: {
          // A mouse line that cannot be read says why first, as an action line does.
          MouseAction mouse = MouseAction::None;
          if (const char* reason = ReadMouseAction(rest, &mouse)) return reason;
          return "a mouse line for a button the block does not have";
        }
        default:
          break;
      }
      // An action line that cannot be read says why first, as it always did.
      KeyAction action = KeyAction::Tap;
      int32_t rate = kDefaultTurboRate;
      if (const char* reason = ReadAction(rest, &action, &rate)) return reason;
      return "an action line for a button the block does not have";
    }
    return TakeMappingLine(actionRecord_->buttons[number - 1], kind, rest);
  }

  // A mouse action replaces the row's key, whatever its button line held.
  static void SetMouse(ButtonMapping& mapping, MouseAction mouse) {
    mapping.mouse = mouse;
    mapping.assigned = 0;
    mapping.virtualKey = 0;
    mapping.scanCode = 0;
  }

  const char* TakePointer(const char* rest) {
    PointerSettings pointer;
    if (const char* reason = ReadPointer(rest, &pointer)) return reason;
    actionRecord_->pointer = pointer;
    return nullptr;
  }

  const char* TakeScroll(const char* rest) {
    ScrollSettings scroll;
    if (const char* reason = ReadScroll(rest, &scroll)) return reason;
    actionRecord_->scroll = scroll;
    return nullptr;
  }

  // An action, a sequence, a text, a long press or a mouse action of a button or a control.
  const char* TakeMappingLine(ButtonMapping& mapping, ControlLine kind, const char* rest) {
    DeviceRecord& record = *actionRecord_;
    if (kind == ControlLine::Mouse) {
      MouseAction mouse = MouseAction::None;
      if (const char* reason = ReadMouseAction(rest, &mouse)) return reason;
      // The mouse action takes the place of whatever the row typed.
      record.ClearExtras(mapping);
      SetMouse(mapping, mouse);
    } else if (kind == ControlLine::Action) {
      KeyAction action = KeyAction::Tap;
      int32_t rate = kDefaultTurboRate;
      if (const char* reason = ReadAction(rest, &action, &rate)) return reason;
      mapping.action = action;
      mapping.turboRate = static_cast<uint8_t>(rate);
    } else if (kind == ControlLine::Sequence) {
      int32_t gap = 0;
      KeyStroke steps[kMaxSequenceSteps];
      int count = 0;
      if (const char* reason = ReadSequence(rest, &gap, steps, &count)) return reason;
      if (record.TextOf(mapping) != nullptr) return "a sequence for a row that types a text";
      if (mapping.mouse != MouseAction::None) return "a sequence for a row with a mouse action";
      if (!record.SetSequence(mapping, steps, count, gap))
        return "more than 32 sequences in one device block";
    } else if (kind == ControlLine::Text) {
      auto text = std::make_unique<TypedText>();
      if (const char* reason = ReadText(rest, text->utf8)) return reason;
      if (record.SequenceOf(mapping) != nullptr) return "a text for a row that types a sequence";
      if (mapping.mouse != MouseAction::None) return "a text for a row with a mouse action";
      if (!record.SetText(mapping, text->utf8)) return "more than 16 texts in one device block";
    } else if (kind == ControlLine::Long) {
      int32_t ms = 0;
      KeyStroke stroke;
      if (const char* reason = ReadLongPress(rest, &ms, &stroke)) return reason;
      mapping.longPressMs = static_cast<uint16_t>(ms);
      mapping.longKey = stroke;
    }
    return nullptr;
  }

  // A hat's or half-axis's line; the row is the record's from then on, even with no controller.
  const char* TakeControl(int control, ControlLine kind, const char* rest) {
    ButtonMapping& mapping = actionRecord_->controls[control];
    if (kind == ControlLine::Action || kind == ControlLine::Sequence || kind == ControlLine::Text ||
        kind == ControlLine::Long || kind == ControlLine::Mouse) {
      if (const char* reason = TakeMappingLine(mapping, kind, rest)) return reason;
    } else if (kind == ControlLine::Threshold) {
      int32_t press = 0;
      int32_t release = 0;
      if (const char* reason = ReadThresholds(rest, &press, &release)) return reason;
      if (!HasThresholds(control))
        return control == kGuideControl ? "thresholds for the guide button, which has none"
                                        : "thresholds for a point of view, which has none";
      actionRecord_->thresholds[control].pressPercent = static_cast<uint8_t>(press);
      actionRecord_->thresholds[control].releasePercent = static_cast<uint8_t>(release);
    } else {
      const char* p = SkipBlanks(rest);
      if (*p++ != '=') return "a row line without '='";
      // The fields are those of a button line: read as one.
      char asButton[kLineBufferSize + 16];
      std::snprintf(asButton, sizeof asButton, "Button1 = %s", SkipBlanks(p));
      ButtonMapping entry;
      int32_t number = 0;
      int cut = 0;
      const int length = static_cast<int>(std::strlen(asButton));
      if (const char* reason = ReadButtonLine2(asButton, length, &entry, &number, &cut))
        return reason;
      // A row line after its mouse line keeps the mouse action, as it would before it.
      if (mapping.mouse == MouseAction::None) {
        mapping.assigned = entry.assigned;
        mapping.virtualKey = entry.virtualKey;
        mapping.scanCode = entry.scanCode;
      }
      mapping.modifiers = entry.modifiers;
      std::memcpy(mapping.windowClass, entry.windowClass, kShortTextSize);
      std::memcpy(mapping.description, entry.description, kShortTextSize);
      const int index = kFirstControl + control;
      if (report_ && (cut & kClassCut) != 0)
        report_->TextCut(lines_.lineNumber(), actionIndex_, index, "the window class");
      if (report_ && (cut & kDescriptionCut) != 0)
        report_->TextCut(lines_.lineNumber(), actionIndex_, index, "the description");
    }
    actionRecord_->controlRows |= ControlBit(control);
    return nullptr;
  }

  void Drop(int line, const char* reason) {
    inDroppedBlock_ = true;
    actionRecord_ = nullptr;
    if (report_) report_->BlockDropped(line, reason);
  }

  // "[{instance},{product},name]": false when the block is dropped.
  bool ReadHeader(DeviceRecord* record, bool* nameCut) {
    const char* line = lines_.text();
    const int length = lines_.length();
    *record = DeviceRecord();
    TextScanner scan(line);
    scan.Literal("[");
    ScanGuid(scan, &record->instanceGuid);
    scan.Literal(",");
    ScanGuid(scan, &record->productGuid);
    const char* nameEnd = static_cast<const char*>(std::memchr(line + 79, ']', length - 79));
    if (nameEnd == nullptr) {
      Drop(lines_.lineNumber(), lines_.cut() ? "the header line is longer than 1022 characters"
                                             : "no ']' after the device name");
      return false;
    }
    SetTextField(record->name, sizeof record->name, line + 79,
                 std::min<size_t>(nameEnd - (line + 79), kNameSize - 1));
    *nameCut = nameEnd - (line + 79) > kNameSize - 1;
    return true;
  }

  // "NumberOfButtons = n", n in 1-128: false when the block is dropped.
  bool ReadCount(DeviceRecord* record) {
    const char* line = lines_.text();
    if (!StartsWith(line, "NumberOfButtons")) {
      Drop(lines_.lineNumber(),
           line[0] == '['
               ? "another device header where \"NumberOfButtons\" belongs; both blocks are lost"
               : "no \"NumberOfButtons\" line after the header");
      return false;
    }
    int32_t count = 0;
    TextScanner scan(line);
    scan.Literal("NumberOfButtons = ");
    scan.Integer(&count);
    if (count <= 0 || count > kMaxButtons) {
      Drop(lines_.lineNumber(), count == 0 ? "no buttons" : "button count outside 1-128");
      return false;
    }
    record->buttonCount = count;
    return true;
  }

  // One line per button; a button whose line is missing or wrong stays cleared.
  void ReadButtons(DeviceRecord* record, int index, LoadObserver* report) {
    ButtonMapping carried;  // version 1 carries fields from one button line to the next
    for (int k = 0; k < record->buttonCount; ++k) {
      if (lines_.Next())
        ReadButton(record, index, k, &carried, report);
      else if (report)
        report->ButtonCleared(0, index, k, "the file ends before this button line");
    }
  }

  void ReadButton(DeviceRecord* record, int index, int k, ButtonMapping* carried,
                  LoadObserver* report) {
    int32_t number = 0;
    ButtonMapping entry;
    const char* reason;
    int cut = 0;
    if (version_ == 1) {
      reason = ReadButtonLine1(lines_.text(), lines_.length(), carried, &number, &cut);
      entry = *carried;
    } else {
      reason = ReadButtonLine2(lines_.text(), lines_.length(), &entry, &number, &cut);
    }
    if (reason == nullptr && number != k + 1) reason = "button number does not match its place";
    if (reason != nullptr) {
      if (report) report->ButtonCleared(lines_.lineNumber(), index, k, reason);
      return;
    }
    entry.state = 0;
    record->buttons[k] = entry;
    if (report && (cut & kClassCut) != 0)
      report->TextCut(lines_.lineNumber(), index, k, "the window class");
    if (report && (cut & kDescriptionCut) != 0)
      report->TextCut(lines_.lineNumber(), index, k, "the description");
  }

  LineReader lines_;
  LoadObserver* report_;
  ReadRules rules_;
  int version_ = 0;
  bool inDroppedBlock_ = false;
  DeviceRecord* actionRecord_ = nullptr;  // the block whose action lines may follow
  int actionIndex_ = 0;                   // its record index
  bool passedOverBlock_ = false;          // past the sixteenth record: its lines are not read
};

}  // namespace

ParsedConfiguration ParseConfiguration(const char* data, size_t size, LoadObserver* report,
                                       ReadRules rules) {
  ParsedConfiguration parsed;
  if (size > kMaxConfigurationFileSize) {
    parsed.result = LoadResult::TooLarge;
    return parsed;
  }
  Parser parser(data, size, report, rules);
  parsed.version = parser.ReadVersion();
  if (parsed.version == 0) return parsed;
  parsed.result = LoadResult::Loaded;
  parser.ReadBlocks(&parsed);
  return parsed;
}

}  // namespace tarvel
