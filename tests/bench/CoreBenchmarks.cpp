// Speed of the polling pass and of loading and saving a full configuration, each beside a
// baseline that does the least work of the same kind on the same data.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "input/JoystickTable.h"
#include "input/Polling.h"
#include "model/ConfigFormat.h"
#include "model/DocView.h"
#include "model/FileOps.h"
#include "model/TarvelDoc.h"

namespace tarvel {
namespace {

// A controller whose state is a fixed 272-byte block that the benchmark may change.
class StaticDevice final : public ControllerDevice {
 public:
  Result SetDataFormatJoystick2() override { return kOk; }
  Result SetCooperativeLevel(WindowHandle, uint32_t) override { return kOk; }
  Result EnumObjects(ObjectEnumCallback, void*, uint32_t) override { return kOk; }
  Result GetCapabilities(DeviceCaps* caps) override {
    caps->buttons = kMaxButtons;
    return kOk;
  }
  Result SetAxisRangeProperty(uint32_t, uint32_t, int32_t, int32_t) override { return kOk; }
  Result Acquire() override { return kOk; }
  Result Unacquire() override { return kOk; }
  Result Poll() override { return kOk; }
  Result GetDeviceState(uint32_t size, void* out) override {
    if (unplugged) return kInputLost;
    std::memcpy(out, state.bytes, size);
    return kOk;
  }
  uint32_t Release() override { return 0; }
  Result SetBufferSize(uint32_t) override { return kFail; }  // read by state, as polled pads are
  Result SetEventNotification(EventHandle) override { return kFail; }
  Result GetDeviceData(DeviceChange*, uint32_t* count) override {
    *count = 0;
    return kFail;
  }
  JoystickState state = {};
  bool unplugged = false;
};

// The document side of the mapping list: what the list view asks of the document for each row
// it is told to refresh, into cells of its own. The Windows list adds its own drawing per row.
class ListLikeView final : public DocView {
 public:
  explicit ListLikeView(CTarvelDoc& doc) : doc_(doc) { doc_.AddView(this); }
  ~ListLikeView() { doc_.RemoveView(this); }
  void RefreshRowTexts(int row) override {
    ++rowsTouched;
    doc_.GetRowKeyText(row, cells_[0]);
    doc_.GetRowWindowClass(row, cells_[1]);
    doc_.GetRowDescription(row, cells_[2]);
  }
  void RefreshRowImage(int row) override {
    ++rowsTouched;
    benchmark::DoNotOptimize(doc_.GetRowStatus(row));
  }
  void SetPressedMark(int, bool) override {}
  void SetCaptureMark(int, bool) override {}
  void RebuildRows() override {}
  void OnUpdate(DocView*, long) override {
    const int rows = doc_.RowCount();
    for (int row = 0; row < rows; ++row) {
      RefreshRowTexts(row);
      RefreshRowImage(row);
    }
  }
  long rowsTouched = 0;

 private:
  CTarvelDoc& doc_;
  char cells_[3][kShortTextSize] = {};
};

class NoKeys final : public KeySender {
 public:
  void InjectKey(uint8_t, uint8_t, bool) override { ++events; }
  WindowHandle FindTopLevelWindow(const char*) override { return nullptr; }
  Delivery SendKeyMessage(WindowHandle, bool, uint8_t) override { return Delivery{}; }
  Delivery InjectInput(const InputEvent*, int count) override {
    events += count;
    return Delivery{};
  }
  bool CursorPosition(int32_t*, int32_t*) override { return false; }
  bool ClientArea(WindowHandle, ScreenRect*) override { return false; }
  Delivery SendMouseMessage(WindowHandle, const MouseMessage&) override { return Delivery{}; }
  Delivery InjectText(const char16_t*, int count) override {
    events += count;
    return Delivery{};
  }
  Delivery SendCharMessage(WindowHandle, char16_t) override { return Delivery{}; }
  long events = 0;
};

struct PollingRig {
  StaticDevice devices[kMaxSlots];
  JoystickTable table;
  NoKeys keys;
  CTarvelDoc doc{DocContext{&table, nullptr, &keys, nullptr, nullptr}};

