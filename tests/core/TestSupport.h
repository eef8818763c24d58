#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"
#include "tests/doubles/EventLog.h"
#include "tests/doubles/FakeApp.h"
#include "tests/doubles/FakeControllers.h"
#include "tests/doubles/FakePrompts.h"
#include "tests/doubles/FakeTimerOwner.h"
#include "tests/doubles/FakeView.h"
#include "tests/doubles/RecordingKeySender.h"

namespace tarvel::test {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    static std::atomic<unsigned> serial{0};
    std::random_device random;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0;; ++attempt) {
      path_ = std::filesystem::temp_directory_path() /
              ("tarvel-test-" + std::to_string(random()) + "-" + std::to_string(now % 1000000) +
               "-" + std::to_string(serial++));
      std::error_code error;
      if (std::filesystem::create_directory(path_, error)) break;
      if (attempt > 100) throw std::runtime_error("cannot create a temporary directory");
    }
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Names of every entry in the directory, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The GUID text form, written here independently of the code under test.
inline std::string GuidText(const Guid& g) {
  char text[64];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

inline std::string HeaderLine(const Guid& instance, const Guid& product, const std::string& name) {
  return "[" + GuidText(instance) + "," + GuidText(product) + "," + name + "]";
}

// Joins lines with the given line end after each one.
inline std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string text;
  for (const auto& line : lines) text += line + end;
  return text;
}

// Appends a record with every entry cleared, as the document builds one, not tied to any slot.
inline DeviceRecord* AddRecord(CTarvelDoc& doc, int buttons, const Guid& instance,
                               const std::string& name = "Pad") {
  auto* record = new DeviceRecord();
  record->instanceGuid = instance;
  record->productGuid = instance;
  record->productGuid.data3 = 0x7777;
  std::snprintf(record->name, sizeof record->name, "%s", name.c_str());
  record->buttonCount = buttons;
  record->attachedIndex = -1;
  doc.records[doc.recordCount++] = record;
  return record;
}

inline void Assign(ButtonMapping& m, uint8_t virtualKey, uint8_t scanCode, uint8_t modifiers,
                   const char* windowClass = "", const char* description = "") {
  m.assigned = 1;
  m.virtualKey = virtualKey;
  m.scanCode = scanCode;
  m.modifiers = modifiers;
  std::snprintf(m.windowClass, sizeof m.windowClass, "%s", windowClass);
  std::snprintf(m.description, sizeof m.description, "%s", description);
}

// Ties record r and slot s both ways.
inline void Tie(CTarvelDoc& doc, JoystickTable& table, int r, int s) {
  doc.records[r]->attachedIndex = s;
  table.slots[s].recordIndex = r;
}

// The seams of one document, wired as the program wires them. Members are declared so that
// the document goes first and the table last.
struct Harness {
  EventLog log;
  FakeBackend backend;
  JoystickTable table{&backend};
  FakeTimerOwner frame;
  FakeApp app;
  RecordingKeySender keys;
  FakePrompts prompts;
  FakeView view;
  CTarvelDoc doc;

  explicit Harness(FileOps* files = nullptr)
      : doc(DocContext{&table, &app, &keys, &prompts, files}) {
    backend.log = &log;
    frame.log = &log;
    app.log = &log;
    app.table = &table;
    keys.log = &log;
    prompts.log = &log;
    view.log = &log;
    doc.AddView(&view);
  }
  ~Harness() { doc.RemoveView(&view); }

  // Adds controllers and sets the table up as the start-up does.
  void Attach(const std::vector<uint32_t>& buttonCounts) {
    for (uint32_t n : buttonCounts) backend.AddController(n);
    ASSERT_EQ(table.SetUpJoysticks(nullptr), kOk);
  }
};

}  // namespace tarvel::test
