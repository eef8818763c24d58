#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"
#include "tests/doubles/EventLog.h"
#include "tests/doubles/FakeApp.h"
#include "tests/doubles/FakeControllers.h"
#include "tests/doubles/FakeNotices.h"
#include "tests/doubles/FakePrompts.h"
#include "tests/doubles/FakeTimerOwner.h"
#include "tests/doubles/FakeView.h"
#include "tests/doubles/RecordingKeySender.h"
#include "tests/support/TempDir.h"
#include "tests/support/TvmText.h"

namespace tarvel::test {

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
  FakeIntegrity integrity;
  RecordingNotices notices;
  CTarvelDoc doc;

  explicit Harness(FileOps* files = nullptr)
      : doc(DocContext{&table, &app, &keys, &prompts, files, &integrity, &notices}) {
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