  PollingRig() {
    table.count = kMaxSlots;
    for (int s = 0; s < kMaxSlots; ++s) {
      table.slots[s].device = &devices[s];
      table.slots[s].caps.buttons = kMaxButtons;
      table.slots[s].instanceGuid.data1 = static_cast<uint32_t>(s + 1);
      table.slots[s].connected = 1;
    }
    doc.BuildRecordsFromAttached();
    for (int r = 0; r < doc.recordCount; ++r)
      for (auto& b : doc.records[r]->buttons) {
        b.assigned = 1;
        b.virtualKey = 0x41;
      }
  }
};

void BM_PollIdle(benchmark::State& st) {
  PollingRig rig;
  for (auto _ : st) PollJoysticks(rig.table, &rig.doc);
}
BENCHMARK(BM_PollIdle);

void BM_PollOneButtonChanging(benchmark::State& st) {
  PollingRig rig;
  uint8_t* button = rig.devices[7].state.bytes + kButtonsOffset + 64;
  for (auto _ : st) {
    *button ^= 0x80;
    PollJoysticks(rig.table, &rig.doc);
  }
  benchmark::DoNotOptimize(rig.keys.events);
}
BENCHMARK(BM_PollOneButtonChanging);

// One controller of 16 drops out and comes back on alternate passes, with the mapping list of all
// 2,048 rows attached: each change of its connection redraws its own rows.
void BM_PollOneControllerFlickering(benchmark::State& st) {
  PollingRig rig;
  ListLikeView view(rig.doc);
  PollJoysticks(rig.table, &rig.doc);
  view.rowsTouched = 0;
  for (auto _ : st) {
    rig.devices[7].unplugged = !rig.devices[7].unplugged;
    PollJoysticks(rig.table, &rig.doc);
  }
  st.counters["rows/pass"] =
      benchmark::Counter(static_cast<double>(view.rowsTouched) / st.iterations());
}
BENCHMARK(BM_PollOneControllerFlickering);

// Baseline: comparing the same 16 x 128 button bytes with what was seen last.
void BM_BaselineMemcmp2KiB(benchmark::State& st) {
  static uint8_t now[kMaxSlots * kMaxButtons];
  static uint8_t seen[kMaxSlots * kMaxButtons];
  for (auto _ : st) {
    benchmark::DoNotOptimize(now);
    benchmark::DoNotOptimize(std::memcmp(now, seen, sizeof now));
  }
}
BENCHMARK(BM_BaselineMemcmp2KiB);

// Baseline: the back-end calls of an idle pass alone (poll and read 16 controllers), so that the
// pass's own work is the difference between the two.
void BM_BaselineBackendReads(benchmark::State& st) {
  PollingRig rig;
  JoystickState state;
  for (auto _ : st) {
    for (int s = 0; s < rig.table.count; ++s) {
      rig.table.slots[s].device->Poll();
      rig.table.slots[s].device->GetDeviceState(kJoystickStateSize, state.bytes);
      benchmark::DoNotOptimize(state.bytes);
    }
  }
}
BENCHMARK(BM_BaselineBackendReads);

// 16 records of 128 assigned buttons, each with a 63-character class and description.
ParsedConfiguration FullConfiguration() {
  ParsedConfiguration full;
  full.result = LoadResult::Loaded;
  full.version = 2;
  for (int r = 0; r < kMaxRecords; ++r) {
    auto record = std::make_unique<DeviceRecord>();
    std::snprintf(record->name, sizeof record->name, "Benchmark Gamepad %d", r);
    record->instanceGuid.data1 = static_cast<uint32_t>(0x10000 + r);
    record->buttonCount = kMaxButtons;
    for (auto& b : record->buttons) {
      b.assigned = 1;
      b.virtualKey = 0x70;
      b.scanCode = 0x3B;
      b.modifiers = 7;
      std::memset(b.windowClass, 'C', kShortTextSize - 1);
      std::memset(b.description, 'd', kShortTextSize - 1);
    }
    full.records[full.recordCount++] = std::move(record);
  }
  return full;
}

std::string FullDocumentPath() {
  static const std::string path = [] {
    const auto file = std::filesystem::temp_directory_path() / "tarvel-bench-full.tvm";
    const std::string text = FormatConfiguration(FullConfiguration());
    WriteFileSafely(SystemFileOps(), file.string().c_str(), text.data(), text.size());
    return file.string();
  }();
  return path;
}

// The whole file read, then parsed.
ParsedConfiguration LoadFile(const std::string& path) {
  std::string contents;
  if (!ReadPlainFile(path.c_str(), kMaxConfigurationFileSize, &contents)) return {};
  return ParseConfiguration(contents.data(), contents.size());
}

void BM_LoadFullDocument(benchmark::State& st) {
  const std::string path = FullDocumentPath();
  int records = 0;
  for (auto _ : st) {
    const ParsedConfiguration parsed = LoadFile(path);
    if (parsed.result != LoadResult::Loaded) st.SkipWithError("load failed");
    records = parsed.recordCount;
  }
  st.counters["records"] = records;
}
BENCHMARK(BM_LoadFullDocument)->Unit(benchmark::kMicrosecond);

// Baseline: reading the same file line by line and nothing else.
void BM_BaselineReadLines(benchmark::State& st) {
  const std::string path = FullDocumentPath();
  char line[1023];
  for (auto _ : st) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    long lines = 0;
    while (std::fgets(line, sizeof line, f)) ++lines;
    std::fclose(f);
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_BaselineReadLines)->Unit(benchmark::kMicrosecond);

// Formatted, then written through a temporary file as a save does.
void BM_SaveFullDocument(benchmark::State& st) {
  const std::string copy = FullDocumentPath() + ".copy.tvm";
  const ParsedConfiguration parsed = LoadFile(FullDocumentPath());
  for (auto _ : st) {
    const std::string text = FormatConfiguration(parsed);
    if (!WriteFileSafely(SystemFileOps(), copy.c_str(), text.data(), text.size()))
      st.SkipWithError("save failed");
  }
  std::remove(copy.c_str());
}
BENCHMARK(BM_SaveFullDocument)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvel
