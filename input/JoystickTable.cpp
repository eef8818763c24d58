#include "input/JoystickTable.h"

#include "base/TextField.h"

namespace tarvel {

void JoystickTable::UntieAll() {
  for (int s = 0; s < count; ++s) slots[s].recordIndex = -1;
}

int JoystickTable::IsConnected(int slotIndex) const {
  if (slotIndex < 0 || slotIndex >= count) return 0;
  return slots[slotIndex].connected;
}

Result JoystickTable::SetUpJoysticks(WindowHandle window) {
  if (backend_ == nullptr) return kNotInitialized;
  const Result created = backend_->CreateInput(&input);
  if (Failed(created)) {
    input = nullptr;
    return created;
  }
  return EnumerateAndSetUp(window);
}

Result JoystickTable::EnumerateAndSetUp(WindowHandle window) {
  const Result listed =
      input->EnumDevices(kGameControllerClass, AddAttachedJoystick, this, kAttachedOnly);
  if (Failed(listed)) return listed;
  for (int s = 0; s < count; ++s) {
    ControllerDevice* device = slots[s].device;
    Result r = device->SetDataFormatJoystick2();
    if (!Failed(r)) r = device->SetCooperativeLevel(window, kNonExclusiveBackground);
    if (!Failed(r)) r = device->EnumObjects(SetAxisRange, &slots[s], kAllObjects);
    if (Failed(r)) return r;
    SetUpBuffer(slots[s]);
  }
  return kOk;
}

void JoystickTable::SetUpBuffer(JoystickSlot& slot) {
  slot.buffered = false;
  slot.changeEvent = nullptr;
  slot.emptySignals = 0;
  slot.changesLost = false;
  slot.state = JoystickState();
  // A controller without a buffer is read by state alone, every pass, as always.
  if (Failed(slot.device->SetBufferSize(kBufferEntries))) return;
  slot.buffered = true;
  EventHandle event = backend_ != nullptr ? backend_->CreateChangeEvent() : nullptr;
  if (event == nullptr) return;
  // A controller that must be polled sets its event only from Poll, in the pass: no use waiting.
  const Result r = slot.device->SetEventNotification(event);
  if (Failed(r) || r == kPolledDevice) {
    if (!Failed(r)) slot.device->SetEventNotification(nullptr);
    backend_->CloseChangeEvent(event);
    return;
  }
  slot.changeEvent = event;
}

void JoystickTable::ReleaseSlot(JoystickSlot& slot) {
  if (slot.device != nullptr) {
    slot.device->Unacquire();
    slot.device->Release();
    slot.device = nullptr;
  }
  if (slot.changeEvent != nullptr && backend_ != nullptr)
    backend_->CloseChangeEvent(slot.changeEvent);
  slot.changeEvent = nullptr;
  slot.buffered = false;
}

int JoystickTable::AddAttachedJoystick(const ControllerInstance& instance, void* context) {
  auto* table = static_cast<JoystickTable*>(context);
  if (table->count >= kMaxSlots) return kEnumStop;
  JoystickSlot& slot = table->slots[table->count];
  slot.device = nullptr;
  if (Failed(table->input->CreateDevice(instance.instanceGuid, &slot.device)) ||
      slot.device == nullptr) {
    slot.device = nullptr;
    return kEnumContinue;
  }
  slot.recordIndex = -1;
  slot.axesPresent = 0;
  slot.buffered = false;
  slot.changeEvent = nullptr;
  SetTextField(slot.productName, instance.productName);
  slot.instanceGuid = instance.instanceGuid;
  slot.productGuid = instance.productGuid;
  slot.caps = DeviceCaps();
  slot.caps.size = sizeof(DeviceCaps);
  if (Failed(slot.device->GetCapabilities(&slot.caps))) {
    // A controller that cannot tell its buttons is not used; the next one takes the slot.
    slot.device->Release();
    slot.device = nullptr;
    return kEnumContinue;
  }
  ++table->count;
  return kEnumContinue;
}

int JoystickTable::SetAxisRange(const ControllerObject& object, void* context) {
  auto* slot = static_cast<JoystickSlot*>(context);
  if ((object.type & kAxisTypeMask) == 0) return kEnumContinue;
  if (Failed(slot->device->SetAxisRangeProperty(object.type, kPropertyById, kAxisMin, kAxisMax)))
    return kEnumStop;
  // Only an axis whose range is set reads in the range that thresholds are measured against.
  int axis = StateAxisOfType(object.guidType);
  if (axis == kFirstSliderAxis && (slot->axesPresent & (1u << axis)) != 0) ++axis;
  if (axis >= 0) slot->axesPresent = static_cast<uint8_t>(slot->axesPresent | (1u << axis));
  return kEnumContinue;
}

int StateAxisOfType(const Guid& guidType) {
  // GUID_XAxis and its kin differ in their first field alone.
  static constexpr Guid kAxisGuid{
      0xA36D02E0, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
  static constexpr uint32_t kAxisData1[] = {0xA36D02E0, 0xA36D02E1, 0xA36D02E2, 0xA36D02F4,
                                            0xA36D02F5, 0xA36D02E3, 0xA36D02E4};
  Guid family = guidType;
  family.data1 = kAxisGuid.data1;
  if (!(family == kAxisGuid)) return -1;
  for (int a = 0; a < 7; ++a)
    if (guidType.data1 == kAxisData1[a]) return a;
  return -1;
}

void JoystickTable::RefreshJoysticks(PollTimerOwner* frame) {
  if (frame != nullptr) frame->KillPollTimer();
  for (int s = 0; s < count; ++s) {
    slots[s].recordIndex = -1;
    ReleaseSlot(slots[s]);
  }
  count = 0;
  if (frame != nullptr) frame->SetPollTimer();
  if (input == nullptr) return;  // DirectInput never came up: the table stays empty
  EnumerateAndSetUp(frame != nullptr ? frame->CooperativeWindow() : nullptr);
}

void JoystickTable::ReleaseJoysticks() {
  for (int s = 0; s < count; ++s) ReleaseSlot(slots[s]);
  if (input != nullptr) {
    input->Release();
    input = nullptr;
  }
}

}  // namespace tarvel
