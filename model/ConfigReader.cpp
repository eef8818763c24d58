#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"
#include "model/TextScanner.h"

namespace tarvel {
namespace {

// One read takes at most 1022 characters, its line end included; the rest of a longer line comes
// as the next line. A line end is LF or CR LF, and counts as one character either way; in a file
// without any LF (as old Mac editors write) it is a CR alone.
constexpr int kLineBufferSize = 1023;

// A configuration is a few hundred kilobytes at most; a file far beyond that is none.
constexpr size_t kMaxFileSize = 16u << 20;

class LineReader {
 public:
  LineReader(const char* data, size_t size)
      : data_(data), size_(size), crOnly_(std::memchr(data, '\n', size) == nullptr) {}

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

enum class WholeFile { Read, ReadError, TooLarge };

// The whole file, so that a read that fails part way leaves the document as it was.
WholeFile ReadWholeFile(std::FILE* file, std::string* contents) {
  char chunk[16384];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (contents->size() + n > kMaxFileSize) return WholeFile::TooLarge;
    contents->append(chunk, n);
  }
  return std::ferror(file) ? WholeFile::ReadError : WholeFile::Read;
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

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool CTarvelDoc::OnOpenDocument(const char* path) {
  const LoadResult result = ReadConfiguration(path);
  // A wrong format or a file too large the reader has told the user of itself.
  SetOpenFailure(result == LoadResult::Loaded       ? OpenFailure::None
                 : result == LoadResult::CannotOpen ? OpenFailure::CannotRead
                                                    : OpenFailure::Reported);
  return result == LoadResult::Loaded;
}

LoadResult CTarvelDoc::ReadConfiguration(const char* path, LoadObserver* observer) {
  // Only a plain file: a pipe or a port could keep the read waiting for ever.
  std::unique_ptr<std::FILE, FileCloser> file(OpenFileForReading(path));
  if (!file) return LoadResult::CannotOpen;
  return ReadConfiguration(file.get(), observer);
}

LoadResult CTarvelDoc::ReadConfiguration(std::FILE* file, LoadObserver* observer) {
  std::string contents;
  const WholeFile read = ReadWholeFile(file, &contents);
  // A folder, or a file that cannot be read to its end, is no configuration of the wrong format.
  if (read == WholeFile::ReadError) return LoadResult::CannotOpen;
  if (read == WholeFile::TooLarge) {
    if (context_.prompts != nullptr) context_.prompts->ShowFileTooLarge();
    return LoadResult::TooLarge;
  }
  auto reader = std::make_unique<LineReader>(contents.data(), contents.size());

  const bool firstLine = reader->Next();
  const bool hasMagic = firstLine && StartsWith(reader->text(), "TVM");
  const char versionDigit = hasMagic ? reader->text()[3] : '\0';
  if (versionDigit != '1' && versionDigit != '2') {
    if (context_.prompts != nullptr) context_.prompts->ShowWrongFileFormat();
    return LoadResult::WrongFormat;
  }
  const int version = versionDigit - '0';
  if (observer && !IsBlank(reader->text() + 4))
    observer->TextIgnored(reader->lineNumber(), MayHoldData(reader->text() + 4),
                          "text after the version mark");

  ClearRecords();
  Attached().UntieAll();
  fileVersion = version;

  int accepted = 0;
  auto record = std::make_unique<DeviceRecord>();
  // After a dropped block its count and button lines come as lines outside any block; the drop
  // has been reported, so they are not reported again one by one.
  bool inDroppedBlock = false;
  auto drop = [&](int line, const char* reason) {
    inDroppedBlock = true;
    if (observer) observer->BlockDropped(line, reason);
  };
  while (reader->Next()) {
    const char* line = reader->text();
    const int length = reader->length();
    const int headerLine = reader->lineNumber();
    if (!IsDeviceHeader(line, length)) {
      // Text between blocks is skipped; the observer hears of it, and of a line that opens like
      // a header, which is a block that is lost.
      if (line[0] == '[')
        drop(headerLine, "a device header without its marks in place");
      else if (observer && !IsBlank(line) && !(inDroppedBlock && MayHoldData(line)))
        observer->TextIgnored(headerLine, MayHoldData(line), "not part of any device block");
      continue;
    }
    inDroppedBlock = false;

    *record = DeviceRecord();
    TextScanner scan(line);
    scan.Literal("[");
    ScanGuid(scan, &record->instanceGuid);
    scan.Literal(",");
    ScanGuid(scan, &record->productGuid);

    const char* nameEnd = static_cast<const char*>(std::memchr(line + 79, ']', length - 79));
    if (nameEnd == nullptr) {
      drop(headerLine, reader->cut() ? "the header line is longer than 1022 characters"
                                     : "no ']' after the device name");
      continue;
    }
    SetTextField(record->name, sizeof record->name, line + 79,
                 std::min<size_t>(nameEnd - (line + 79), kNameSize - 1));
    const bool nameCut = nameEnd - (line + 79) > kNameSize - 1;

    if (!reader->Next()) {
      if (observer) observer->BlockDropped(headerLine, "the file ends after the device header");
      break;
    }
    if (!StartsWith(reader->text(), "NumberOfButtons")) {
      drop(reader->lineNumber(),
           reader->text()[0] == '['
               ? "another device header where \"NumberOfButtons\" belongs; both blocks are lost"
               : "no \"NumberOfButtons\" line after the header");
      continue;
    }
    int32_t count = 0;
    TextScanner countScan(reader->text());
    countScan.Literal("NumberOfButtons = ");
    countScan.Integer(&count);
    if (count <= 0 || count > kMaxButtons) {
      drop(reader->lineNumber(), count == 0 ? "no buttons" : "button count outside 1-128");
      continue;
    }
    record->buttonCount = count;

    const bool passedOver = accepted >= kMaxRecords;
    ButtonMapping carried;  // version 1 carries fields from one button line to the next
    bool atEnd = false;
    for (int k = 0; k < count; ++k) {
      if (atEnd || !reader->Next()) {
        atEnd = true;
        if (observer && !passedOver)
          observer->ButtonCleared(0, accepted, k, "the file ends before this button line");
        continue;
      }
      int32_t number = 0;
      ButtonMapping entry;
      const char* reason;
      int cut = 0;
      if (version == 1) {
        reason = ReadButtonLine1(reader->text(), reader->length(), &carried, &number, &cut);
        entry = carried;
      } else {
        reason = ReadButtonLine2(reader->text(), reader->length(), &entry, &number, &cut);
      }
      if (reason == nullptr && number != k + 1) reason = "button number does not match its place";
      if (reason != nullptr) {
        if (observer && !passedOver)
          observer->ButtonCleared(reader->lineNumber(), accepted, k, reason);
        continue;
      }
      entry.state = 0;
      record->buttons[k] = entry;
      if (observer && !passedOver) {
        if ((cut & kClassCut) != 0)
          observer->TextCut(reader->lineNumber(), accepted, k, "the window class");
        if ((cut & kDescriptionCut) != 0)
          observer->TextCut(reader->lineNumber(), accepted, k, "the description");
      }
    }

    if (passedOver) {
      if (observer) observer->BlockPassedOver(headerLine);
      continue;
    }
    if (observer && nameCut) observer->TextCut(headerLine, accepted, -1, "the device name");
    records[accepted] = record.release();
    record = std::make_unique<DeviceRecord>();
    LinkRecord(accepted);
    recordCount = ++accepted;
  }
  recordCount = accepted;
  return LoadResult::Loaded;
}

}  // namespace tarvel
