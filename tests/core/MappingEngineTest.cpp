// The mapping engine: from changed button bytes to pressed marks and keystrokes.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
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

// Keys that Windows will not deliver: three presses of a mapping (Turbo: one press held for
// three repeats) give the status text each time and one balloon; keys into the input stream are
// not sent at all while the program in front runs at a higher integrity level.
TEST(MappingEngine, KeysThatCannotArriveAreReportedWithOneBalloonPerTarget) {
  const WindowHandle kGame = reinterpret_cast<WindowHandle>(0x77);
  const std::string elevated =
      "Keys cannot reach game.exe: it runs as administrator. Start Tarvel as administrator to "
      "use it there.";
  Delivery partly;
  partly.fault = DeliveryFault::PartlyInserted;
  partly.taken = 1;
  partly.given = 2;
  Delivery denied;
  denied.fault = DeliveryFault::WindowRefused;
  denied.systemError = 5;
  struct Case {
    const char* what;
    Elevation elevation;
    KeyAction action;
    const char* windowClass;
    Delivery inject, message;
    size_t keyEvents;    // sent over the three presses
    std::string status;  // each time; empty: none
    size_t statuses;
    MouseAction mouse = MouseAction::None;
  };
  const Case cases[] = {
      {"elevated, Tap", Elevation::Higher, KeyAction::Tap, "", {}, {}, 0, elevated, 3},
      {"elevated, Hold", Elevation::Higher, KeyAction::Hold, "", {}, {}, 0, elevated, 3},
      {"elevated, Turbo", Elevation::Higher, KeyAction::Turbo, "", {}, {}, 0, elevated, 3},
      {"same level", Elevation::NotHigher, KeyAction::Tap, "", {}, {}, 6, "", 0},
      {"token unreadable", Elevation::Unknown, KeyAction::Tap, "", {}, {}, 6, "", 0},
      {"elevated, to a window", Elevation::Higher, KeyAction::Tap, "Notepad", {}, {}, 6, "", 0},
      {"SendInput took 1 of 2",
       Elevation::NotHigher,
       KeyAction::Tap,
       "",
       partly,
       {},
       6,
       "Keys cannot reach game.exe: Windows took 1 of 2 key events (the input is blocked, "
       "perhaps by a program that runs as administrator).",
       3},
      {"window refuses",
       Elevation::NotHigher,
       KeyAction::Hold,
       "Notepad",
       {},
       denied,
       6,
       "Keys cannot reach the window of class \"Notepad\": access denied; its program may run "
       "as administrator.",
       3},
      {"elevated, a click",
       Elevation::Higher,
       KeyAction::Tap,
       "",
       {},
       {},
       0,
       elevated,
       3,
       MouseAction::LeftClick},
      {"SendInput took 1 of 2 of a click",
       Elevation::NotHigher,
       KeyAction::Tap,
       "",
       partly,
       {},
       6,
       "Keys cannot reach game.exe: Windows took 1 of 2 key events (the input is blocked, "
       "perhaps by a program that runs as administrator).",
       3,
       MouseAction::LeftClick},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EngineScene h;
    h.integrity.foreground = kGame;
    h.integrity.processes[kGame] = {c.elevation, "game.exe"};
    h.keys.injectResult = c.inject;
    h.keys.messageResult = c.message;
    Assign(h.M(0, 0), 0x41, 0x1E, 0, c.windowClass);
    h.M(0, 0).action = c.action;
    h.M(0, 0).mouse = c.mouse;
    h.doc.OnTick(1000);
    for (int press = 0; press < 3; ++press) {
      if (c.action == KeyAction::Turbo && press > 0) {
        h.doc.OnTick(1000 + 100 * press);
        continue;
      }
      h.bytes[0] = 0x80;
      h.Process(0);
      h.bytes[0] = 0x00;
      if (c.action != KeyAction::Turbo) h.Process(0);
    }
    EXPECT_EQ(h.keys.sent.size(), c.keyEvents);
    EXPECT_EQ(h.notices.statuses, std::vector<std::string>(c.statuses, c.status));
    EXPECT_EQ(h.notices.balloons, std::vector<std::string>(c.statuses > 0 ? 1 : 0, c.status));
    EXPECT_EQ(h.integrity.comparisons, c.windowClass[0] == '\0' ? 1 : 0)
        << "asked once per window in front";
    EXPECT_EQ(h.view.Count("SetPressedMark 0 on"), c.action == KeyAction::Turbo ? 1 : 3);
  }
}

