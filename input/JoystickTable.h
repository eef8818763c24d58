#pragma once
#include <cstdint>

#include "input/ControllerBackend.h"
#include "input/PollTimerOwner.h"
#include "input/XInputBackend.h"
#include "input/XInputLayout.h"

namespace tarvel {

constexpr int kMaxSlots = 16;

// The axis an object's type GUID names, as its place among the state's axes; a slider is 6 and
// the state's second slider the next one. -1 for anything else.
int StateAxisOfType(const Guid& guidType);
constexpr int kProductNameSize = 256;

struct JoystickSlot {
  char productName[kProductNameSize] = {};
  ControllerDevice* device = nullptr;
  DeviceCaps caps;
  Guid instanceGuid;
  Guid productGuid;
  int32_t recordIndex = -1;
  int32_t connected = 0;
  // The axes the controller lists (bit i: axis i of the state, X first), found while their
  // ranges are set.
  uint8_t axesPresent = 0;
  // Buffered input: the controller keeps its changes for us (buffered), and sets changeEvent on
  // each one (null for a controller that must be polled or refuses an event).
  bool buffered = false;
  EventHandle changeEvent = nullptr;
  int emptySignals = 0;      // times changeEvent was set with nothing to read since the last pass
  bool changesLost = false;  // the buffer overflowed since the last pass's state read
  JoystickState state = {};  // as last read, with the buffered changes since applied
  // An XInput pad: its DirectInput path says so (xinputPath). xinputUser is the XInput user
  // (0-3) it is read from, and never through DirectInput then; -1 while DirectInput reads it. A
  // user that no DirectInput pad pairs with has a slot of its own, without a DirectInput device.
  bool xinputPath = false;
  bool ownPadSlot = false;
  int8_t xinputUser = -1;
  uint32_t xinputPacket = 0;
  bool xinputRead = false;  // a state of the user was laid out since set-up
  PadControls pad;
  // What DirectInput last showed of a paired pad's buttons and D-pad, read only while the
  // program has the focus, as evidence for its pairing (never handed on).
  uint8_t evidenceButtons[kPadButtons] = {};
  uint32_t evidencePov = 0;
  bool evidenceRead = false;
};

// Stands in for the DirectInput device of an XInput user that has no DirectInput pad: it answers
// what set-up and release ask, and is never read (the XInput user is).
class PadSlotDevice final : public ControllerDevice {
 public:
  Result SetDataFormatJoystick2() override { return kOk; }
  Result SetCooperativeLevel(WindowHandle, uint32_t) override { return kOk; }
  Result EnumObjects(ObjectEnumCallback, void*, uint32_t) override { return kOk; }
  Result GetCapabilities(DeviceCaps* caps) override;
  Result SetAxisRangeProperty(uint32_t, uint32_t, int32_t, int32_t) override { return kOk; }
  Result Acquire() override { return kOk; }
  Result Unacquire() override { return kOk; }
  Result Poll() override { return kFail; }
  Result GetDeviceState(uint32_t, void*) override { return kFail; }
  uint32_t Release() override { return 0; }
  Result SetBufferSize(uint32_t) override { return kFail; }
  Result SetEventNotification(EventHandle) override { return kFail; }
  Result GetDeviceData(DeviceChange*, uint32_t* count) override {
    *count = 0;
    return kFail;
  }
};

// The identity of an XInput user's own slot: the same while a pad stays in that user's place.
Guid PadSlotGuid(int user);
Guid PadProductGuid();

// The attached joystick table: up to 16 controllers opened through the back-end. Slots 0 to
// count-1 are valid; the rest may hold stale values.
class JoystickTable {
 public:
  explicit JoystickTable(ControllerBackend* backend = nullptr) : backend_(backend) {}
  void SetBackend(ControllerBackend* backend) { backend_ = backend; }

  Result SetUpJoysticks(WindowHandle window);
  void RefreshJoysticks(PollTimerOwner* frame);
  void ReleaseJoysticks();

  // The two enumeration callbacks; context is the table and the slot respectively.
  static int AddAttachedJoystick(const ControllerInstance& instance, void* table);
  static int SetAxisRange(const ControllerObject& object, void* slot);

  int count = 0;
  JoystickSlot slots[kMaxSlots];
  ControllerInput* input = nullptr;

  // Untie every slot from the document's records.
  void UntieAll();
  // The slot's connected flag, or 0 for an index outside 0..count-1.
  int IsConnected(int slotIndex) const;

  // Gives the slot's device and its change event back.
  void ReleaseSlot(JoystickSlot& slot);

  // XInput, where Windows has it (null: pads are read through DirectInput alone).
  void SetXInput(XInputBackend* xinput) { xinput_ = xinput; }
  XInputBackend* XInput() const { return xinput_; }
  // Whether each XInput user answered when it was last asked.
  bool userPresent[kXInputUsers] = {};
  // The pairing was corrected: each pad keeps its new user over later refreshes.
  void RememberPairing();

 private:
  Result EnumerateAndSetUp(WindowHandle window);
  void SetUpBuffer(JoystickSlot& slot);
  // Asks every XInput user, pairs the users in use with the DirectInput pads and gives each
  // user left over a slot of its own.
  void SetUpPads();
  ControllerBackend* backend_;
  XInputBackend* xinput_ = nullptr;
  PadSlotDevice padDevices_[kXInputUsers];
  // The user each pad was paired with before the latest refresh, by its instance.
  Guid pairedGuid_[kXInputUsers];
  bool pairedKnown_[kXInputUsers] = {};
};

}  // namespace tarvel
