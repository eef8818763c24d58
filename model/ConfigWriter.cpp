#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "model/TarvelDoc.h"

namespace tarvel {
namespace {

// Generous bounds of one line of each kind, line end included.
constexpr size_t kHeaderLineMax = 1 + 38 + 1 + 38 + 1 + (kNameSize - 1) + 1 + 2;
constexpr size_t kCountLineMax = 64;
constexpr size_t kButtonLineMax = 96 + 2 * kShortTextSize;

class Output {
 public:
  Output(char* buffer, size_t size) : buffer_(buffer), size_(size) {}

#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void
  Line(const char* format, ...) {
    if (failed_) return;
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer_ + used_, size_ - used_, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) + 2 >= size_ - used_) {
      failed_ = true;
      return;
    }
    used_ += static_cast<size_t>(n);
    buffer_[used_++] = '\r';
    buffer_[used_++] = '\n';
  }

  size_t Result() const { return failed_ ? 0 : used_; }

 private:
  char* buffer_;
  size_t size_;
  size_t used_ = 0;
  bool failed_ = false;
};

// A copy of a text field with line breaks turned into blanks: a line break would split its line
// and lose the rest of the device block when the file is read back.
template <size_t N>
const char* OnOneLine(const char (&field)[N], char (&copy)[N]) {
  for (size_t i = 0; i < N; ++i) copy[i] = (field[i] == '\r' || field[i] == '\n') ? ' ' : field[i];
  copy[N - 1] = '\0';
  return copy;
}

}  // namespace

size_t CTarvelDoc::MaxConfigurationSize() {
  return 8 + kMaxRecords * (kHeaderLineMax + kCountLineMax + kMaxButtons * kButtonLineMax);
}

size_t CTarvelDoc::FormatConfiguration(char* buffer, size_t size) const {
  Output out(buffer, size);
  out.Line("TVM2");
  for (int r = 0; r < recordCount; ++r) {
    const DeviceRecord& record = *records[r];
    char instance[kGuidTextSize];
    char product[kGuidTextSize];
    FormatGuid(record.instanceGuid, instance);
    FormatGuid(record.productGuid, product);
    char name[kNameSize];
    out.Line("[%s,%s,%s]", instance, product, OnOneLine(record.name, name));
    out.Line("NumberOfButtons = %i", static_cast<int>(record.buttonCount));
    for (int k = 0; k < record.buttonCount; ++k) {
      const ButtonMapping& m = record.buttons[k];
      char windowClass[kShortTextSize];
      char description[kShortTextSize];
      OnOneLine(m.windowClass, windowClass);
      OnOneLine(m.description, description);
      out.Line("Button%i = %i,%u,%u,%u,%i,%s,%i,%s", k + 1, static_cast<int>(m.assigned),
               unsigned{m.virtualKey}, unsigned{m.scanCode}, unsigned{m.modifiers},
               static_cast<int>(std::strlen(windowClass)), windowClass,
               static_cast<int>(std::strlen(description)), description);
    }
  }
  return out.Result();
}

bool CTarvelDoc::OnSaveDocument(const char* path) {
  const size_t capacity = MaxConfigurationSize();
  std::unique_ptr<char[]> text(new char[capacity]);
  const size_t size = FormatConfiguration(text.get(), capacity);
  // Through a link, the file it points to is replaced; a folder, pipe or device never is.
  const std::string target = SaveTarget(path);
  if (size == 0 || target.empty()) {
    errno = 0;
    return false;
  }
  if (!WriteFileSafely(Files(), target.c_str(), text.get(), size)) return false;
  SetModifiedFlag(false);
  return true;
}

}  // namespace tarvel
