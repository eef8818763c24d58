// The polling pass: acquiring, reading, the connected flag and the hand-over to the engine.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "input/Polling.h"
#include "tests/core/TestSupport.h"

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

}  // namespace
}  // namespace tarvel::test
