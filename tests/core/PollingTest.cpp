// The polling pass: acquiring, reading, the connected flag and the hand-over to the engine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "input/PadPolling.h"
#include "input/Polling.h"
#include "tests/core/TestSupport.h"
#include "tests/doubles/FakeXInput.h"

namespace tarvel::test {
namespace {

// One controller with 4 buttons in slot 0, feeding record 0 whose button 0 types "A".
struct OneController : Harness {
  OneController() {
    Attach({4});
    DeviceRecord* r = AddRecord(doc, 4, backend.Controller(0).instanceGuid);
    Assign(r->buttons[0], 0x41, 0x1E, 0);
    Tie(doc, table, 0, 0);
  }
  FakeController& Pad() { return backend.Controller(0); }
  void Pass() { PollJoysticks(table, &doc); }
};

TEST(Polling, TheFirstPassOnlyAcquiresAndTheSecondReads) {
  OneController h;
  h.Pad().Press(0);

  h.Pass();
  EXPECT_EQ(h.Pad().pollCalls, 1);
  EXPECT_EQ(h.Pad().acquireCalls, 1);
  EXPECT_EQ(h.Pad().getDeviceStateCalls, 0);
  EXPECT_EQ(h.table.slots[0].connected, 0);
  EXPECT_TRUE(h.view.calls.empty());
  EXPECT_TRUE(h.keys.sent.empty());

  h.Pass();
  EXPECT_EQ(h.Pad().pollCalls, 2);
  EXPECT_EQ(h.Pad().acquireCalls, 1);
  EXPECT_EQ(h.Pad().getDeviceStateCalls, 1);
  EXPECT_EQ(h.Pad().lastStateSize, 272u);
  EXPECT_EQ(h.table.slots[0].connected, 1);
  // The connected notification comes before the buttons reach the engine.
  EXPECT_EQ(h.view.calls,
            (std::vector<std::string>{"RefreshRowImage 0", "RefreshRowImage 1", "RefreshRowImage 2",
                                      "RefreshRowImage 3", "SetPressedMark 0 on"}));
  EXPECT_EQ(h.keys.sent, (std::vector<std::string>{KeyEventText(0x41, 0x1E, false),
                                                   KeyEventText(0x41, 0x1E, true)}));
}

TEST(Polling, ConnectedFlagStateMachine) {
  struct Case {
    const char* what;
    int connectedBefore;
    bool pollFails;
    bool acquireFails;
    bool readFails;
    int connectedAfter;
    int notifications;
    bool buttonsHandedOn;
  };
  const Case cases[] = {
      {"not connected, read succeeds", 0, false, false, false, 1, 1, true},
      {"not connected, read fails", 0, false, false, true, 0, 0, false},
      {"connected, read succeeds", 1, false, false, false, 1, 0, true},
      {"connected, read fails", 1, false, false, true, 0, 1, false},
      {"not connected, poll fails, acquired again", 0, true, false, false, 0, 0, false},
      {"connected, poll fails, acquired again", 1, true, false, false, 1, 0, false},
      {"not connected, poll and acquire fail", 0, true, true, false, 0, 0, false},
      {"connected, poll and acquire fail", 1, true, true, false, 0, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OneController h;
    h.Pad().acquired = true;
    h.Pad().failPoll = c.pollFails;
    if (c.acquireFails) h.Pad().acquireFailure = kUnplugged;
    h.Pad().failGetDeviceState = c.readFails;
    h.Pad().Press(0);
    h.table.slots[0].connected = c.connectedBefore;

    h.Pass();

    EXPECT_EQ(h.table.slots[0].connected, c.connectedAfter);
    EXPECT_EQ(h.view.Count("RefreshRowImage 3"), c.notifications);
    EXPECT_EQ(h.view.Count("SetPressedMark 0 on"), c.buttonsHandedOn ? 1 : 0);
    EXPECT_EQ(h.keys.sent.size(), c.buttonsHandedOn ? 2u : 0u);
    EXPECT_EQ(h.Pad().getDeviceStateCalls, c.pollFails ? 0 : 1);
    EXPECT_EQ(h.Pad().acquireCalls, c.pollFails ? 1 : 0);
  }
}

TEST(Polling, EveryChangeOfTheFlagNotifiesExactlyOnce) {
  OneController h;
  h.Pad().acquired = true;
  // Reads: ok, ok, unplugged, unplugged, back, ok.
  const bool readFails[] = {false, false, true, true, false, false};
  const int expectedConnected[] = {1, 1, 0, 0, 1, 1};
  const int expectedNotifications[] = {1, 1, 2, 2, 3, 3};
  for (int pass = 0; pass < 6; ++pass) {
    SCOPED_TRACE("pass " + std::to_string(pass));
    h.Pad().failGetDeviceState = readFails[pass];
    h.Pass();
    EXPECT_EQ(h.table.slots[0].connected, expectedConnected[pass]);
    EXPECT_EQ(h.view.Count("RefreshRowImage 3"), expectedNotifications[pass]);
  }
}

TEST(Polling, APulledOutControllerIsShownNotConnectedUntilItIsBackAndRead) {
  OneController h;
  h.Pass();
  h.Pass();
  ASSERT_EQ(h.table.slots[0].connected, 1);
  h.Pad().Unplug();
  h.Pad().Press(0);

  // Pass: poll and acquire fail / still out / plugged in: acquired / read.
  struct Step {
    bool plugIn;
    int connected;
    int notifications;
  };
  const Step steps[] = {{false, 0, 2}, {false, 0, 2}, {true, 0, 2}, {false, 1, 3}};
  for (const Step& step : steps) {
    if (step.plugIn) h.Pad().PlugIn();
    h.Pass();
    EXPECT_EQ(h.table.slots[0].connected, step.connected);
    EXPECT_EQ(h.view.Count("RefreshRowImage 3"), step.notifications);
  }
  // Nothing was typed while it was out; the button held on its return fires once.
  EXPECT_EQ(h.keys.sent, (std::vector<std::string>{KeyEventText(0x41, 0x1E, false),
                                                   KeyEventText(0x41, 0x1E, true)}));
}

TEST(Polling, AnUnlinkedControllerIsPolledButFeedsNoRecord) {
  OneController h;
  h.table.slots[0].recordIndex = -1;
  h.doc.records[0]->attachedIndex = -1;
  h.Pad().acquired = true;
  h.Pad().Press(0);

  h.Pass();
  h.Pass();

  EXPECT_EQ(h.Pad().getDeviceStateCalls, 2);
  EXPECT_EQ(h.table.slots[0].connected, 1);
  EXPECT_TRUE(h.view.calls.empty());  // no row shows it
  EXPECT_TRUE(h.keys.sent.empty());
  EXPECT_EQ(h.doc.records[0]->buttons[0].state, 0);
}

TEST(Polling, AcquireIsRetriedOnLostInputWithinABound) {
  struct Case {
    const char* what;
    int inputLostAnswers;  // -1: for ever
    Result otherFailure;
    int expectedAcquires;
    bool stillConnected;  // acquired in the end; otherwise shown not connected
  };
  const Case cases[] = {
      {"acquired at once", 0, kOk, 1, true},
      {"lost once", 1, kOk, 2, true},
      {"lost up to the bound", kMaxAcquireAttempts - 1, kOk, kMaxAcquireAttempts, true},
      {"lost as often as the bound", kMaxAcquireAttempts, kOk, kMaxAcquireAttempts, false},
      {"lost for ever", -1, kOk, kMaxAcquireAttempts, false},
      {"another failure ends the attempt", 0, kFail, 1, false},
      {"lost, then another failure", 2, kNotInitialized, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OneController h;
    h.Pad().failPoll = true;
    h.Pad().inputLostAnswers = c.inputLostAnswers;
    h.Pad().acquireFailure = c.otherFailure;
    h.table.slots[0].connected = 1;

    h.Pass();

    EXPECT_EQ(h.Pad().acquireCalls, c.expectedAcquires);
    EXPECT_EQ(h.Pad().getDeviceStateCalls, 0);
    EXPECT_EQ(h.table.slots[0].connected, c.stillConnected ? 1 : 0);
    EXPECT_EQ(h.view.Count("RefreshRowImage 3"), c.stillConnected ? 0 : 1);
  }
}

TEST(Polling, AControllerThatKeepsLosingInputDoesNotHoldUpTheOthers) {
  Harness h;
  h.Attach({4, 4});
  FakeController& stormy = h.backend.Controller(0);
  stormy.failPoll = true;
  stormy.inputLostAnswers = -1;
  AddRecord(h.doc, 4, h.backend.Controller(1).instanceGuid);
  Tie(h.doc, h.table, 0, 1);
  h.backend.Controller(1).Press(2);

  for (int pass = 1; pass <= 3; ++pass) PollJoysticks(h.table, &h.doc);

  EXPECT_EQ(stormy.acquireCalls, 3 * kMaxAcquireAttempts);
  EXPECT_EQ(h.table.slots[0].connected, 0);
  EXPECT_EQ(h.table.slots[1].connected, 1);
  EXPECT_EQ(h.view.Count("SetPressedMark 2 on"), 1);
}

TEST(Polling, WithNoControllerAPassCallsNothing) {
  Harness h;
  h.Attach({});

  PollJoysticks(h.table, &h.doc);
  PollJoysticks(h.table, nullptr);  // nothing reaches the document, not even its address

  EXPECT_TRUE(h.view.calls.empty());
  EXPECT_TRUE(h.keys.sent.empty());
  EXPECT_EQ(h.backend.callsOnReleasedObjects, 0);
}

TEST(Polling, ControllersAreReadInSlotOrderAndFeedTheRecordTheirSlotNames) {
  Harness h;
  h.Attach({2, 2});
  // Crossed ties: slot 0 feeds record 1, slot 1 feeds record 0.
  DeviceRecord* r0 = AddRecord(h.doc, 2, h.backend.Controller(1).instanceGuid);
  DeviceRecord* r1 = AddRecord(h.doc, 2, h.backend.Controller(0).instanceGuid);
  Assign(r0->buttons[0], 0x42, 0x30, 0);
  Assign(r1->buttons[0], 0x43, 0x2E, 0);
  Tie(h.doc, h.table, 1, 0);
  Tie(h.doc, h.table, 0, 1);
  for (int i = 0; i < 2; ++i) {
    h.backend.Controller(i).acquired = true;
    h.backend.Controller(i).Press(0);
  }

  PollJoysticks(h.table, &h.doc);

  EXPECT_EQ(h.keys.sent, (std::vector<std::string>{
                             KeyEventText(0x43, 0x2E, false), KeyEventText(0x43, 0x2E, true),
                             KeyEventText(0x42, 0x30, false), KeyEventText(0x42, 0x30, true)}));
  // Each connection redraws only the images of the rows of the record it feeds.
  EXPECT_EQ(h.view.calls, (std::vector<std::string>{"RefreshRowImage 2", "RefreshRowImage 3",
                                                    "SetPressedMark 2 on", "RefreshRowImage 0",
                                                    "RefreshRowImage 1", "SetPressedMark 0 on"}));
}

TEST(Polling, OnlyAStateThatWasReallyReadReachesTheEngine) {
  Harness h;
  h.Attach({2, 2});
  for (int i = 0; i < 2; ++i) {
    AddRecord(h.doc, 2, h.backend.Controller(i).instanceGuid);
    Assign(h.doc.records[i]->buttons[0], static_cast<uint8_t>(0x41 + i), 0x1E, 0);
    Tie(h.doc, h.table, i, i);
    h.backend.Controller(i).acquired = true;
  }
  h.backend.Controller(0).Press(0);
  // The second controller answers a success code other than DI_OK and writes no state.
  h.backend.Controller(1).readSuccess = kNoEffect;

  for (int pass = 0; pass < 3; ++pass) PollJoysticks(h.table, &h.doc);

  EXPECT_EQ(h.keys.sent, (std::vector<std::string>{KeyEventText(0x41, 0x1E, false),
                                                   KeyEventText(0x41, 0x1E, true)}));
  EXPECT_EQ(h.doc.records[1]->buttons[0].state, 0);
  EXPECT_EQ(h.table.slots[1].connected, 1);  // it answers: it is there
}

TEST(Polling, AControllerLeftHalfSetUpIsNeverRead) {
  Harness h;
  h.backend.AddController(4);
  h.backend.AddController(4);
  h.backend.Controller(0).failSetDataFormat = true;
  h.table.SetUpJoysticks(nullptr);
  ASSERT_EQ(h.table.count, 2);

  for (int pass = 0; pass < 3; ++pass) PollJoysticks(h.table, &h.doc);

  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(h.backend.Controller(i).getDeviceStateCalls, 0);
    EXPECT_EQ(h.table.slots[i].connected, 0);
  }
  EXPECT_TRUE(h.view.calls.empty());
}

TEST(Polling, AButtonHeldWhileAConfigurationIsBuiltFiresOnceAtTheFirstRead) {
  Harness h;
  h.Attach({3});
  h.backend.Controller(0).Press(1);
  h.doc.BuildRecordsFromAttached();
  Assign(h.doc.records[0]->buttons[1], 0x20, 0x39, 0);

  for (int pass = 0; pass < 4; ++pass) PollJoysticks(h.table, &h.doc);

  EXPECT_EQ(h.keys.sent, (std::vector<std::string>{KeyEventText(0x20, 0x39, false),
                                                   KeyEventText(0x20, 0x39, true)}));
}

// DirectInput's type GUIDs of the axes, by their first field.
Guid AxisGuid(uint32_t data1) {
  return Guid{data1, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
}

// A pad with 4 buttons, 2 hats and 6 axes (X, Y, Rx, Ry, two sliders), its record built from it.
struct PadWithHatsAndAxes : Harness {
  explicit PadWithHatsAndAxes(bool buffered = false) {
    FakeController& c = backend.AddController(4);
    c.buffers = buffered;
    c.objects = {ObjectType(kAbsoluteAxis, 0), ObjectType(kAbsoluteAxis, 1),
                 ObjectType(kAbsoluteAxis, 3), ObjectType(kAbsoluteAxis, 4),
                 ObjectType(kAbsoluteAxis, 6), ObjectType(kAbsoluteAxis, 7),
                 ObjectType(kPov, 0),          ObjectType(kPov, 1)};
    c.objectGuids = {AxisGuid(0xA36D02E0), AxisGuid(0xA36D02E1), AxisGuid(0xA36D02F4),
                     AxisGuid(0xA36D02F5), AxisGuid(0xA36D02E4), AxisGuid(0xA36D02E4),
                     AxisGuid(0xA36D02F2), AxisGuid(0xA36D02F2)};
    EXPECT_EQ(table.SetUpJoysticks(nullptr), kOk);
    doc.BuildRecordsFromAttached();
    PollJoysticks(table, &doc);  // acquires
    PollJoysticks(table, &doc);  // reads: connected
  }
  FakeController& Pad() { return backend.Controller(0); }
  std::vector<std::string> Pass() {
    view.calls.clear();
    keys.sent.clear();
    PollJoysticks(table, &doc);
    return view.calls;
  }
};

TEST(Polling, HatsAndAxesAreRowsAfterTheButtons) {
  PadWithHatsAndAxes h;
  ASSERT_EQ(h.doc.RowCount(), 4 + 8 + 12);
  const char* names[] = {"1",          "4",          "POV 1 Up",  "POV 2 Left",
                         "X Axis -",   "Y Axis +",   "Rx Axis -", "Ry Axis +",
                         "Slider 1 -", "Slider 2 +", nullptr};
  const int rows[] = {0, 3, 4, 11, 12, 15, 16, 19, 20, 23};
  for (int i = 0; names[i] != nullptr; ++i) {
    char name[16] = {};
    EXPECT_TRUE(h.doc.GetRowControlName(rows[i], name, sizeof name));
    EXPECT_STREQ(name, names[i]);
    int record = -1;
    int index = -1;
    ASSERT_TRUE(h.doc.RowToButton(rows[i], &record, &index));
    EXPECT_EQ(h.doc.ButtonToRow(record, index), rows[i]);
  }
  int record = 0;
  int index = 0;
  EXPECT_FALSE(h.doc.RowToButton(24, &record, &index));
  int press = 0;
  int release = 0;
  EXPECT_FALSE(h.doc.GetRowThresholds(4, &press, &release));  // a hat has none
  EXPECT_TRUE(h.doc.GetRowThresholds(12, &press, &release));
  EXPECT_EQ(press * 100 + release, 5040);
  for (auto [p, r, ok] : {std::tuple{60, 59, true},
                          {99, 1, true},
                          {50, 50, false},
                          {100, 40, false},
                          {40, 0, false},
                          {30, 40, false}})
    EXPECT_EQ(h.doc.SetRowThresholds(12, p, r), ok) << p << "," << r;
  EXPECT_FALSE(h.doc.SetRowThresholds(4, 60, 50));
  char shown[kRowNameSize] = {};
  EXPECT_TRUE(h.doc.GetRowControlName(12, shown, sizeof shown));
  EXPECT_STREQ(shown, "X Axis - (99/1%)");
  ASSERT_TRUE(h.doc.SetRowThresholds(23, 99, 98));
  EXPECT_TRUE(h.doc.GetRowControlName(23, shown, sizeof shown));
  EXPECT_STREQ(shown, "Slider 2 + (99/98%)");
}

TEST(Polling, EveryDirectionOfAHatAndEveryDiagonalPressesItsRows) {
  PadWithHatsAndAxes h;
  // POV 1 rows: Up 4, Right 5, Down 6, Left 7.
  struct Step {
    uint32_t pov;
    std::vector<std::string> marks;
  };
  const Step steps[] = {
      {0, {"SetPressedMark 4 on"}},
      {4500, {"SetPressedMark 5 on"}},
      {9000, {"SetPressedMark 4 off"}},
      {13500, {"SetPressedMark 6 on"}},
      {18000, {"SetPressedMark 5 off"}},
      {22500, {"SetPressedMark 7 on"}},
      {27000, {"SetPressedMark 6 off"}},
      {31500, {"SetPressedMark 4 on"}},
      {36000, {"SetPressedMark 7 off"}},       // north again, as some drivers write it
      {0x0000FFFF, {"SetPressedMark 4 off"}},  // centred as some drivers report it
      {1000, {"SetPressedMark 4 on", "SetPressedMark 5 on"}},
      {0xFFFFFFFF, {"SetPressedMark 4 off", "SetPressedMark 5 off"}},
      {0xFFFFFFFF, {}},
  };
  for (const Step& step : steps) {
    h.Pad().povValues[0] = step.pov;
    EXPECT_EQ(h.Pass(), step.marks) << "POV " << step.pov;
  }
  // A hat pushed right and back between two passes, as its buffer tells, types its key.
  PadWithHatsAndAxes b(true);
  Assign(b.doc.records[0]->Mapping(kFirstControl + 1), 0x27, 0x4D, 0);
  b.Pad().queue = {DeviceChange{32, 9000, 1}, DeviceChange{32, 0xFFFFFFFF, 2}};
  EXPECT_EQ(b.Pass(), (std::vector<std::string>{"SetPressedMark 5 on", "SetPressedMark 5 off"}));
  EXPECT_EQ(b.keys.sent, (std::vector<std::string>{KeyEventText(0x27, 0x4D, false),
                                                   KeyEventText(0x27, 0x4D, true)}));
  // Rows of a third hat, as a file may name them, stay idle on a pad with two.
  h.doc.records[0]->controlRows |= 0xF00;
  h.Pad().povValues[2] = 0;
  EXPECT_TRUE(h.Pass().empty());
}

TEST(Polling, AHalfAxisPressesPastItsThresholdAndLetsGoOnlyUnderTheLowerOne) {
  PadWithHatsAndAxes h;
  // X Axis - is row 12, X Axis + row 13; Hold on X Axis + keeps D down while it is pressed.
  const int xPlus = kFirstControl + kHatControls + 1;
  Assign(h.doc.records[0]->Mapping(xPlus), 0x44, 0x20, 0);
  h.doc.records[0]->Mapping(xPlus).action = KeyAction::Hold;
  Assign(h.doc.records[0]->Mapping(xPlus - 1), 0x41, 0x1E, 0);
  const std::string down = KeyEventText(0x44, 0x20, false);
  const std::string up = KeyEventText(0x44, 0x20, true);
  struct Step {
    int32_t x;
    std::vector<std::string> marks;
    std::vector<std::string> keys;
  };
  const Step steps[] = {
      {499, {}, {}},
      {500, {"SetPressedMark 13 on"}, {down}},
      {480, {}, {}},  // wavering between 42% and 48%: no release, no second press
      {420, {}, {}},
      {480, {}, {}},
      {400, {}, {}},
      {399, {"SetPressedMark 13 off"}, {up}},
      {450, {}, {}},
      {-1000,
       {"SetPressedMark 12 on"},
       {KeyEventText(0x41, 0x1E, false), KeyEventText(0x41, 0x1E, true)}},
      {-400, {}, {}},
      {0, {"SetPressedMark 12 off"}, {}},
  };
  for (const Step& step : steps) {
    h.Pad().axisValues[0] = step.x;
    EXPECT_EQ(h.Pass(), step.marks) << "X " << step.x;
    EXPECT_EQ(h.keys.sent, step.keys) << "X " << step.x;
  }
  // Thresholds of the row's own: 80% to press, 10% to let go.
  ASSERT_TRUE(h.doc.SetRowThresholds(13, 80, 10));
  h.Pad().axisValues[0] = 790;
  EXPECT_TRUE(h.Pass().empty());
  h.Pad().axisValues[0] = 800;
  EXPECT_EQ(h.Pass(), (std::vector<std::string>{"SetPressedMark 13 on"}));
  h.Pad().axisValues[0] = 100;
  EXPECT_TRUE(h.Pass().empty());
  // Pulled out, the controller lets go of the key its stick holds.
  h.Pad().failGetDeviceState = true;
  h.Pass();
  EXPECT_EQ(h.keys.sent, (std::vector<std::string>{up}));
}

// Buffered input: taps shorter than a pass, changes in order, overflow, and controllers that
// refuse a buffer or an event or keep setting it with nothing to read.
TEST(Polling, BufferedChangesTypeEveryTapInOrderWhateverThePasses) {
  const std::string a_down = KeyEventText(0x41, 0x1E, false), a_up = KeyEventText(0x41, 0x1E, true);
  const std::string b_down = KeyEventText(0x42, 0x30, false), b_up = KeyEventText(0x42, 0x30, true);
  OneController h;
  // Not asked for before the set-up: the first controller has neither buffer nor event.
  EXPECT_FALSE(h.table.slots[0].buffered);
  h.backend.Controller(0).buffers = true;
  h.table.RefreshJoysticks(&h.frame);
  Tie(h.doc, h.table, 0, 0);
  Assign(h.doc.records[0]->buttons[1], 0x42, 0x30, 0);
  FakeController& pad = h.Pad();
  ASSERT_TRUE(h.table.slots[0].buffered);
  EXPECT_EQ(pad.bufferSize, kBufferEntries);
  ASSERT_NE(h.table.slots[0].changeEvent, nullptr);
  EXPECT_EQ(pad.changeEvent, h.table.slots[0].changeEvent);
  h.Pass();  // acquires

  // Two taps and a press held, all between two passes: every one typed, in order, at the event;
  // two buttons that went down together fire in button order, as in one state read.
  pad.Press(0);
  pad.ReleaseButton(0);
  pad.Press(1);
  pad.ReleaseButton(1);
  pad.PressTogether({1, 0});
  pad.ReleaseButton(1);
  EXPECT_EQ(pad.eventsSet, 6);
  EventHandle events[kMaxSlots];
  int slotOf[kMaxSlots];
  ASSERT_EQ(CollectChangeEvents(h.table, events, slotOf, kMaxSlots), 1);
  OnChangeEvent(h.table, slotOf[0], &h.doc);
  EXPECT_EQ(h.keys.sent,
            (std::vector<std::string>{a_down, a_up, b_down, b_up, a_down, a_up, b_down, b_up}));
  // The pass finds nothing new: the held button typed once.
  h.Pass();
  h.Pass();
  EXPECT_EQ(h.keys.sent.size(), 8u);
  // From the program's own loop a pass leaves a buffer with an event to the event.
  const int reads = pad.getDeviceDataCalls;
  PollJoysticks(h.table, &h.doc, /*eventsServed=*/true);
  EXPECT_EQ(pad.getDeviceDataCalls, reads);
  h.Pass();
  EXPECT_GT(pad.getDeviceDataCalls, reads);
  pad.ReleaseButton(0);
  h.Pass();
  // Passes of the program's own loop that come before the event see a tap's press and then its
  // release in the state: the tap is still typed once, by the event.
  h.keys.sent.clear();
  pad.Press(0);
  PollJoysticks(h.table, &h.doc, /*eventsServed=*/true);
  pad.ReleaseButton(0);
  PollJoysticks(h.table, &h.doc, /*eventsServed=*/true);
  EXPECT_TRUE(h.keys.sent.empty());
  OnChangeEvent(h.table, 0, &h.doc);
  EXPECT_EQ(h.keys.sent, (std::vector<std::string>{a_down, a_up}));

  // An overflow loses changes: the state read stands for them (button 1 is down now).
  h.keys.sent.clear();
  for (int i = 0; i < 300; ++i) pad.Press(1, (i % 2) != 0 ? 0x80 : 0);
  ReadBufferedChanges(h.table.slots[0], &h.doc);
  EXPECT_EQ(h.doc.records[0]->buttons[1].state, 0x80);
  EXPECT_TRUE(pad.queue.empty());
  // One that hands over no change at all: the next pass's state read types what it missed.
  h.keys.sent.clear();
  pad.Press(0);
  pad.queue.clear();
  pad.overflowed = true;
  OnChangeEvent(h.table, 0, &h.doc);
  PollJoysticks(h.table, &h.doc, /*eventsServed=*/true);
  EXPECT_EQ(h.keys.sent, (std::vector<std::string>{a_down, a_up}));
  pad.ReleaseButton(0);
  h.Pass();

  // An event set with nothing to read, again and again: no longer waited on until the next pass.
  for (int i = 0; i < kMaxEmptySignals; ++i) OnChangeEvent(h.table, 0, &h.doc);
  EXPECT_EQ(CollectChangeEvents(h.table, events, slotOf, kMaxSlots), 0);
  h.Pass();
  EXPECT_EQ(CollectChangeEvents(h.table, events, slotOf, kMaxSlots), 1);

  // Pulled out while its event is set: nothing typed, and the pass shows it not connected.
  h.keys.sent.clear();
  pad.Press(0);
  pad.Unplug();
  OnChangeEvent(h.table, 0, &h.doc);
  h.Pass();
  EXPECT_TRUE(h.keys.sent.empty());
  EXPECT_EQ(h.table.slots[0].connected, 0);

  // A controller that must be polled keeps its buffer and gets no event; one that refuses an
  // event likewise; the events go back with the devices.
  pad.PlugIn();
  pad.pollEvents = true;
  h.backend.AddController(2).buffers = true;
  h.backend.Controller(1).failEvent = true;
  h.table.RefreshJoysticks(&h.frame);
  ASSERT_EQ(h.table.count, 2);
  for (int s = 0; s < 2; ++s) {
    EXPECT_TRUE(h.table.slots[s].buffered);
    EXPECT_EQ(h.table.slots[s].changeEvent, nullptr);
  }
  h.table.ReleaseJoysticks();
  EXPECT_EQ(h.backend.eventsClosed, h.backend.eventsCreated);
}

// XInput pads. The layout of a pad's state as DirectInput shows it, case by case.
TEST(XInputPads, TheStateIsLaidOutAsDirectInputLaysOutSuchAPad) {
  struct Case {
    const char* what;
    XInputGamepad pad;
    int button;       // the one button byte set, or -1
    uint32_t pov;     // POV 1
    int32_t axes[5];  // X, Y, Z, Rx, Ry
    bool guide;
  };
  constexpr uint32_t kNone = 0xFFFFFFFFu;
  const Case cases[] = {
      {"nothing", {}, -1, kNone, {0, 0, 0, 0, 0}, false},
      {"A", {kPadA}, 0, kNone, {0, 0, 0, 0, 0}, false},
      {"Y", {kPadY}, 3, kNone, {0, 0, 0, 0, 0}, false},
      {"RB", {kPadRightShoulder}, 5, kNone, {0, 0, 0, 0, 0}, false},
      {"Back", {kPadBack}, 6, kNone, {0, 0, 0, 0, 0}, false},
      {"Start", {kPadStart}, 7, kNone, {0, 0, 0, 0, 0}, false},
      {"right stick press", {kPadRightThumb}, 9, kNone, {0, 0, 0, 0, 0}, false},
      {"guide", {kPadGuide}, -1, kNone, {0, 0, 0, 0, 0}, true},
      {"D-pad up", {kPadDpadUp}, -1, 0, {0, 0, 0, 0, 0}, false},
      {"D-pad right", {kPadDpadRight}, -1, 9000, {0, 0, 0, 0, 0}, false},
      {"D-pad up and right", {kPadDpadUp | kPadDpadRight}, -1, 4500, {0, 0, 0, 0, 0}, false},
      {"D-pad down and left", {kPadDpadDown | kPadDpadLeft}, -1, 22500, {0, 0, 0, 0, 0}, false},
      {"D-pad up and down at once", {kPadDpadUp | kPadDpadDown}, -1, kNone, {0, 0, 0, 0, 0}, false},
      {"left stick full left and up",
       {0, 0, 0, -32768, 32767},
       -1,
       kNone,
       {-1000, -1000, 0, 0, 0},
       false},
      {"right stick full right and down",
       {0, 0, 0, 0, 0, 32767, -32768},
       -1,
       kNone,
       {0, 0, 0, 1000, 1000},
       false},
      {"left stick half right", {0, 0, 0, 16384, 0}, -1, kNone, {500, 0, 0, 0, 0}, false},
      {"left trigger", {0, 255, 0}, -1, kNone, {0, 0, 1000, 0, 0}, false},
      {"right trigger", {0, 0, 255}, -1, kNone, {0, 0, -1000, 0, 0}, false},
      {"both triggers", {0, 255, 255}, -1, kNone, {0, 0, 0, 0, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    JoystickState state;
    std::memset(state.bytes, 0x55, sizeof state.bytes);
    PadControls controls;
    LayOutPadState(c.pad, &state, &controls);
    for (int b = 0; b < 128; ++b) EXPECT_EQ(state.Buttons()[b], b == c.button ? 0x80 : 0) << b;
    EXPECT_EQ(state.Pov(0), c.pov);
    for (int h = 1; h < 4; ++h) EXPECT_EQ(state.Pov(h), kNone);
    for (int a = 0; a < 5; ++a) EXPECT_EQ(state.Axis(a), c.axes[a]) << a;
    for (int a = 5; a < 8; ++a) EXPECT_EQ(state.Axis(a), 0) << a;
    EXPECT_EQ(controls.guide, c.guide);
    EXPECT_EQ(controls.leftTrigger, c.pad.leftTrigger);
    EXPECT_EQ(controls.rightTrigger, c.pad.rightTrigger);
  }
}

TEST(XInputPads, PathsPairingAndItsCorrection) {
  for (auto [path, pad] :
       {std::tuple<const char*, bool>{"\\\\?\\hid#vid_045e&pid_02ff&ig_00#8&1", true},
        {"\\\\?\\HID#VID_045E&PID_028E&IG_01#7", true},
        {"\\\\?\\hid#vid_046d&pid_c21d#1", false},
        {"IG", false},
        {"Ig_", true},
        {"", false},
        {nullptr, false}})
    EXPECT_EQ(IsXInputDevicePath(path), pad) << (path != nullptr ? path : "null");

  struct Pairing {
    const char* what;
    bool isPad[4];
    int8_t keep[4];
    bool present[kXInputUsers];
    int8_t expected[4];
  };
  const Pairing pairings[] = {
      {"one pad, one user",
       {true, false, false, false},
       {-1, -1, -1, -1},
       {false, false, true, false},
       {2, -1, -1, -1}},
      {"pads in order against users in order",
       {true, false, true, true},
       {-1, -1, -1, -1},
       {true, false, true, false},
       {0, -1, 2, -1}},
      {"no user", {true, true, false, false}, {-1, -1, -1, -1}, {}, {-1, -1, -1, -1}},
      {"a pad keeps its user",
       {true, true, false, false},
       {-1, 0, -1, -1},
       {true, true, false, false},
       {1, 0, -1, -1}},
      {"a kept user that went away",
       {true, true, false, false},
       {3, -1, -1, -1},
       {true, false, false, false},
       {0, -1, -1, -1}},
  };
  for (const Pairing& p : pairings) {
    SCOPED_TRACE(p.what);
    int8_t userOf[4];
    PairPadsInOrder(p.isPad, p.keep, 4, p.present, userOf);
    for (int s = 0; s < 4; ++s) EXPECT_EQ(userOf[s], p.expected[s]) << s;
  }

  struct Correction {
    const char* what;
    bool padChanged[3];
    bool userChanged[kXInputUsers];
    bool corrected;
    int8_t after[3];
  };
  const Correction corrections[] = {
      {"agrees", {true, false, false}, {true, false, false, false}, false, {0, 1, -1}},
      {"swapped", {false, true, false}, {true, false, false, false}, true, {1, 0, -1}},
      {"two changed", {true, true, false}, {true, false, false, false}, false, {0, 1, -1}},
      {"no user changed", {true, false, false}, {}, false, {0, 1, -1}},
      {"a pad without a user", {false, false, true}, {true, false, false, false}, true, {-1, 1, 0}},
  };
  for (const Correction& c : corrections) {
    SCOPED_TRACE(c.what);
    int8_t userOf[3] = {0, 1, -1};
    EXPECT_EQ(CorrectPairing(c.padChanged, c.userChanged, 3, userOf), c.corrected);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(userOf[s], c.after[s]) << s;
  }
}

TEST(XInputPads, EmptyUsersAreAskedAfterDeviceChangesAndOtherwiseEveryFiveSeconds) {
  EmptyPadChecks checks;
  checks.OnAllAsked(0);
  const std::tuple<int64_t, bool> quiet[] = {{4, false},    {4999, false}, {5000, true},
                                             {5004, false}, {9999, false}, {10000, true}};
  for (auto [at, due] : quiet) EXPECT_EQ(checks.Due(at), due) << at;
  checks.OnDeviceChange(20000);
  const std::tuple<int64_t, bool> afterChange[] = {
      {20000, true},  {20004, false}, {20296, false}, {20300, true},  {20304, false},
      {21996, false}, {22000, true},  {22004, false}, {26996, false}, {27000, true}};
  for (auto [at, due] : afterChange) EXPECT_EQ(checks.Due(at), due) << at;
  // A change while checks are still due starts them again from it.
  checks.OnDeviceChange(30000);
  EXPECT_TRUE(checks.Due(30000));
  checks.OnDeviceChange(30100);
  EXPECT_TRUE(checks.Due(30100));
  EXPECT_FALSE(checks.Due(30300));
  EXPECT_TRUE(checks.Due(30400));
}

// An Xbox pad as DirectInput lists it (10 buttons, the D-pad, X, Y, Z, Rx, Ry, a path with
// "IG_"), and XInput users: the pad pairs with the first user in use.
struct XInputPad : Harness {
  FakeXInput xinput;
  explicit XInputPad(bool guide = true, int users = 1, int diPads = 1) {
    xinput.guide = guide;
    for (int u = 0; u < users; ++u) xinput.connected[u] = true;
    for (int p = 0; p < diPads; ++p) {
      FakeController& c = backend.AddController(10);
      c.path = "\\\\?\\hid#vid_045e&pid_02ea&ig_0" + std::to_string(p) + "#9&2d1a&0&0000";
      c.objects = {ObjectType(kAbsoluteAxis, 0), ObjectType(kAbsoluteAxis, 1),
                   ObjectType(kAbsoluteAxis, 2), ObjectType(kAbsoluteAxis, 3),
                   ObjectType(kAbsoluteAxis, 4), ObjectType(kPov, 0)};
      c.objectGuids = {AxisGuid(0xA36D02E0), AxisGuid(0xA36D02E1), AxisGuid(0xA36D02E2),
                       AxisGuid(0xA36D02F4), AxisGuid(0xA36D02F5), AxisGuid(0xA36D02F2)};
      c.buffers = true;
    }
    table.SetXInput(&xinput);
    EXPECT_EQ(table.SetUpJoysticks(nullptr), kOk);
    doc.BuildRecordsFromAttached();
  }
  FakeController& DirectInputSide() { return backend.Controller(0); }
  // One fast tick and one pass: what was typed.
  std::vector<std::string> Tick(const XInputGamepad& pad, int user = 0) {
    keys.sent.clear();
    xinput.Set(user, pad);
    ReadXInputPads(table, &doc);
    PollJoysticks(table, &doc);
    return keys.sent;
  }
  int RowOf(int control) { return doc.ButtonToRow(0, kFirstControl + control); }
};

TEST(XInputPads, APairedPadIsReadThroughXInputAloneWithItsOwnRows) {
  XInputPad h;
  const JoystickSlot& slot = h.table.slots[0];
  ASSERT_EQ(h.table.count, 1);
  EXPECT_EQ(slot.xinputUser, 0);
  EXPECT_FALSE(slot.buffered);
  EXPECT_EQ(slot.changeEvent, nullptr);
  EXPECT_TRUE(AnyPadConnected(h.table));
  // 10 buttons, the D-pad, five axes, the guide button and both triggers.
  ASSERT_EQ(h.doc.RowCount(), 10 + 4 + 10 + 3);
  const std::tuple<int, const char*> names[] = {{0, "Button 1 (A)"},
                                                {9, "Button 10 (Right Stick)"},
                                                {10, "POV 1 Up (D-pad Up)"},
                                                {14, "X Axis - (Left Stick Left)"},
                                                {17, "Y Axis + (Left Stick Down)"},
                                                {19, "Z Axis + (Left Trigger)"},
                                                {24, "Guide"},
                                                {25, "Left Trigger"},
                                                {26, "Right Trigger"}};
  for (auto [row, name] : names) {
    char shown[kRowNameSize] = {};
    EXPECT_TRUE(h.doc.GetRowControlName(row, shown, sizeof shown));
    EXPECT_STREQ(shown, name);
  }
  int press = 0;
  int release = 0;
  EXPECT_TRUE(h.doc.GetRowThresholds(h.RowOf(kLeftTriggerControl), &press, &release));
  EXPECT_EQ(press * 100 + release, 1208);
  EXPECT_FALSE(h.doc.GetRowThresholds(h.RowOf(kGuideControl), &press, &release));

  DeviceRecord& record = *h.doc.records[0];
  Assign(record.buttons[0], 0x41, 0x1E, 0);                      // A types "A"
  Assign(record.controls[1], 0x27, 0x4D, 0);                     // D-pad right
  Assign(record.controls[kHatControls], 0x25, 0x4B, 0);          // left stick left
  Assign(record.controls[kHatControls + 4], 0x5A, 0x2C, 0);      // Z Axis -
  Assign(record.controls[kHatControls + 5], 0x58, 0x2D, 0);      // Z Axis +
  Assign(record.controls[kGuideControl], 0x1B, 0x01, 0);         // Esc
  Assign(record.controls[kLeftTriggerControl], 0x51, 0x10, 0);   // Q
  Assign(record.controls[kRightTriggerControl], 0x45, 0x12, 0);  // E
  auto tap = [](uint8_t vk, uint8_t scan) {
    return std::vector<std::string>{KeyEventText(vk, scan, false), KeyEventText(vk, scan, true)};
  };
  using Keys = std::vector<std::string>;
  EXPECT_EQ(h.Tick({kPadA}), tap(0x41, 0x1E));
  EXPECT_EQ(h.table.slots[0].connected, 1);
  // The same packet again is nothing to do; DirectInput was never asked for this pad.
  h.keys.sent.clear();
  ReadXInputPads(h.table, &h.doc);
  EXPECT_TRUE(h.keys.sent.empty());
  EXPECT_EQ(h.DirectInputSide().pollCalls, 0);
  EXPECT_EQ(h.DirectInputSide().getDeviceStateCalls, 0);
  EXPECT_EQ(h.Tick({}), Keys{});
  EXPECT_EQ(h.Tick({kPadDpadRight}), tap(0x27, 0x4D));
  EXPECT_EQ(h.Tick({0, 0, 0, -30000}), tap(0x25, 0x4B));
  EXPECT_EQ(h.Tick({kPadGuide}), tap(0x1B, 0x01));
  // A trigger presses from 30 of 255 on and lets go under 20; alone it also moves Z.
  EXPECT_EQ(h.Tick({0, 29}), Keys{});
  EXPECT_EQ(h.Tick({0, 30}), tap(0x51, 0x10));
  EXPECT_EQ(h.Tick({0, 20}), Keys{});
  EXPECT_EQ(h.Tick({0, 19}), Keys{});
  EXPECT_EQ(record.controls[kLeftTriggerControl].state, 0);
  EXPECT_EQ(h.Tick({0, 255}),
            (Keys{KeyEventText(0x58, 0x2D, false), KeyEventText(0x58, 0x2D, true),
                  KeyEventText(0x51, 0x10, false), KeyEventText(0x51, 0x10, true)}));
  // Both pulled: both trigger rows pressed, both Z rows released.
  EXPECT_EQ(h.Tick({0, 255, 255}), tap(0x45, 0x12));
  EXPECT_EQ(record.controls[kLeftTriggerControl].state, 0x80);
  EXPECT_EQ(record.controls[kRightTriggerControl].state, 0x80);
  EXPECT_EQ(record.controls[kHatControls + 4].state, 0);
  EXPECT_EQ(record.controls[kHatControls + 5].state, 0);

  // Unplugged: not connected at once, and the empty user is not asked on the tick.
  h.xinput.connected[0] = false;
  h.Tick({});
  EXPECT_EQ(h.table.slots[0].connected, 0);
  EXPECT_FALSE(AnyPadConnected(h.table));
  h.xinput.ResetCalls();
  h.Tick({kPadA});
  EXPECT_EQ(h.xinput.calls[0], 0);
  // Back in its place: a check finds it, it has its slot, and it is read again.
  h.xinput.connected[0] = true;
  EXPECT_FALSE(CheckEmptyPadUsers(h.table));
  EXPECT_EQ(h.Tick({kPadB}), Keys{});
  EXPECT_EQ(h.table.slots[0].connected, 1);
  EXPECT_EQ(h.Tick({kPadA}), tap(0x41, 0x1E));
}

TEST(XInputPads, UsersWithoutADirectInputPadGetSlotsOfTheirOwn) {
  struct Case {
    const char* what;
    bool guide;
    int users;
    bool withXInput;
    int slots;
    uint64_t padRows;
  };
  const Case cases[] = {
      {"one pad, one user", true, 1, true, 1, kPadControls},
      {"a library without ordinal 100: no guide row", false, 1, true, 1,
       kPadControls & ~ControlBit(kGuideControl)},
      {"three users", true, 3, true, 3, kPadControls},
      {"no XInput: the pad is read through DirectInput", true, 1, false, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    XInputPad h(c.guide, c.users);
    if (!c.withXInput) {
      h.table.SetXInput(nullptr);
      h.table.RefreshJoysticks(nullptr);
      h.doc.ReattachJoysticks();
    }
    ASSERT_EQ(h.table.count, c.slots);
    EXPECT_EQ(h.table.slots[0].xinputUser, c.withXInput ? 0 : -1);
    EXPECT_EQ(ControlsOfSlot(h.table, 0) & kPadControls, c.padRows);
    for (int s = 1; s < h.table.count; ++s) {
      const JoystickSlot& own = h.table.slots[s];
      EXPECT_EQ(own.xinputUser, s);
      EXPECT_EQ(std::string(own.productName),
                "Xbox Controller (player " + std::to_string(s + 1) + ")");
      EXPECT_EQ(own.instanceGuid, PadSlotGuid(s));
      EXPECT_EQ(own.caps.buttons, 10u);
    }
  }
  // A refresh keeps each slot's identity, and a pad unplugged from user 2 leaves user 3 its own.
  XInputPad h(true, 3);
  h.xinput.connected[1] = false;
  h.table.RefreshJoysticks(nullptr);
  ASSERT_EQ(h.table.count, 2);
  EXPECT_EQ(h.table.slots[1].instanceGuid, PadSlotGuid(2));
  h.doc.ReattachJoysticks();
  EXPECT_EQ(h.doc.records[2]->attachedIndex, 1);
  EXPECT_EQ(h.doc.records[1]->attachedIndex, -1);
  char text[64];
  ReadXInputPads(h.table, &h.doc);
  EXPECT_TRUE(h.doc.GetRecordPadText(2, text, sizeof text));
  EXPECT_STREQ(text, "Xbox Controller, player 3 (XInput)");
  EXPECT_FALSE(h.doc.GetRecordPadText(1, text, sizeof text));
  // A user that answers where no slot is for it asks for the table to be enumerated again.
  h.xinput.connected[1] = true;
  EXPECT_TRUE(CheckEmptyPadUsers(h.table));
}

TEST(XInputPads, APressSeenOnOnePadAndAnotherUserWhileFocusedCorrectsThePairing) {
  // Two pads in DirectInput's order, two users: paired in order at first. The pad in slot 1 is
  // in truth user 0's.
  XInputPad h(true, 2, 2);
  ASSERT_EQ(h.table.count, 2);
  ASSERT_EQ(h.table.slots[0].xinputUser, 0);
  ASSERT_EQ(h.table.slots[1].xinputUser, 1);
  Assign(h.doc.records[0]->buttons[0], 0x41, 0x1E, 0);
  Assign(h.doc.records[1]->buttons[0], 0x42, 0x30, 0);
  auto read = [&](bool focused) {
    h.keys.sent.clear();
    ReadXInputPads(h.table, &h.doc, focused);
    return h.keys.sent;
  };
  // In the background DirectInput is never asked, whatever changes.
  read(false);
  h.backend.Controller(1).Press(0);
  h.xinput.Set(0, {kPadA});
  EXPECT_EQ(read(false), (std::vector<std::string>{KeyEventText(0x41, 0x1E, false),
                                                   KeyEventText(0x41, 0x1E, true)}));
  EXPECT_EQ(h.backend.Controller(0).pollCalls + h.backend.Controller(1).pollCalls, 0);
  EXPECT_EQ(h.table.slots[0].xinputUser, 0);
  h.xinput.Set(0, {});
  h.backend.Controller(1).ReleaseButton(0);
  read(false);
  // In front: the first look acquires, the next two see the pads as they are.
  for (int i = 0; i < 3; ++i) read(true);
  EXPECT_EQ(h.table.slots[0].xinputUser, 0);
  // A press on slot 1's pad that user 0 reports: the pairing is put right, and the press is
  // typed for slot 1's record from the next read on, never twice.
  h.backend.Controller(1).Press(0);
  h.xinput.Set(0, {kPadA});
  read(true);
  EXPECT_EQ(h.table.slots[0].xinputUser, 1);
  EXPECT_EQ(h.table.slots[1].xinputUser, 0);
  const std::vector<std::string> typed = read(true);
  EXPECT_EQ(typed, (std::vector<std::string>{KeyEventText(0x42, 0x30, false),
                                             KeyEventText(0x42, 0x30, true)}));
  // The correction outlives a refresh.
  h.table.RefreshJoysticks(nullptr);
  EXPECT_EQ(h.table.slots[0].xinputUser, 1);
  EXPECT_EQ(h.table.slots[1].xinputUser, 0);
}

}  // namespace
}  // namespace tarvel::test
