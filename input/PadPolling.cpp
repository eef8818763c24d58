#include "input/PadPolling.h"

#include "input/ButtonSink.h"
#include "input/JoystickTable.h"

namespace tarvel {
namespace {

void MarkPadConnected(JoystickSlot& slot, int connected, ButtonSink* sink) {
  if (slot.connected == connected) return;
  slot.connected = connected;
  if (sink != nullptr) sink->NotifyConnectionChanged(slot.recordIndex);
}

void HandOn(const JoystickSlot& slot, ButtonSink* sink) {
  if (slot.recordIndex < 0 || sink == nullptr) return;
  sink->ProcessButtons(slot.recordIndex, slot.state.Buttons());
  int32_t axes[kStateAxes];
  uint32_t povs[kStatePovs];
  for (int a = 0; a < kStateAxes; ++a) axes[a] = slot.state.Axis(a);
  for (int h = 0; h < kStatePovs; ++h) povs[h] = slot.state.Pov(h);
  sink->ProcessHatsAndAxes(slot.recordIndex, axes, povs);
  sink->ProcessPadControls(slot.recordIndex, slot.pad);
}

}  // namespace

void ReadXInputPads(JoystickTable& table, ButtonSink* sink) {
  XInputBackend* xinput = table.XInput();
  if (xinput == nullptr) return;
  for (int s = 0; s < table.count; ++s) {
    JoystickSlot& slot = table.slots[s];
    const int user = slot.xinputUser;
    if (user < 0 || user >= kXInputUsers || !table.userPresent[user]) continue;
    XInputState state;
    if (xinput->GetState(static_cast<uint32_t>(user), &state) != kXInputSuccess) {
      table.userPresent[user] = false;
      slot.xinputRead = false;
      MarkPadConnected(slot, 0, sink);
      continue;
    }
    MarkPadConnected(slot, 1, sink);
    if (slot.xinputRead && state.packetNumber == slot.xinputPacket) continue;
    slot.xinputRead = true;
    slot.xinputPacket = state.packetNumber;
    LayOutPadState(state.gamepad, &slot.state, &slot.pad);
    HandOn(slot, sink);
  }
}

bool AnyPadConnected(const JoystickTable& table) {
  if (table.XInput() == nullptr) return false;
  for (int s = 0; s < table.count; ++s) {
    const int user = table.slots[s].xinputUser;
    if (user >= 0 && user < kXInputUsers && table.userPresent[user]) return true;
  }
  return false;
}

bool CheckEmptyPadUsers(JoystickTable& table) {
  XInputBackend* xinput = table.XInput();
  if (xinput == nullptr) return false;
  bool unknown = false;
  for (int u = 0; u < kXInputUsers; ++u) {
    if (table.userPresent[u]) continue;
    XInputState state;
    if (xinput->GetState(static_cast<uint32_t>(u), &state) != kXInputSuccess) continue;
    table.userPresent[u] = true;
    bool hasSlot = false;
    for (int s = 0; s < table.count; ++s) hasSlot |= table.slots[s].xinputUser == u;
    unknown |= !hasSlot;
  }
  return unknown;
}

void EmptyPadChecks::OnDeviceChange(int64_t nowMs) {
  for (int i = 0; i < kAfterChange; ++i) dueMs_[i] = nowMs + kAfterChangeMs[i];
}

bool EmptyPadChecks::Due(int64_t nowMs) {
  bool due = false;
  for (int64_t& at : dueMs_) {
    if (at < 0 || nowMs < at) continue;
    at = -1;
    due = true;
  }
  if (lastMs_ == INT64_MIN) lastMs_ = nowMs;  // the table asked every user when it was set up
  if (nowMs - lastMs_ >= kPeriodMs) due = true;
  if (due) lastMs_ = nowMs;
  return due;
}

}  // namespace tarvel
