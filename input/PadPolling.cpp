#include "input/PadPolling.h"

#include <cstring>

#include "input/ButtonSink.h"
#include "input/JoystickTable.h"
#include "input/Polling.h"

namespace tarvel {
namespace {

void MarkPadConnected(JoystickSlot& slot, int connected, ButtonSink* sink) {
  if (slot.connected == connected) return;
  slot.connected = connected;
  if (sink != nullptr) sink->NotifyConnectionChanged(slot.recordIndex);
}

// The pad's state laid out as DirectInput's, then the controls DirectInput has not.
void HandOn(const JoystickSlot& slot, ButtonSink* sink) {
  if (slot.recordIndex < 0 || sink == nullptr) return;
  ProcessState(slot, sink);
  sink->ProcessPadControls(slot.recordIndex, slot.pad);
}

bool PadPartChanged(const JoystickState& before, const JoystickState& after) {
  return std::memcmp(before.Buttons(), after.Buttons(), kPadButtons) != 0 ||
         before.Pov(0) != after.Pov(0);
}

// With the focus, the DirectInput side of each paired pad: which of them changed their buttons
// or D-pad since the last look. Returns how many pads were looked at.
int LookAtDirectInputPads(JoystickTable& table, bool* padChanged) {
  int pads = 0;
  for (int s = 0; s < table.count; ++s) {
    JoystickSlot& slot = table.slots[s];
    padChanged[s] = false;
    if (slot.xinputUser < 0 || slot.ownPadSlot || slot.device == nullptr) continue;
    ++pads;
    if (Failed(slot.device->Poll())) {
      slot.device->Acquire();
      slot.evidenceRead = false;
      continue;
    }
    JoystickState state;
    if (slot.device->GetDeviceState(kJoystickStateSize, state.bytes) != kOk) {
      slot.evidenceRead = false;
      continue;
    }
    const bool changed = std::memcmp(slot.evidenceButtons, state.Buttons(), kPadButtons) != 0 ||
                         slot.evidencePov != state.Pov(0);
    padChanged[s] = slot.evidenceRead && changed;
    std::memcpy(slot.evidenceButtons, state.Buttons(), kPadButtons);
    slot.evidencePov = state.Pov(0);
    slot.evidenceRead = true;
  }
  return pads;
}

void CorrectPairingFromEvidence(JoystickTable& table, const bool* userChanged, ButtonSink* sink) {
  if (PairedPadCount(table) < 2) return;  // one pad pairs with one user: nothing to correct
  bool padChanged[kMaxSlots] = {};
  LookAtDirectInputPads(table, padChanged);
  int8_t userOf[kMaxSlots];
  bool pairedUserChanged[kXInputUsers] = {};
  for (int s = 0; s < table.count; ++s) {
    const JoystickSlot& slot = table.slots[s];
    userOf[s] = slot.ownPadSlot ? -1 : slot.xinputUser;
    if (userOf[s] >= 0 && userChanged[userOf[s]]) pairedUserChanged[userOf[s]] = true;
  }
  if (!CorrectPairing(padChanged, pairedUserChanged, table.count, userOf)) return;
  for (int s = 0; s < table.count; ++s) {
    JoystickSlot& slot = table.slots[s];
    if (slot.ownPadSlot || slot.xinputUser == userOf[s]) continue;
    slot.xinputUser = userOf[s];
    slot.xinputRead = false;  // handed on afresh from its new user at the next read
    if (sink != nullptr) sink->NotifyConnectionChanged(slot.recordIndex);
  }
  table.RememberPairing();
}

}  // namespace

void ReadXInputPads(JoystickTable& table, ButtonSink* sink, bool focused) {
  XInputBackend* xinput = table.XInput();
  if (xinput == nullptr) return;
  bool userChanged[kXInputUsers] = {};
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
    const JoystickState before = slot.state;
    const bool wasRead = slot.xinputRead;
    slot.xinputRead = true;
    slot.xinputPacket = state.packetNumber;
    LayOutPadState(state.gamepad, &slot.state, &slot.pad);
    userChanged[user] = wasRead && PadPartChanged(before, slot.state);
    HandOn(slot, sink);
  }
  if (focused) CorrectPairingFromEvidence(table, userChanged, sink);
}

int PairedPadCount(const JoystickTable& table) {
  int pads = 0;
  for (int s = 0; s < table.count; ++s)
    pads += table.slots[s].xinputUser >= 0 && !table.slots[s].ownPadSlot ? 1 : 0;
  return pads;
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
