// The mapping engine: from changed button bytes to pressed marks and keystrokes.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "tests/core/TestSupport.h"

namespace tarvel::test {
namespace {

using Sent = std::vector<std::string>;

const WindowHandle kNotepad = reinterpret_cast<WindowHandle>(0x1234);

// Record 0 has 12 buttons, record 1 has 4 (rows 12-15).
struct EngineScene : Harness {
  uint8_t bytes[128] = {};
  EngineScene() {
    AddRecord(doc, 12, TestGuid(1));
    AddRecord(doc, 4, TestGuid(2));
    keys.AddWindow("Notepad", kNotepad);
  }
  ButtonMapping& M(int record, int button) { return doc.records[record]->buttons[button]; }
  void Process(int record) { doc.ProcessButtons(record, bytes); }
};

TEST(MappingEngine, SystemWideKeystrokesForEveryModifierCombination) {
  const Sent expected[8] = {
      {KeyEventText(0x41, 0x1E, false), KeyEventText(0x41, 0x1E, true)},
      {KeyEventText(0x10, 0, false), KeyEventText(0x41, 0x1E, false),
       KeyEventText(0x41, 0x1E, true), KeyEventText(0x10, 0, true)},
      {KeyEventText(0x11, 0, false), KeyEventText(0x41, 0x1E, false),
       KeyEventText(0x41, 0x1E, true), KeyEventText(0x11, 0, true)},
      {KeyEventText(0x10, 0, false), KeyEventText(0x11, 0, false), KeyEventText(0x41, 0x1E, false),
       KeyEventText(0x41, 0x1E, true), KeyEventText(0x11, 0, true), KeyEventText(0x10, 0, true)},
      {KeyEventText(0x12, 0, false), KeyEventText(0x41, 0x1E, false),
       KeyEventText(0x41, 0x1E, true), KeyEventText(0x12, 0, true)},
      {KeyEventText(0x10, 0, false), KeyEventText(0x12, 0, false), KeyEventText(0x41, 0x1E, false),
       KeyEventText(0x41, 0x1E, true), KeyEventText(0x12, 0, true), KeyEventText(0x10, 0, true)},
      {KeyEventText(0x11, 0, false), KeyEventText(0x12, 0, false), KeyEventText(0x41, 0x1E, false),
       KeyEventText(0x41, 0x1E, true), KeyEventText(0x12, 0, true), KeyEventText(0x11, 0, true)},
      {KeyEventText(0x10, 0, false), KeyEventText(0x11, 0, false), KeyEventText(0x12, 0, false),
       KeyEventText(0x41, 0x1E, false), KeyEventText(0x41, 0x1E, true), KeyEventText(0x12, 0, true),
       KeyEventText(0x11, 0, true), KeyEventText(0x10, 0, true)}};
  for (int modifiers = 0; modifiers < 8; ++modifiers) {
    for (int high : {0, 0xF8}) {  // bits other than 1, 2 and 4 change nothing
      SCOPED_TRACE("modifiers " + std::to_string(modifiers | high));
      EngineScene h;
      Assign(h.M(0, 0), 0x41, 0x1E, static_cast<uint8_t>(modifiers | high));
      h.bytes[0] = 0x80;

      h.Process(0);

      EXPECT_EQ(h.keys.sent, expected[modifiers]);
      EXPECT_TRUE(h.keys.lookups.empty());
      EXPECT_EQ(h.view.calls, Sent{"SetPressedMark 0 on"});
      EXPECT_EQ(h.M(0, 0).state, 0x80);
    }
  }
}

TEST(MappingEngine, KeystrokesToATargetWindowForEveryModifierCombination) {
  for (int modifiers = 0; modifiers < 8; ++modifiers) {
    SCOPED_TRACE("modifiers " + std::to_string(modifiers));
    EngineScene h;
    Assign(h.M(1, 2), 0x74, 0x3F, static_cast<uint8_t>(modifiers), "Notepad");
    h.bytes[2] = 0x80;

    h.Process(1);

    Sent expected;
    const uint8_t order[3] = {0x10, 0x11, 0x12};
    const int bits[3] = {1, 2, 4};
    for (int i = 0; i < 3; ++i)
      if (modifiers & bits[i]) expected.push_back(KeyMessageText(kNotepad, false, order[i]));
    expected.push_back(KeyMessageText(kNotepad, false, 0x74));
    expected.push_back(KeyMessageText(kNotepad, true, 0x74));
    for (int i = 2; i >= 0; --i)
      if (modifiers & bits[i]) expected.push_back(KeyMessageText(kNotepad, true, order[i]));
    EXPECT_EQ(h.keys.sent, expected);
    EXPECT_EQ(h.keys.lookups, Sent{"Notepad"});
    EXPECT_EQ(h.view.calls, Sent{"SetPressedMark 14 on"});
  }
}

TEST(MappingEngine, CtrlAltF5ToAWindowInExactOrder) {
  EngineScene h;
  Assign(h.M(0, 2), 0x74, 0x3F, kModCtrl | kModAlt, "Notepad");
  h.bytes[2] = 0x80;

  h.Process(0);

  EXPECT_EQ(h.keys.sent,
            (Sent{KeyMessageText(kNotepad, false, 0x11), KeyMessageText(kNotepad, false, 0x12),
                  KeyMessageText(kNotepad, false, 0x74), KeyMessageText(kNotepad, true, 0x74),
                  KeyMessageText(kNotepad, true, 0x12), KeyMessageText(kNotepad, true, 0x11)}));
}

TEST(MappingEngine, AKeystrokeFiresOncePerChangeToAPressedValue) {
  struct Step {
    uint8_t byte;
    const char* mark;  // expected view call, or "" for none
    bool fires;
  };
  const Step steps[] = {
      {0x00, "", false},                    // equal to the stored state: nothing
      {0x80, "SetPressedMark 3 on", true},  // press
      {0x80, "", false},                    // held: no repeat
      {0x81, "SetPressedMark 3 on", true},  // another pressed value fires again
      {0x80, "SetPressedMark 3 on", true},
      {0x00, "SetPressedMark 3 off", false},  // release sends nothing
      {0x7F, "SetPressedMark 3 off", false},  // a change without the high bit
      {0x7F, "", false},
      {0xFF, "SetPressedMark 3 on", true},
  };
  EngineScene h;
  Assign(h.M(0, 3), 0x20, 0x39, 0);
  int step = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE("step " + std::to_string(step++));
    h.view.Clear();
    h.keys.Clear();
    h.bytes[3] = s.byte;

    h.Process(0);

    EXPECT_EQ(h.view.calls, std::string(s.mark).empty() ? Sent{} : Sent{s.mark});
    EXPECT_EQ(h.keys.sent.size(), s.fires ? 2u : 0u);
    EXPECT_EQ(h.M(0, 3).state, s.byte);
  }
}

TEST(MappingEngine, AnUnassignedButtonOnlyMovesItsMark) {
  EngineScene h;
  h.M(0, 5).virtualKey = 0x41;  // a file may hold a key in an unassigned mapping
  h.M(0, 5).modifiers = 7;
  h.bytes[5] = 0x80;
  h.Process(0);
  h.bytes[5] = 0x00;
  h.Process(0);

  EXPECT_EQ(h.view.calls, (Sent{"SetPressedMark 5 on", "SetPressedMark 5 off"}));
  EXPECT_TRUE(h.keys.sent.empty());
  EXPECT_TRUE(h.keys.lookups.empty());
}

TEST(MappingEngine, ButtonsThatGoDownTogetherFireInButtonOrder) {
  EngineScene h;
  Assign(h.M(1, 3), 0x42, 0x30, kModShift);
  Assign(h.M(1, 1), 0x43, 0x2E, 0, "Notepad");
  h.bytes[3] = 0x80;
  h.bytes[1] = 0x80;

  h.Process(1);

  EXPECT_EQ(h.keys.sent,
            (Sent{KeyMessageText(kNotepad, false, 0x43), KeyMessageText(kNotepad, true, 0x43),
                  KeyEventText(0x10, 0, false), KeyEventText(0x42, 0x30, false),
                  KeyEventText(0x42, 0x30, true), KeyEventText(0x10, 0, true)}));
  EXPECT_EQ(h.view.calls, (Sent{"SetPressedMark 13 on", "SetPressedMark 15 on"}));
}

TEST(MappingEngine, BytesPastTheButtonCountAreNotLookedAt) {
  EngineScene h;
  for (int b = 0; b < 128; ++b) Assign(h.M(0, b), static_cast<uint8_t>(b), 0, 0);
  for (int b = 12; b < 128; ++b) h.bytes[b] = 0x80;

  h.Process(0);
  EXPECT_TRUE(h.view.calls.empty());
  EXPECT_TRUE(h.keys.sent.empty());

  h.bytes[11] = 0x80;  // the last button in use, together with the ones past it
  h.Process(0);
  EXPECT_EQ(h.view.calls, Sent{"SetPressedMark 11 on"});
  EXPECT_EQ(h.keys.sent, (Sent{KeyEventText(11, 0, false), KeyEventText(11, 0, true)}));
  for (int b = 12; b < 128; ++b) ASSERT_EQ(h.M(0, b).state, 0) << "button " << b;
}

TEST(MappingEngine, ARecordIndexOutsideTheDocumentChangesNothing) {
  for (int record : {-1, 2, 15, 16, 1000, INT_MIN, INT_MAX}) {
    SCOPED_TRACE("record " + std::to_string(record));
    EngineScene h;
    Assign(h.M(0, 0), 0x41, 0, 0);
    Assign(h.M(1, 0), 0x41, 0, 0);
    std::memset(h.bytes, 0x80, sizeof h.bytes);

    h.Process(record);

    EXPECT_TRUE(h.view.calls.empty());
    EXPECT_TRUE(h.keys.sent.empty());
    EXPECT_EQ(h.M(0, 0).state, 0);
    EXPECT_EQ(h.M(1, 0).state, 0);
  }
}

TEST(MappingEngine, AWindowClassThatNamesNoWindowSendsNothingAnywhere) {
  EngineScene h;
  Assign(h.M(0, 0), 0x41, 0x1E, kModCtrl, "NoSuchWindow");
  h.bytes[0] = 0x80;

  h.Process(0);

  EXPECT_EQ(h.keys.lookups, Sent{"NoSuchWindow"});
  EXPECT_TRUE(h.keys.sent.empty()) << "no fallback to system-wide keystrokes";
  EXPECT_EQ(h.M(0, 0).state, 0x80);
  EXPECT_EQ(h.view.calls, Sent{"SetPressedMark 0 on"});
}

TEST(MappingEngine, TheTargetWindowIsLookedUpAfreshForEveryKeystroke) {
  EngineScene h;
  Assign(h.M(0, 0), 0x41, 0x1E, 0, "Late");
  const WindowHandle first = reinterpret_cast<WindowHandle>(0x51);
  const WindowHandle second = reinterpret_cast<WindowHandle>(0x52);
  const WindowHandle windows[3] = {nullptr, first, second};  // the window of each press
  Sent expected;
  for (WindowHandle window : windows) {
    h.keys.windows.erase("Late");
    if (window != nullptr) h.keys.AddWindow("Late", window);
    h.bytes[0] = 0x80;
    h.Process(0);
    h.bytes[0] = 0x00;
    h.Process(0);
    if (window != nullptr) {
      expected.push_back(KeyMessageText(window, false, 0x41));
      expected.push_back(KeyMessageText(window, true, 0x41));
    }
  }
  EXPECT_EQ(h.keys.sent, expected);
  EXPECT_EQ(h.keys.lookups, (Sent{"Late", "Late", "Late"}));
}

TEST(MappingEngine, WithoutAViewKeystrokesStillGoOut) {
  EngineScene h;
  h.doc.RemoveView(&h.view);
  Assign(h.M(0, 0), 0x41, 0x1E, 0);
  h.bytes[0] = 0x80;

  h.Process(0);

  EXPECT_EQ(h.keys.sent.size(), 2u);
  EXPECT_EQ(h.M(0, 0).state, 0x80);
}

}  // namespace
}  // namespace tarvel::test
