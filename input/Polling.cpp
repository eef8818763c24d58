#include "input/Polling.h"

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace tarvel {

void PollJoysticks(JoystickTable& table, CTarvelDoc* document) {
  JoystickState state;
  for (int s = 0; s < table.count; ++s) {
    JoystickSlot& slot = table.slots[s];
    if (slot.device == nullptr) continue;
    if (Failed(slot.device->Poll())) {
      // Re-acquire, retrying while input is reported lost, but never for ever: a controller that
      // keeps answering so must not freeze the program.
      for (int attempt = 0; attempt < kMaxAcquireAttempts; ++attempt)
        if (slot.device->Acquire() != kInputLost) break;
      continue;
    }
    if (Failed(slot.device->GetDeviceState(kJoystickStateSize, state.bytes))) {
      if (slot.connected == 1) {
        slot.connected = 0;
        if (document != nullptr) document->NotifyConnectionChanged(slot.recordIndex);
      }
      continue;
    }
    if (slot.connected == 0) {
      slot.connected = 1;
      if (document != nullptr) document->NotifyConnectionChanged(slot.recordIndex);
    }
    if (slot.recordIndex >= 0 && document != nullptr)
      document->ProcessButtons(slot.recordIndex, state.Buttons());
  }
}

}  // namespace tarvel
