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
  }
  return kOk;
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
  return kEnumContinue;
}

void JoystickTable::RefreshJoysticks(PollTimerOwner* frame) {
  if (frame != nullptr) frame->KillPollTimer();
  for (int s = 0; s < count; ++s) {
    slots[s].recordIndex = -1;
    slots[s].device->Unacquire();
    slots[s].device->Release();
    slots[s].device = nullptr;
  }
  count = 0;
  if (frame != nullptr) frame->SetPollTimer();
  if (input == nullptr) return;  // DirectInput never came up: the table stays empty
  EnumerateAndSetUp(frame != nullptr ? frame->CooperativeWindow() : nullptr);
}

void JoystickTable::ReleaseJoysticks() {
  for (int s = 0; s < count; ++s) {
    if (slots[s].device == nullptr) continue;
    slots[s].device->Unacquire();
    slots[s].device->Release();
    slots[s].device = nullptr;
  }
  if (input != nullptr) {
    input->Release();
    input = nullptr;
  }
}

}  // namespace tarvel