TEST(MappingEngine, EachTargetGetsItsOwnBalloonAndAMissingWindowIsToldOnceUntilItIsThere) {
  EngineScene h;
  const WindowHandle game = reinterpret_cast<WindowHandle>(0x71);
  const WindowHandle tool = reinterpret_cast<WindowHandle>(0x72);
  h.integrity.processes[game] = {Elevation::Higher, "game.exe"};
  h.integrity.processes[tool] = {Elevation::Higher, "tool.exe"};
  Assign(h.M(0, 0), 0x41, 0x1E, 0);
  Assign(h.M(0, 1), 0x42, 0x30, 0, "Ghost");
  auto tap = [&](int button) {
    h.bytes[button] = 0x80;
    h.Process(0);
    h.bytes[button] = 0x00;
    h.Process(0);
  };
  for (WindowHandle front : {game, tool, game, tool}) {
    h.integrity.foreground = front;
    tap(0);
  }
  EXPECT_EQ(h.integrity.comparisons, 4);
  ASSERT_EQ(h.notices.balloons.size(), 2u);
  EXPECT_NE(h.notices.balloons[0].find("game.exe"), std::string::npos);
  EXPECT_NE(h.notices.balloons[1].find("tool.exe"), std::string::npos);

  h.notices.statuses.clear();
  const std::string none = "No window of class \"Ghost\" is open.";
  tap(1);
  tap(1);
  EXPECT_EQ(h.notices.statuses, std::vector<std::string>{none});
  h.keys.AddWindow("Ghost", reinterpret_cast<WindowHandle>(0x73));
  tap(1);
  h.keys.windows.erase("Ghost");
  tap(1);
  tap(1);
  // The keystroke that arrived put the usual text back.
  EXPECT_EQ(h.notices.statuses, (std::vector<std::string>{none, "", none}));
  EXPECT_EQ(h.notices.balloons.size(), 2u) << "a missing window gets no balloon";
  EXPECT_EQ(h.keys.sent.size(), 2u);

  // Past 32 targets: still one balloon each for the first 32, and a missing window is told
  // every time rather than never.
  h.notices.statuses.clear();
  for (int n = 0; n < 40; ++n) {
    const WindowHandle front = reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(0x100 + n));
    h.integrity.processes[front] = {Elevation::Higher, "game" + std::to_string(n) + ".exe"};
    h.integrity.foreground = front;
    tap(0);
    tap(0);
    std::snprintf(h.M(0, 1).windowClass, sizeof h.M(0, 1).windowClass, "Ghost%d", n);
    tap(1);
    tap(1);
  }
  EXPECT_EQ(h.notices.balloons.size(), static_cast<size_t>(DeliveryReports::kMaxTargets));
  EXPECT_EQ(h.notices.statuses.size(), 40u * 2 + 31 + 9 * 2);
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

const uint8_t kVkW = 0x57;
const uint8_t kVkS = 0x53;
std::string Down(uint8_t vk, uint8_t sc = 0) { return KeyEventText(vk, sc, false); }
std::string Up(uint8_t vk, uint8_t sc = 0) { return KeyEventText(vk, sc, true); }

