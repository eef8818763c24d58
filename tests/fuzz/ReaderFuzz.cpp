// Coverage-guided fuzzing of the configuration reader. Every input is loaded; whatever loads is
// saved, loaded again and compared: a saved document must read back as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace {

using namespace tarvel;

class QuietPrompts final : public UserPrompts {
 public:
  void ShowWrongFileFormat() override {}
  void ShowFileTooLarge() override {}
  bool AskAddNewJoystick(const char*) override { return false; }
};

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "round trip broken: %s\n", what);
  std::abort();
}

// Texts as they are saved: a line break inside one is written as a blank.
bool SameText(const char* loaded, const char* reloaded) {
  for (;; ++loaded, ++reloaded) {
    const char expected = (*loaded == '\r' || *loaded == '\n') ? ' ' : *loaded;
    if (expected != *reloaded) return false;
    if (expected == '\0') return true;
  }
}

bool SameMapping(const ButtonMapping& a, const ButtonMapping& b) {
  return a.assigned == b.assigned && a.virtualKey == b.virtualKey && a.scanCode == b.scanCode &&
         a.modifiers == b.modifiers && SameText(a.windowClass, b.windowClass) &&
         SameText(a.description, b.description) && a.state == 0 && b.state == 0;
}

void CheckInvariants(const CTarvelDoc& doc, const JoystickTable& table) {
  Require(doc.recordCount >= 0 && doc.recordCount <= kMaxRecords, "record count");
  for (int r = 0; r < kMaxRecords; ++r) {
    Require((r < doc.recordCount) == (doc.records[r] != nullptr), "record pointers");
    if (r >= doc.recordCount) continue;
    const DeviceRecord& rec = *doc.records[r];
    Require(rec.buttonCount >= 1 && rec.buttonCount <= kMaxButtons, "button count");
    Require(std::memchr(rec.name, 0, sizeof rec.name) != nullptr, "name terminated");
    Require(rec.attachedIndex == -1 || rec.attachedIndex < table.count, "attached index");
    for (const ButtonMapping& m : rec.buttons) {
      Require(std::memchr(m.windowClass, 0, sizeof m.windowClass) != nullptr, "class terminated");
      Require(std::memchr(m.description, 0, sizeof m.description) != nullptr, "text terminated");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static JoystickTable table;
  static QuietPrompts prompts;
  const DocContext context{&table, nullptr, nullptr, &prompts, nullptr};

  std::FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (in == nullptr) return 0;
  CTarvelDoc first(context);
  const LoadResult result = first.ReadConfiguration(in);
  std::fclose(in);
  if (result != LoadResult::Loaded) return 0;
  CheckInvariants(first, table);

  const size_t capacity = CTarvelDoc::MaxConfigurationSize();
  std::unique_ptr<char[]> saved(new char[capacity]);
  const size_t savedSize = first.FormatConfiguration(saved.get(), capacity);
  Require(savedSize > 0, "document formats");

  std::FILE* again = fmemopen(saved.get(), savedSize, "rb");
  CTarvelDoc second(context);
  Require(second.ReadConfiguration(again) == LoadResult::Loaded, "saved document loads");
  std::fclose(again);
  CheckInvariants(second, table);

  Require(second.recordCount == first.recordCount, "same records");
  for (int r = 0; r < first.recordCount; ++r) {
    const DeviceRecord& a = *first.records[r];
    const DeviceRecord& b = *second.records[r];
    Require(SameText(a.name, b.name), "same name");
    Require(a.instanceGuid == b.instanceGuid && a.productGuid == b.productGuid, "same GUIDs");
    Require(a.buttonCount == b.buttonCount, "same button count");
    for (int k = 0; k < a.buttonCount; ++k)
      Require(SameMapping(a.buttons[k], b.buttons[k]), "same mapping");
  }
  return 0;
}
