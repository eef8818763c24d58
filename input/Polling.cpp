#include "input/Polling.h"

#include "input/ButtonSink.h"
#include "input/JoystickTable.h"

namespace tarvel {
namespace {

void MarkConnected(JoystickSlot& slot, int connected, ButtonSink* sink) {
  if (slot.connected == connected) return;
  slot.connected = connected;
  if (sink != nullptr) sink->NotifyConnectionChanged(slot.recordIndex);
}

}  // namespace

void PollJoysticks(JoystickTable& table, ButtonSink* sink) {
  for (int s = 0; s < table.count; ++s) {
    JoystickSlot& slot = table.slots[s];
    if (slot.device == nullptr) continue;
    if (Failed(slot.device->Poll())) {
      // Re-acquire, retrying while input is reported lost, but never for ever: a controller that
      // keeps answering so must not freeze the program.
      Result acquired = kInputLost;
      for (int attempt = 0; attempt < kMaxAcquireAttempts && acquired == kInputLost; ++attempt)
        acquired = slot.device->Acquire();
      // An unplugged controller usually fails here, before any state read: one that cannot be
      // acquired either is not answering, and its rows must not go on showing it connected.
      if (Failed(acquired)) MarkConnected(slot, 0, sink);
      continue;
    }
    JoystickState state;
    const Result read = slot.device->GetDeviceState(kJoystickStateSize, state.bytes);
    if (Failed(read)) {
      MarkConnected(slot, 0, sink);
      continue;
    }
    MarkConnected(slot, 1, sink);
    // Another success code (S_FALSE from some drivers) need not come with a state: bytes that
    // were not written must never be taken for this controller's buttons.
    if (read != kOk) continue;
    if (slot.recordIndex < 0 || sink == nullptr) continue;
    sink->ProcessButtons(slot.recordIndex, state.Buttons());
    int32_t axes[kStateAxes];
    uint32_t povs[kStatePovs];
    for (int a = 0; a < kStateAxes; ++a) axes[a] = state.Axis(a);
    for (int h = 0; h < kStatePovs; ++h) povs[h] = state.Pov(h);
    sink->ProcessHatsAndAxes(slot.recordIndex, axes, povs);
  }
}

}  // namespace tarvel