TEST(MappingEngine, HoldKeepsItsKeysDownWhileTheButtonIsHeldAndSharedKeysUntilTheLastLetsGo) {
  EngineScene h;
  Assign(h.M(0, 0), kVkW, 0x11, kModShift);
  Assign(h.M(0, 1), kVkS, 0x1F, kModShift | kModCtrl);
  Assign(h.M(0, 2), 0x45, 0x12, kModShift);  // a Tap beside them
  h.M(0, 0).action = KeyAction::Hold;
  h.M(0, 1).action = KeyAction::Hold;
  // Press W, hold through 30 ticks, press S, tap E, let go of W, then of S.
  const struct {
    int button;
    bool pressed;
    Sent sent;
  } steps[] = {
      {0, true, {Down(0x10), Down(kVkW, 0x11)}},
      {1, true, {Down(0x11), Down(kVkS, 0x1F)}},      // Shift is down already
      {2, true, {Down(0x45, 0x12), Up(0x45, 0x12)}},  // the held Shift stays down
      {0, false, {Up(kVkW, 0x11)}},
      {1, false, {Up(kVkS, 0x1F), Up(0x11), Up(0x10)}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE("button " + std::to_string(step.button) + (step.pressed ? " down" : " up"));
    h.keys.Clear();
    for (int tick = 0; tick < 30; ++tick) {
      h.doc.OnTick(tick * 10);
      h.Process(0);
    }
    h.bytes[step.button] = step.pressed ? 0x80 : 0x00;
    h.Process(0);
    EXPECT_EQ(h.keys.sent, step.sent);
    EXPECT_EQ(h.keys.batches, std::vector<int>{static_cast<int>(step.sent.size())});
  }
  EXPECT_FALSE(h.doc.HoldsKeys());

  // To a target window: the downs on press, the ups on release, to the window found on press.
  Assign(h.M(1, 0), 0x74, 0x3F, kModAlt, "Notepad");
  h.M(1, 0).action = KeyAction::Hold;
  h.keys.Clear();
  h.bytes[0] = 0x80;
  h.Process(1);
  h.keys.windows.erase("Notepad");
  h.bytes[0] = 0x00;
  h.Process(1);
  EXPECT_EQ(h.keys.sent,
            (Sent{KeyMessageText(kNotepad, false, 0x12), KeyMessageText(kNotepad, false, 0x74),
                  KeyMessageText(kNotepad, true, 0x74), KeyMessageText(kNotepad, true, 0x12)}));
}

TEST(MappingEngine, TurboRepeatsTheKeystrokeAtItsRateWhileTheButtonIsHeld) {
  // A mouse button's Turbo clicks at the rate; a wheel's Hold and Turbo turn it a notch (one
  // event) at the rate.
  const struct {
    int rate;
    int heldMs;
    size_t keystrokes;
    MouseAction mouse = MouseAction::None;
    KeyAction action = KeyAction::Turbo;
    size_t events = 2;  // of one keystroke, click or notch
  } cases[] = {{10, 1000, 10},
               {1, 1000, 1},
               {50, 1000, 50},
               {10, 5, 1},
               {10, 101, 2},
               {20, 1000, 20, MouseAction::RightClick},
               {10, 1000, 10, MouseAction::WheelDown, KeyAction::Hold, 1},
               {5, 1000, 5, MouseAction::WheelRight, KeyAction::Turbo, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + "/s held " + std::to_string(c.heldMs) + " ms, " +
                 MouseActionFileName(c.mouse));
    EngineScene h;
    Assign(h.M(0, 3), 0x20, 0x39, 0);
    if (c.mouse != MouseAction::None) {
      h.M(0, 3).assigned = 0;
      h.M(0, 3).mouse = c.mouse;
    }
    h.M(0, 3).action = c.action;
    h.M(0, 3).turboRate = static_cast<uint8_t>(c.rate);
    int64_t now = 5000;
    h.doc.OnTick(now);
    h.bytes[3] = 0x80;
    h.Process(0);  // the first at once
    for (; now < 5000 + c.heldMs - 1; now += 1) h.doc.OnTick(now + 1);
    h.bytes[3] = 0x00;
    h.Process(0);
    for (int tick = 0; tick < 100; ++tick) h.doc.OnTick(now + 10 * tick);  // nothing more
    EXPECT_EQ(h.keys.sent.size(), c.events * c.keystrokes);
    EXPECT_FALSE(h.doc.HoldsKeys());
  }
}

// Each mouse action with its row's Tap or Hold, its modifiers, system-wide or to a window: what
// goes out on the press and on the release.
TEST(MappingEngine, MouseActionsClickHoldAndTurnTheWheelWithTheirModifiers) {
  auto at = [](const char* what, const char* flags, const char* point) {
    char text[96];
    std::snprintf(text, sizeof text, "message %p %s %s at %s", kNotepad, what, flags, point);
    return std::string(text);
  };
  const std::string ctrlDown = KeyMessageText(kNotepad, false, 0x11);
  const std::string ctrlUp = KeyMessageText(kNotepad, true, 0x11);
  const struct {
    MouseAction mouse;
    KeyAction action;
    uint8_t modifiers;
    const char* windowClass;
    bool cursorInside;
    Sent onPress;
    Sent onRelease;
  } cases[] = {
      {MouseAction::LeftClick,
       KeyAction::Tap,
       0,
       "",
       false,
       {"button Left down", "button Left up"},
       {}},
      {MouseAction::RightClick,
       KeyAction::Tap,
       kModCtrl,
       "",
       false,
       {Down(0x11), "button Right down", "button Right up", Up(0x11)},
       {}},
      {MouseAction::MiddleClick,
       KeyAction::Tap,
       0,
       "",
       false,
       {"button Middle down", "button Middle up"},
       {}},
      {MouseAction::Back, KeyAction::Tap, 0, "", false, {"button Back down", "button Back up"}, {}},
      {MouseAction::Forward,
       KeyAction::Hold,
       kModShift,
       "",
       false,
       {Down(0x10), "button Forward down"},
       {"button Forward up", Up(0x10)}},
      {MouseAction::LeftClick,
       KeyAction::Hold,
       0,
       "",
       false,
       {"button Left down"},
       {"button Left up"}},
      {MouseAction::WheelUp,
       KeyAction::Tap,
       kModCtrl,
       "",
       false,
       {Down(0x11), "wheel 0 120", Up(0x11)},
       {}},
      {MouseAction::WheelDown, KeyAction::Tap, 0, "", false, {"wheel 0 -120"}, {}},
      {MouseAction::WheelLeft, KeyAction::Tap, 0, "", false, {"wheel -120 0"}, {}},
      {MouseAction::WheelRight, KeyAction::Tap, 0, "", false, {"wheel 120 0"}, {}},
      // To a window: buttons at the pointer in client coordinates, the wheel in the screen's;
      // a pointer outside the window gives the centre of its client area.
      {MouseAction::LeftClick,
       KeyAction::Tap,
       0,
       "Notepad",
       true,
       {at("down", "Left 0001", "50,20"), at("up", "Left 0000", "50,20")},
       {}},
      {MouseAction::Forward,
       KeyAction::Tap,
       kModCtrl,
       "Notepad",
       false,
       {ctrlDown, at("down", "Forward 0048", "200,100"), at("up", "Forward 0008", "200,100"),
        ctrlUp},
       {}},
      {MouseAction::LeftClick,
       KeyAction::Hold,
       0,
       "Notepad",
       true,
       {at("down", "Left 0001", "50,20")},
       {at("up", "Left 0000", "50,20")}},
      {MouseAction::WheelDown,
       KeyAction::Tap,
       kModCtrl,
       "Notepad",
       true,
       {ctrlDown, at("wheel", "-120 0008", "150,120"), ctrlUp},
       {}},
      {MouseAction::WheelRight,
       KeyAction::Tap,
       0,
       "Notepad",
       false,
       {at("hwheel", "120 0000", "300,200")},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(MouseActionFileName(c.mouse)) + " to '" + c.windowClass + "'");
    EngineScene h;
    h.keys.areas[kNotepad] = ScreenRect{100, 100, 500, 300};
    h.keys.cursorX = c.cursorInside ? 150 : 20;
    h.keys.cursorY = c.cursorInside ? 120 : 20;
    std::snprintf(h.M(0, 4).windowClass, kShortTextSize, "%s", c.windowClass);
    h.M(0, 4).mouse = c.mouse;
    h.M(0, 4).modifiers = c.modifiers;
    h.M(0, 4).action = c.action;
    h.bytes[4] = 0x80;
    h.Process(0);
    EXPECT_EQ(h.keys.sent, c.onPress);
    h.keys.Clear();
    h.bytes[4] = 0x00;
    h.Process(0);
    EXPECT_EQ(h.keys.sent, c.onRelease);
    EXPECT_FALSE(h.doc.HoldsKeys());
  }
}

// The pointer's motion over one second of ticks: the dead zone (radial, and no jump at its
// edge), the square curve, the rim, the direction, and the fractions carried so that a slow
// push still moves; the wheel's notches likewise.
TEST(PointerMotion, MovesAndNotchesOverASecondOfTicks) {
  const struct {
    int32_t x;
    int32_t y;
    int deadZone;
    int tickUs;
    int32_t dx;  // pixels at 1,200 a second; for the wheel, notches
    int32_t dy;
    int32_t wheelX;
    int32_t wheelY;
  } cases[] = {
      {0, 0, 15, 4000, 0, 0, 0, 0},
      {149, 0, 15, 4000, 0, 0, 0, 0},       // inside the dead zone
      {100, 100, 15, 4000, 0, 0, 0, 0},     // radial: 141 from the centre
      {1000, 0, 15, 4000, 1200, 0, 20, 0},  // full: the top speed, 20 notches
      {1000, 0, 15, 1000, 1200, 0, 20, 0},  // the same at another tick
      {1000, 0, 15, 10000, 1200, 0, 20, 0},
      {-1000, 0, 15, 4000, -1200, 0, -20, 0},
      {0, -1000, 15, 4000, 0, -1200, 0, 20},  // stick up: the pointer up, the wheel away
      {0, 1000, 0, 4000, 0, 1200, 0, -20},
      {2000, 0, 15, 4000, 1200, 0, 20, 0},  // past the rim counts as the rim
      {707, 707, 15, 4000, 848, 848, 13, -13},
      {575, 0, 15, 4000, 300, 0, 10, 0},  // half way past the dead zone: a quarter, and half
      {200, 0, 15, 4000, 4, 0, 1, 0},     // a slow push: 4.15 pixels a second, carried over
      {151, 0, 15, 4000, 0, 0, 0, 0},     // just past the edge: nearly nothing, no jump
      {1000, 0, 90, 4000, 1200, 0, 20, 0},
      {899, 0, 90, 4000, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " dead zone " +
                 std::to_string(c.deadZone) + " tick " + std::to_string(c.tickUs));
    MotionRemainder pointer;
    MotionRemainder wheel;
    MotionStep moved;
    MotionStep turned;
    for (int t = 0; t < 1000000; t += c.tickUs) {
      const MotionStep m = PointerStep(c.x, c.y, c.deadZone, 1200.0, c.tickUs, &pointer);
      const MotionStep w = ScrollStep(c.x, c.y, c.deadZone, c.tickUs, &wheel);
      moved.dx += m.dx;
      moved.dy += m.dy;
      turned.dx += w.dx;
      turned.dy += w.dy;
    }
    EXPECT_NEAR(moved.dx, c.dx, 1);
    EXPECT_NEAR(moved.dy, c.dy, 1);
    EXPECT_NEAR(turned.dx, c.wheelX, 1);
    EXPECT_NEAR(turned.dy, c.wheelY, 1);
  }
  // Back inside the dead zone the fractions are dropped: the next push starts from nothing.
  MotionRemainder carried{0.9, -0.9};
  PointerStep(10, 10, 15, 1200.0, 4000, &carried);
  EXPECT_EQ(carried.x, 0.0);
  EXPECT_EQ(carried.y, 0.0);
}

// A stick that moves the pointer: speed by the clock it is given, scaled with the screen's
// density; its half-axis rows type nothing meanwhile and say so; the pointer stops with its
// controller, and the rows come back when the stick is set to none.
TEST(MappingEngine, APointerStickMovesByTheClockAndItsRowsTypeNothing) {
  EngineScene h;
  h.Attach({12});
  Tie(h.doc, h.table, 0, 0);
  h.table.slots[0].connected = 1;
  h.table.slots[0].axesPresent = 0x3F;
  DeviceRecord& pad = *h.doc.records[0];
  pad.controlRows = ControlsOfController(0, 0x3F);
  const int rxPlus = kFirstControl + kHatControls + 2 * 3 + 1;
  Assign(pad.Mapping(rxPlus), 0x44, 0x20, 0);
  const PointerSettings pointer{StickPair::RxRy, 1200, 15};
  ScrollSettings scroll{StickPair::XY, 15};
  ASSERT_TRUE(h.doc.SetRecordPointer(0, pointer, scroll));
  EXPECT_FALSE(h.doc.SetRecordPointer(0, PointerSettings{StickPair::RxRy, 99, 15}, scroll));
  EXPECT_FALSE(h.doc.SetRecordPointer(0, PointerSettings{StickPair::RxRy, 5001, 15}, scroll));
  EXPECT_FALSE(h.doc.SetRecordPointer(0, PointerSettings{StickPair::RxRy, 1200, 91}, scroll));
  char text[kKeyTextSize];
  h.doc.GetRowKeyText(h.doc.ButtonToRow(0, rxPlus), text);
  EXPECT_STREQ(text, "(moves the pointer)");
  h.doc.GetRowKeyText(h.doc.ButtonToRow(0, kFirstControl + kHatControls), text);
  EXPECT_STREQ(text, "(scrolls)");

  int32_t axes[8] = {};
  uint32_t povs[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  auto run = [&](int64_t fromUs, int64_t toUs) {
    for (int64_t t = fromUs; t <= toUs; t += 4000) h.doc.MovePointers(t);
  };
  // Inside the dead zone: no tick wanted, nothing moves.
  axes[3] = 140;
  h.doc.ProcessHatsAndAxes(0, axes, povs);
  EXPECT_FALSE(h.doc.NeedsPointerTick());
  run(0, 1000000);
  EXPECT_TRUE(h.keys.sent.empty());
  // Full to the right for one second: 1,200 pixels, and no key of the Rx+ row.
  axes[3] = 1000;
  h.doc.ProcessHatsAndAxes(0, axes, povs);
  EXPECT_TRUE(h.doc.NeedsPointerTick());
  run(2000000, 3000000);
  EXPECT_NEAR(h.keys.cursorX, 1200, 2);
  EXPECT_EQ(h.keys.cursorY, 0);
  EXPECT_EQ(std::count(h.keys.sent.begin(), h.keys.sent.end(), Down(0x44, 0x20)), 0);
  // At 150 %: half as fast again. The stick's first tick starts the clock, so no jump.
  h.doc.SetPointerDpi(144);
  h.keys.cursorX = 0;
  run(3004000, 4000000);
  EXPECT_NEAR(h.keys.cursorX, 1800, 3);
  // The scrolling stick pushed up: up to 20 notches a second, as wheel events.
  axes[3] = 0;
  axes[1] = -1000;
  h.doc.ProcessHatsAndAxes(0, axes, povs);
  h.keys.Clear();
  run(4004000, 5000000);
  EXPECT_NEAR(std::count(h.keys.sent.begin(), h.keys.sent.end(), "wheel 0 120"), 20, 1);
  EXPECT_EQ(h.keys.sent.size(),
            static_cast<size_t>(std::count(h.keys.sent.begin(), h.keys.sent.end(), "wheel 0 120")));
  // Pulled out: the pointer and the wheel stop.
  h.table.slots[0].connected = 0;
  h.doc.NotifyConnectionChanged(0);
  EXPECT_FALSE(h.doc.NeedsPointerTick());
  h.keys.Clear();
  run(7000000, 8000000);
  EXPECT_TRUE(h.keys.sent.empty());
  // Set to none, the Rx+ row types its key again.
  h.table.slots[0].connected = 1;
  ASSERT_TRUE(h.doc.SetRecordPointer(0, PointerSettings(), ScrollSettings()));
  h.doc.GetRowKeyText(h.doc.ButtonToRow(0, rxPlus), text);
  EXPECT_STREQ(text, "D");
  axes[3] = 1000;
  h.doc.ProcessHatsAndAxes(0, axes, povs);
  EXPECT_EQ(h.keys.sent, (Sent{Down(0x44, 0x20), Up(0x44, 0x20)}));
}

TEST(MappingEngine, NoKeyStaysHeldWhenItsControllerOrMappingOrDocumentGoes) {
  const struct {
    const char* what;
    bool onlyRowZero;  // the Turbo of row 1 goes on repeating
    std::function<void(EngineScene&)> event;
  } cases[] = {
      {"controller pulled out", false,
       [](EngineScene& h) {
         h.table.slots[0].connected = 0;
         h.doc.NotifyConnectionChanged(0);
       }},
      {"key capture starts", false, [](EngineScene& h) { h.doc.SetKeyCapture(true, 5); }},
      {"key cleared", true, [](EngineScene& h) { h.doc.ClearRowKey(0); }},
      {"class changed", true, [](EngineScene& h) { h.doc.SetRowWindowClass(0, "Other"); }},
      {"action changed", true, [](EngineScene& h) { h.doc.SetRowAction(0, KeyAction::Tap, 10); }},
      {"records reordered", false,
       [](EngineScene& h) {
         const int order[] = {1, 0};
         h.doc.ApplyRecordOrder(order, 2);
       }},
      {"document replaced", false, [](EngineScene& h) { h.doc.ClearRecords(); }},
      {"exit", false, [](EngineScene& h) { h.doc.ReleaseHeldKeys(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EngineScene h;
    h.Attach({12});
    Tie(h.doc, h.table, 0, 0);
    h.table.slots[0].connected = 1;
    Assign(h.M(0, 0), kVkW, 0x11, kModCtrl);
    h.M(0, 0).action = KeyAction::Hold;
    Assign(h.M(0, 1), 0x20, 0x39, 0);
    h.M(0, 1).action = KeyAction::Turbo;
    // Row 0 holds the left button for a drag, with the same Ctrl as row 2's held key.
    h.M(0, 0).mouse = MouseAction::LeftClick;
    h.M(0, 0).assigned = 0;
    h.M(0, 0).action = KeyAction::Hold;
    Assign(h.M(0, 2), kVkW, 0x11, kModCtrl);
    h.M(0, 2).action = KeyAction::Hold;
    // Row 3 toggled down by a press and its release; row 4 types a sequence with gaps.
    Assign(h.M(0, 3), 0x43, 0x2E, kModAlt);
    h.M(0, 3).action = KeyAction::Toggle;
    const KeyStroke slow[] = {{0x31, 0, 0}, {0x32, 0, 0}, {0x33, 0, 0}};
    h.doc.records[0]->SetSequence(h.M(0, 4), slow, 3, 100);
    h.bytes[3] = h.bytes[4] = 0x80;
    h.Process(0);
    h.bytes[3] = h.bytes[4] = 0x00;
    h.Process(0);
    h.bytes[0] = h.bytes[1] = h.bytes[2] = 0x80;
    h.Process(0);
    h.keys.Clear();

    c.event(h);
    for (int tick = 1; tick < 50; ++tick) h.doc.OnTick(10 * tick);

    // The shared Ctrl comes up once, after both of its holders; the order of the holders
    // depends on what lets go of them.
    Sent released =
        c.onlyRowZero ? Sent{"button Left up"}
                      : Sent{Up(kVkW, 0x11), "button Left up", Up(0x11), Up(0x43, 0x2E), Up(0x12)};
    ASSERT_GE(h.keys.sent.size(), released.size());
    Sent first(h.keys.sent.begin(),
               h.keys.sent.begin() + static_cast<std::ptrdiff_t>(released.size()));
    std::sort(first.begin(), first.end());
    std::sort(released.begin(), released.end());
    EXPECT_EQ(first, released);
    // The repeats of row 1, and the rest of row 4's sequence, only where those rows stay.
    EXPECT_EQ(h.keys.sent.size() > released.size(), c.onlyRowZero);
    EXPECT_EQ(h.doc.HoldsKeys(), c.onlyRowZero);
  }
}

// A sequence without a gap is one piece; with a gap its keystrokes go from the tick, gapMs apart,
// and presses while it is typed wait after it, four at most.
TEST(MappingEngine, SequencesGoInOrderAtOnceOrSpacedByTheirGapAndPressesQueueAfterThem) {
  const KeyStroke combo[] = {{0x43, 0x2E, kModCtrl}, {0x09, 0x0F, kModAlt}, {0x56, 0x2F, kModCtrl}};
  const Sent keystrokes[] = {{Down(0x11), Down(0x43, 0x2E), Up(0x43, 0x2E), Up(0x11)},
                             {Down(0x12), Down(0x09, 0x0F), Up(0x09, 0x0F), Up(0x12)},
                             {Down(0x11), Down(0x56, 0x2F), Up(0x56, 0x2F), Up(0x11)}};
  Sent all;
  for (const Sent& k : keystrokes) all.insert(all.end(), k.begin(), k.end());
  {
    SCOPED_TRACE("no gap");
    EngineScene h;
    ASSERT_TRUE(h.doc.records[0]->SetSequence(h.M(0, 0), combo, 3, 0));
    h.bytes[0] = 0x80;
    h.Process(0);
    EXPECT_EQ(h.keys.sent, all);
    EXPECT_EQ(h.keys.batches, std::vector<int>{12});
    EXPECT_FALSE(h.doc.HoldsKeys());
  }
  {
    SCOPED_TRACE("to a window");
    EngineScene h;
    Assign(h.M(0, 0), 0, 0, 0, "Notepad");
    ASSERT_TRUE(h.doc.records[0]->SetSequence(h.M(0, 0), combo, 3, 0));
    h.bytes[0] = 0x80;
    h.Process(0);
    Sent expected;
    for (const std::string& e : all)
      expected.push_back(
          KeyMessageText(kNotepad, e.ends_with("up"),
                         static_cast<uint8_t>(std::stoi(e.substr(6, 2), nullptr, 16))));
    EXPECT_EQ(h.keys.sent, expected);
  }
  // With 50 ms between keystrokes: 6 presses 10 ms apart; the sixth finds four waiting.
  EngineScene h;
  ASSERT_TRUE(h.doc.records[0]->SetSequence(h.M(0, 0), combo, 3, 50));
  std::vector<std::pair<int64_t, size_t>> times;  // when each keystroke went, and its first event
  for (int64_t now = 1000; now <= 2000; now += 5) {
    h.doc.OnTick(now);
    if (now < 1060 && (now - 1000) % 10 == 0) {
      h.bytes[0] = h.bytes[0] ? 0x00 : 0x80;
      h.Process(0);
    }
    for (size_t b = times.size(); b < h.keys.batches.size(); ++b) times.push_back({now, b});
  }
  // Presses at 1000, 1020 and 1040 (the others are releases): three sequences, nine keystrokes.
  ASSERT_EQ(times.size(), 9u);
  for (size_t i = 0; i < times.size(); ++i) EXPECT_EQ(times[i].first, 1000 + 50 * int64_t(i));
  Sent thrice;
  for (int i = 0; i < 3; ++i) thrice.insert(thrice.end(), all.begin(), all.end());
  EXPECT_EQ(h.keys.sent, thrice);
  EXPECT_TRUE(h.notices.statuses.empty());
  EXPECT_FALSE(h.doc.HoldsKeys());

  // 1 typed and 4 waiting: the sixth press is dropped, and the status bar says so.
  h.keys.Clear();
  for (int press = 0; press < 6; ++press) {
    h.bytes[0] = 0x80;
    h.Process(0);
    h.bytes[0] = 0x00;
    h.Process(0);
  }
  EXPECT_EQ(h.notices.statuses,
            Sent{"A press was dropped: 4 sequences are already waiting to be typed."});
  for (int64_t now = 2000; now <= 4000; now += 10) h.doc.OnTick(now);
  EXPECT_EQ(h.keys.batches.size(), 15u);
}

// Turbo repeats the whole sequence; a repeat that comes while the last one is still typed waits
// for none: it is left out.
TEST(MappingEngine, TurboRepeatsAWholeSequence) {
  EngineScene h;
  const KeyStroke two[] = {{0x41, 0, 0}, {0x42, 0, 0}};
  ASSERT_TRUE(h.doc.records[0]->SetSequence(h.M(0, 0), two, 2, 80));
  h.M(0, 0).action = KeyAction::Turbo;
  h.M(0, 0).turboRate = 10;  // every 100 ms: the two keystrokes take 80
  h.doc.OnTick(0);
  h.bytes[0] = 0x80;
  h.Process(0);
  for (int64_t now = 0; now <= 995; now += 5) h.doc.OnTick(now);
  EXPECT_EQ(h.keys.batches.size(), 20u);
  h.M(0, 0).turboRate = 20;  // every 50 ms: every other repeat finds the last one being typed
  h.keys.Clear();
  h.bytes[0] = 0x00;
  h.Process(0);
  h.doc.OnTick(2000);
  h.bytes[0] = 0x80;
  h.Process(0);
  for (int64_t now = 2000; now < 3000; now += 5) h.doc.OnTick(now);
  EXPECT_EQ(h.keys.batches.size(), 20u);
}

// A text is typed as characters: system-wide in one piece, to a window as WM_CHAR; a line break
// is Enter, a character past U+FFFF two units.
TEST(MappingEngine, TextsAreTypedAsCharactersSystemWideAndToAWindow) {
  const char* const kText = "\xC3\xA9t\xC3\xA9 \xD0\x96\n\xF0\x9F\x98\x80";  // "été Ж", Enter, 😀
  EngineScene h;
  ASSERT_TRUE(h.doc.records[0]->SetText(h.M(0, 0), kText));
  ASSERT_TRUE(h.doc.records[0]->SetText(h.M(0, 1), kText));
  SetTextField(h.M(0, 1).windowClass, "Notepad");
  h.M(0, 0).action = KeyAction::Turbo;
  h.doc.OnTick(0);
  h.bytes[0] = 0x80;
  h.Process(0);
  h.doc.OnTick(100);  // one repeat
  h.bytes[0] = 0x00;
  h.Process(0);
  const std::string units = "text U+00E9tU+00E9U+0020U+0416U+000AU+D83DU+DE00";
  EXPECT_EQ(h.keys.sent, (Sent{units, units}));
  EXPECT_EQ(h.keys.batches, (std::vector<int>{8, 8}));
  h.keys.Clear();
  h.bytes[1] = 0x80;
  h.Process(0);
  Sent expected;
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "message %p WM_CHAR ", kNotepad);
  for (const char* c : {"U+00E9", "t", "U+00E9", "U+0020", "U+0416"})
    expected.push_back(prefix + std::string(c));
  expected.push_back(KeyMessageText(kNotepad, false, 0x0D));
  expected.push_back(prefix + std::string("U+000D"));
  expected.push_back(KeyMessageText(kNotepad, true, 0x0D));
  expected.push_back(prefix + std::string("U+D83D"));
  expected.push_back(prefix + std::string("U+DE00"));
  EXPECT_EQ(h.keys.sent, expected);
  EXPECT_EQ(h.keys.lookups, Sent{"Notepad"});
}

// Toggle: down on one press, up on the next, nothing on the releases; the next press after that
// starts from up again.
TEST(MappingEngine, ToggleLatchesTheKeyUntilTheNextPress) {
  EngineScene h;
  Assign(h.M(0, 0), kVkW, 0x11, kModShift);
  h.M(0, 0).action = KeyAction::Toggle;
  const Sent down{Down(0x10), Down(kVkW, 0x11)};
  const Sent up{Up(kVkW, 0x11), Up(0x10)};
  const Sent steps[] = {down, {}, up, {}, down, {}};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    h.keys.Clear();
    h.bytes[0] = i % 2 == 0 ? 0x80 : 0x00;
    h.Process(0);
    for (int tick = 1; tick < 10; ++tick) h.doc.OnTick(1000 * i + 10 * tick);
    EXPECT_EQ(h.keys.sent, steps[i]);
    EXPECT_EQ(h.doc.HoldsKeys(), i != 2 && i != 3);
  }
}

// With a long press a press waits: let go before its time it types the row's own output, held to
// its time it types the second keystroke then, and nothing on release.
TEST(MappingEngine, ALongPressTypesTheSecondKeystrokeAtItsTimeAndAShortOneTheFirstOnRelease) {
  const Sent shortOutput{Down(0x11), Down(0x53, 0x1F), Up(0x53, 0x1F), Up(0x11)};
  const Sent longOutput{Down(0x74, 0x3F), Up(0x74, 0x3F)};
  const struct {
    KeyAction action;
    int heldMs;
    int64_t sentAtMs;  // when the first event went
    Sent sent;
  } cases[] = {
      {KeyAction::Tap, 100, 100, shortOutput},
      {KeyAction::Tap, 299, 299, shortOutput},
      {KeyAction::Tap, 300, 300, longOutput},
      {KeyAction::Tap, 500, 300, longOutput},
      {KeyAction::Hold, 100, 100, shortOutput},
      {KeyAction::Turbo, 150, 150, shortOutput},
      {KeyAction::Turbo, 2000, 300, longOutput},
      {KeyAction::Toggle, 100, 100, {Down(0x11), Down(0x53, 0x1F)}},
      {KeyAction::Tap, 100, -1, {}},  // a row with a long press alone: nothing on a short one
      {KeyAction::Tap, 400, 300, longOutput},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(c.action)) + " held " + std::to_string(c.heldMs));
    EngineScene h;
    Assign(h.M(0, 0), 0x53, 0x1F, kModCtrl);
    if (&c >= &cases[8]) h.M(0, 0).assigned = 0;
    h.M(0, 0).action = c.action;
    h.M(0, 0).longPressMs = 300;
    h.M(0, 0).longKey = {0x74, 0x3F, 0};
    int64_t firstAt = -1;
    for (int64_t now = 0; now <= 3000; ++now) {
      h.doc.OnTick(now);
      if (now == 0 || now == c.heldMs) {
        h.bytes[0] = now == 0 ? 0x80 : 0x00;
        h.Process(0);
      }
      if (firstAt < 0 && !h.keys.sent.empty()) firstAt = now;
    }
    EXPECT_EQ(h.keys.sent, c.sent);
    EXPECT_EQ(firstAt, c.sentAtMs);
    EXPECT_EQ(h.doc.HoldsKeys(), c.action == KeyAction::Toggle);
  }
}

}  // namespace
}  // namespace tarvel::test
