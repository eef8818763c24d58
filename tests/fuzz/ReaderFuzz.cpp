// Coverage-guided fuzzing of the configuration reader. Every input is parsed; whatever loads is
// formatted, parsed again and compared: a saved configuration must read back as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/ConfigFormat.h"

namespace {

using namespace tarvel;

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

void CheckInvariants(const ParsedConfiguration& parsed) {
  Require(parsed.recordCount >= 0 && parsed.recordCount <= kMaxRecords, "record count");
  for (int r = 0; r < kMaxRecords; ++r) {
    Require((r < parsed.recordCount) == (parsed.records[r] != nullptr), "record pointers");
    if (r >= parsed.recordCount) continue;
    const DeviceRecord& rec = *parsed.records[r];
    Require(rec.buttonCount >= 1 && rec.buttonCount <= kMaxButtons, "button count");
    Require(std::memchr(rec.name, 0, sizeof rec.name) != nullptr, "name terminated");
    Require(rec.attachedIndex == -1, "tied to no controller");
    for (const ButtonMapping& m : rec.buttons) {
      Require(std::memchr(m.windowClass, 0, sizeof m.windowClass) != nullptr, "class terminated");
      Require(std::memchr(m.description, 0, sizeof m.description) != nullptr, "text terminated");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ParsedConfiguration first = ParseConfiguration(reinterpret_cast<const char*>(data), size);
  if (first.result != LoadResult::Loaded) return 0;
  Require(first.version == 1 || first.version == 2, "version");
  CheckInvariants(first);

  const std::string saved = FormatConfiguration(first);
  Require(saved.size() <= MaxFormattedSize(first.recordCount), "formatted size within its bound");

  const ParsedConfiguration second = ParseConfiguration(saved.data(), saved.size());
  Require(second.result == LoadResult::Loaded, "saved configuration loads");
  Require(second.version == 2, "saved as version 2");
  CheckInvariants(second);

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
