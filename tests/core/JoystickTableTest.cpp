// The attached joystick table: enumeration, set-up of each controller, refresh and release.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/JoystickTable.h"
#include "tests/core/TestSupport.h"
#include "tests/doubles/FakeControllers.h"
#include "tests/doubles/FakeTimerOwner.h"

namespace tarvel::test {
namespace {

WindowHandle Window(uintptr_t value) { return reinterpret_cast<WindowHandle>(value); }

void ExpectFullySetUp(const FakeController& c, WindowHandle window, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_TRUE(c.dataFormatSet);
  EXPECT_EQ(c.setCooperativeLevelCalls, 1);
  EXPECT_EQ(c.cooperativeWindow, window);
  EXPECT_EQ(c.cooperativeFlags, 0x0Au);
  EXPECT_EQ(c.enumObjectsCalls, 1);
  EXPECT_EQ(c.enumObjectsFlags, 0u);
}

TEST(JoystickTableEnumeration, HoldsTheFirstSixteenControllersInEnumerationOrder) {
  struct Case {
    int attached;
    int expectedCount;
    int expectedOffers;  // controllers handed to the callback before it stopped
  };
  const Case cases[] = {{0, 0, 0}, {1, 1, 1}, {16, 16, 16}, {17, 16, 17}, {20, 16, 17}};
  for (const Case& c : cases) {
    SCOPED_TRACE("attached controllers: " + std::to_string(c.attached));
    FakeBackend backend;
    for (int i = 0; i < c.attached; ++i) backend.AddController(static_cast<uint32_t>(4 + i));
    JoystickTable table(&backend);

    EXPECT_EQ(table.SetUpJoysticks(nullptr), kOk);

    EXPECT_EQ(table.count, c.expectedCount);
    EXPECT_NE(table.input, nullptr);
    EXPECT_EQ(backend.enumClass, 4u);
    EXPECT_EQ(backend.enumFlags, 1u);
    EXPECT_EQ(backend.enumCallbacks, c.expectedOffers);
    if (c.attached > 16) {
      EXPECT_EQ(backend.callbackAnswers.back(), kEnumStop);
    }
    EXPECT_EQ(backend.LiveDevices(), c.expectedCount);
    for (int s = 0; s < table.count; ++s) {
      SCOPED_TRACE("slot " + std::to_string(s));
      const JoystickSlot& slot = table.slots[s];
      const FakeController& fc = backend.Controller(s);
      EXPECT_EQ(backend.ControllerOf(slot.device), s);
      EXPECT_EQ(std::string(slot.productName), fc.name);
      EXPECT_TRUE(slot.instanceGuid == fc.instanceGuid);
      EXPECT_TRUE(slot.productGuid == fc.productGuid);
      EXPECT_EQ(slot.caps.size, 44u);
      EXPECT_EQ(slot.caps.buttons, fc.buttons);
      EXPECT_EQ(slot.recordIndex, -1);
      EXPECT_EQ(slot.connected, 0);
      ExpectFullySetUp(fc, nullptr, "set up");
    }
    for (int i = 16; i < c.attached; ++i) {
      EXPECT_EQ(backend.Controller(i).createDeviceCalls, 0);
    }
    EXPECT_EQ(backend.callsOnReleasedObjects, 0);
  }
}

TEST(JoystickTableEnumeration, AControllerThatCannotBeOpenedLeavesNoGap) {
  FakeBackend backend;
  for (int i = 0; i < 4; ++i) backend.AddController(8);
  backend.Controller(1).failCreateDevice = true;
  JoystickTable table(&backend);

  EXPECT_EQ(table.SetUpJoysticks(nullptr), kOk);

  ASSERT_EQ(table.count, 3);
  EXPECT_EQ(backend.ControllerOf(table.slots[0].device), 0);
  EXPECT_EQ(backend.ControllerOf(table.slots[1].device), 2);
  EXPECT_EQ(backend.ControllerOf(table.slots[2].device), 3);
  EXPECT_STREQ(table.slots[1].productName, "Pad 3");
  EXPECT_TRUE(table.slots[1].instanceGuid == backend.Controller(2).instanceGuid);
  EXPECT_EQ(backend.LiveDevices(), 3);
}

TEST(JoystickTableEnumeration, AControllerWithoutCapabilitiesIsReleasedAndEnumerationGoesOn) {
  struct Case {
    int failing;  // controller whose GetCapabilities fails
    std::vector<int> expectedControllers;
  };
  const Case cases[] = {{0, {1, 2}}, {1, {0, 2}}, {2, {0, 1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE("failing controller " + std::to_string(c.failing));
    FakeBackend backend;
    for (int i = 0; i < 3; ++i) backend.AddController(static_cast<uint32_t>(10 + i));
    backend.Controller(c.failing).failGetCapabilities = true;
    JoystickTable table(&backend);

    table.SetUpJoysticks(nullptr);

    ASSERT_EQ(table.count, static_cast<int>(c.expectedControllers.size()));
    for (int s = 0; s < table.count; ++s) {
      const int expected = c.expectedControllers[s];
      EXPECT_EQ(backend.ControllerOf(table.slots[s].device), expected);
      EXPECT_STREQ(table.slots[s].productName, backend.Controller(expected).name.c_str());
      EXPECT_EQ(table.slots[s].caps.buttons, backend.Controller(expected).buttons);
      EXPECT_TRUE(table.slots[s].instanceGuid == backend.Controller(expected).instanceGuid);
    }
    EXPECT_EQ(backend.Controller(c.failing).devicesCreated, 1);
    EXPECT_EQ(backend.Controller(c.failing).liveDevices, 0) << "the unusable device leaks";
    EXPECT_EQ(backend.LiveDevices(), 2);
  }
}

TEST(JoystickTableEnumeration, ProductNamesAreCutTo255Characters) {
  struct Case {
    size_t length;
    bool unterminated;  // the name fills the whole 260-byte field of the instance
    size_t expected;
  };
  const Case cases[] = {{0, false, 0},     {1, false, 1},     {254, false, 254}, {255, false, 255},
                        {256, false, 255}, {259, false, 255}, {300, true, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE("name length " + std::to_string(c.length));
    FakeBackend backend;
    std::string name;
    for (size_t i = 0; i < c.length; ++i) name += static_cast<char>('a' + i % 26);
    FakeController& fc = backend.AddController(TestGuid(1), name, 4);
    fc.unterminatedName = c.unterminated;
    JoystickTable table(&backend);

    table.SetUpJoysticks(nullptr);

    ASSERT_EQ(table.count, 1);
    const JoystickSlot& slot = table.slots[0];
    ASSERT_EQ(slot.productName[255], '\0');
    EXPECT_EQ(std::string(slot.productName), name.substr(0, c.expected));
  }
}

TEST(JoystickTableSetUp, AFailingStepLeavesThatSlotAndTheLaterOnesCountedButNotSetUp) {
  enum Step { kDataFormat, kCooperativeLevel, kObjects };
  for (Step step : {kDataFormat, kCooperativeLevel, kObjects}) {
    SCOPED_TRACE("failing step " + std::to_string(step));
    FakeBackend backend;
    for (int i = 0; i < 3; ++i) backend.AddController(6);
    FakeController& bad = backend.Controller(1);
    bad.failSetDataFormat = step == kDataFormat;
    bad.failSetCooperativeLevel = step == kCooperativeLevel;
    bad.failEnumObjects = step == kObjects;
    JoystickTable table(&backend);

    EXPECT_EQ(table.SetUpJoysticks(Window(0x77)), kFail);

    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(backend.LiveDevices(), 3);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(backend.ControllerOf(table.slots[s].device), s);
    ExpectFullySetUp(backend.Controller(0), Window(0x77), "controller before the failure");
    EXPECT_EQ(bad.setDataFormatCalls, 1);
    EXPECT_EQ(bad.setCooperativeLevelCalls, step >= kCooperativeLevel ? 1 : 0);
    EXPECT_EQ(bad.enumObjectsCalls, step >= kObjects ? 1 : 0);
    EXPECT_TRUE(bad.axisRanges.empty());
    const FakeController& after = backend.Controller(2);
    EXPECT_EQ(after.setDataFormatCalls, 0);
    EXPECT_EQ(after.setCooperativeLevelCalls, 0);
    EXPECT_EQ(after.enumObjectsCalls, 0);
  }
}

TEST(JoystickTableSetUp, FailuresOfTheInterfaceOrTheEnumerationLeaveTheTableEmpty) {
  {
    FakeBackend backend;
    backend.AddController(4);
    backend.failCreateInput = true;
    JoystickTable table(&backend);
    EXPECT_EQ(table.SetUpJoysticks(nullptr), kFail);
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.input, nullptr);
    EXPECT_EQ(backend.enumDevicesCalls, 0);
  }
  {
    FakeBackend backend;
    backend.AddController(4);
    backend.failEnumDevices = true;
    JoystickTable table(&backend);
    EXPECT_EQ(table.SetUpJoysticks(nullptr), kFail);
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(backend.LiveDevices(), 0);
  }
}

TEST(JoystickTableSetUp, EveryAxisGetsTheRangeMinus1000To1000ById) {
  FakeBackend backend;
  FakeController& c = backend.AddController(4);
  c.objects = {ObjectType(kAbsoluteAxis, 0),
               ObjectType(kRelativeAxis, 1),
               ObjectType(kPushButton, 0),
               ObjectType(kToggleButton, 1),
               ObjectType(kPov, 0),
               ObjectType(kAbsoluteAxis | kRelativeAxis, 5),
               ObjectType(kAbsoluteAxis, 0xFFFF),
               0u};
  JoystickTable table(&backend);

  EXPECT_EQ(table.SetUpJoysticks(nullptr), kOk);

  const std::vector<AxisRangeCall> expected = {
      {ObjectType(kAbsoluteAxis, 0), 2, -1000, 1000},
      {ObjectType(kRelativeAxis, 1), 2, -1000, 1000},
      {ObjectType(kAbsoluteAxis | kRelativeAxis, 5), 2, -1000, 1000},
      {ObjectType(kAbsoluteAxis, 0xFFFF), 2, -1000, 1000}};
  EXPECT_EQ(c.axisRanges, expected);
  EXPECT_EQ(c.objectsVisited, static_cast<int>(c.objects.size()));
}

TEST(JoystickTableSetUp, ARangeThatCannotBeSetStopsThatControllersObjectsOnly) {
  FakeBackend backend;
  FakeController& first = backend.AddController(4);
  first.objects = {ObjectType(kAbsoluteAxis, 0), ObjectType(kAbsoluteAxis, 1),
                   ObjectType(kPushButton, 0), ObjectType(kAbsoluteAxis, 2)};
  first.failSetPropertyForType = ObjectType(kAbsoluteAxis, 1);
  FakeController& second = backend.AddController(4);
  second.objects = {ObjectType(kAbsoluteAxis, 0), ObjectType(kAbsoluteAxis, 1)};
  JoystickTable table(&backend);

  EXPECT_EQ(table.SetUpJoysticks(nullptr), kOk);

  EXPECT_EQ(table.count, 2);
  ASSERT_EQ(first.axisRanges.size(), 2u);  // the first range, then the one that failed
  EXPECT_EQ(first.axisRanges[1].objectType, ObjectType(kAbsoluteAxis, 1));
  EXPECT_EQ(first.objectsVisited, 2);
  EXPECT_EQ(second.axisRanges.size(), 2u);
  ExpectFullySetUp(second, nullptr, "the next controller");
}

// A table of three set-up controllers whose slots carry ties and connected flags.
struct RefreshScene {
  EventLog log;
  FakeBackend backend;
  JoystickTable table{&backend};
  FakeTimerOwner frame{Window(0xF00D)};

  RefreshScene() {
    backend.log = &log;
    frame.log = &log;
    for (int i = 0; i < 3; ++i) backend.AddController(8);
    table.SetUpJoysticks(nullptr);
    table.slots[0].recordIndex = 2;
    table.slots[1].recordIndex = 0;
    table.slots[2].recordIndex = 1;
    table.slots[0].connected = 1;
    table.slots[1].connected = 0;
    table.slots[2].connected = 1;
    backend.ResetCounts();
    log.Clear();
  }
};

TEST(JoystickTableRefresh, WithAFrameStopsTheTimerReleasesReopensAndRestartsIt) {
  RefreshScene scene;
  ControllerDevice* old[3] = {scene.table.slots[0].device, scene.table.slots[1].device,
                              scene.table.slots[2].device};

  scene.table.RefreshJoysticks(&scene.frame);

  const EventLog& log = scene.log;
  EXPECT_EQ(scene.frame.kills, 1);
  EXPECT_EQ(scene.frame.sets, 1);
  EXPECT_TRUE(scene.frame.running);
  const int kill = log.Find("KillPollTimer");
  const int set = log.Find("SetPollTimer");
  ASSERT_GE(kill, 0);
  ASSERT_GE(set, 0);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE("controller " + std::to_string(i));
    const std::string c = " c" + std::to_string(i);
    const int unacquire = log.Find("Unacquire" + c);
    const int release = log.Find("Release" + c);
    ASSERT_GE(unacquire, 0);
    ASSERT_GE(release, 0);
    EXPECT_LT(kill, unacquire) << "a controller was released while the timer ran";
    EXPECT_LT(unacquire, release);
    EXPECT_LT(release, set);
    EXPECT_EQ(scene.backend.Controller(i).releaseCalls, 1);
    EXPECT_EQ(scene.backend.Controller(i).liveDevices, 1);  // the new one
  }
  ASSERT_EQ(scene.table.count, 3);
  for (int s = 0; s < 3; ++s) {
    EXPECT_NE(scene.table.slots[s].device, old[s]);
    EXPECT_EQ(scene.table.slots[s].recordIndex, -1);
    ExpectFullySetUp(scene.backend.Controller(s), Window(0xF00D), "reopened with the frame");
  }
  // The connected flags stay until the next state read.
  EXPECT_EQ(scene.table.slots[0].connected, 1);
  EXPECT_EQ(scene.table.slots[1].connected, 0);
  EXPECT_EQ(scene.table.slots[2].connected, 1);
  EXPECT_EQ(scene.backend.createInputCalls, 0) << "the interface is reused";
  EXPECT_EQ(scene.backend.callsOnReleasedObjects, 0);
}

TEST(JoystickTableRefresh, WithoutAFrameTouchesNoTimerAndUsesNoWindow) {
  RefreshScene scene;
  for (int i = 0; i < 3; ++i) scene.backend.Controller(i).cooperativeWindow = Window(0x1);

  scene.table.RefreshJoysticks(nullptr);

  EXPECT_EQ(scene.frame.kills + scene.frame.sets, 0);
  ASSERT_EQ(scene.table.count, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(scene.backend.Controller(i).cooperativeWindow, nullptr);
  EXPECT_EQ(scene.backend.LiveDevices(), 3);
}

TEST(JoystickTableRefresh, AnUnpluggedControllerIsGoneAndTheOthersMoveUp) {
  RefreshScene scene;
  scene.backend.Controller(1).Unplug();

  scene.table.RefreshJoysticks(&scene.frame);

  ASSERT_EQ(scene.table.count, 2);
  EXPECT_EQ(scene.backend.ControllerOf(scene.table.slots[0].device), 0);
  EXPECT_EQ(scene.backend.ControllerOf(scene.table.slots[1].device), 2);
  EXPECT_STREQ(scene.table.slots[1].productName, "Pad 3");
  // Slot 1 now holds another controller and still carries its previous holder's flag.
  EXPECT_EQ(scene.table.slots[1].connected, 0);
  EXPECT_EQ(scene.backend.LiveDevices(), 2);
}

TEST(JoystickTableRefresh, AFailureWhileEnumeratingStillRestartsTheTimer) {
  struct Case {
    const char* what;
    bool failEnumeration;
    bool failDataFormat;
    int expectedCount;
  };
  const Case cases[] = {{"enumeration fails", true, false, 0},
                        {"set-up of the first controller fails", false, true, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RefreshScene scene;
    scene.backend.failEnumDevices = c.failEnumeration;
    scene.backend.Controller(0).failSetDataFormat = c.failDataFormat;

    scene.table.RefreshJoysticks(&scene.frame);

    EXPECT_EQ(scene.table.count, c.expectedCount);
    EXPECT_EQ(scene.frame.sets, 1);
    EXPECT_TRUE(scene.frame.running);
    EXPECT_EQ(scene.backend.LiveDevices(), c.expectedCount);
  }
}

TEST(JoystickTableRefresh, WithoutAnInterfaceTheTableStaysEmptyAndNothingIsAsked) {
  FakeBackend backend;
  backend.AddController(4);
  backend.failCreateInput = true;
  JoystickTable table(&backend);
  table.SetUpJoysticks(nullptr);
  FakeTimerOwner frame;

  table.RefreshJoysticks(&frame);

  EXPECT_EQ(table.count, 0);
  EXPECT_EQ(backend.createInputCalls, 1);
  EXPECT_EQ(backend.enumDevicesCalls, 0);
  EXPECT_EQ(backend.Controller(0).createDeviceCalls, 0);
  EXPECT_EQ(frame.sets, 1);
  EXPECT_TRUE(frame.running);
}

TEST(JoystickTableRelease, ReleasesEveryControllerAndTheInterface) {
  RefreshScene scene;

  scene.table.ReleaseJoysticks();

  for (int i = 0; i < 3; ++i) {
    const std::string c = " c" + std::to_string(i);
    EXPECT_LT(scene.log.Find("Unacquire" + c), scene.log.Find("Release" + c));
    EXPECT_EQ(scene.table.slots[i].device, nullptr);
  }
  EXPECT_EQ(scene.backend.LiveDevices(), 0);
  EXPECT_EQ(scene.backend.inputRefs, 0);
  EXPECT_EQ(scene.table.input, nullptr);
  EXPECT_EQ(scene.table.count, 3);
  EXPECT_EQ(scene.backend.callsOnReleasedObjects, 0);
}

TEST(JoystickTableRelease, ReleaseAfterAFailedStartIsHarmless) {
  FakeBackend backend;
  backend.failCreateInput = true;
  JoystickTable table(&backend);
  table.SetUpJoysticks(nullptr);

  table.ReleaseJoysticks();

  EXPECT_EQ(table.input, nullptr);
  EXPECT_EQ(backend.callsOnReleasedObjects, 0);
}

}  // namespace
}  // namespace tarvel::test
