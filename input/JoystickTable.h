#pragma once
#include <cstdint>

#include "input/ControllerBackend.h"
#include "input/PollTimerOwner.h"

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
};

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

 private:
  Result EnumerateAndSetUp(WindowHandle window);
  void SetUpBuffer(JoystickSlot& slot);
  ControllerBackend* backend_;
};

}  // namespace tarvel
