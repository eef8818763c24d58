#include "input/Polling.h"

#include <cstring>

#include "input/ButtonSink.h"
#include "input/JoystickTable.h"

namespace tarvel {
namespace {

constexpr uint32_t kMaxStateButtons = 128;  // rgbButtons

void MarkConnected(JoystickSlot& slot, int connected, ButtonSink* sink) {
  if (slot.connected == connected) return;
  slot.connected = connected;
  if (sink != nullptr) sink->NotifyConnectionChanged(slot.recordIndex);
}

void ApplyChange(JoystickState& state, const DeviceChange& change) {
  const uint32_t offset = change.offset;
  if (offset >= kButtonsOffset && offset < kButtonsOffset + kMaxStateButtons) {
    state.bytes[offset] = static_cast<uint8_t>(change.data);
  } else if (offset % 4 == 0 && offset <= kJoystickStateSize - 4) {
    std::memcpy(state.bytes + offset, &change.data, 4);  // an axis or a point of view
  }
}

}  // namespace

void ProcessState(const JoystickSlot& slot, ButtonSink* sink) {
  if (slot.recordIndex < 0 || sink == nullptr) return;
  sink->ProcessButtons(slot.recordIndex, slot.state.Buttons());
  int32_t axes[kStateAxes];
  uint32_t povs[kStatePovs];
  for (int a = 0; a < kStateAxes; ++a) axes[a] = slot.state.Axis(a);
  for (int h = 0; h < kStatePovs; ++h) povs[h] = slot.state.Pov(h);
  sink->ProcessHatsAndAxes(slot.recordIndex, axes, povs);
}

int ReadBufferedChanges(JoystickSlot& slot, ButtonSink* sink) {
  if (slot.device == nullptr || !slot.buffered) return 0;
  int total = 0;
  bool unprocessed = false;  // changes applied that the engine has not seen yet
  uint32_t sequence = 0;     // theirs
  for (int batch = 0; batch < kMaxChangeBatches; ++batch) {
    DeviceChange changes[kChangeBatch];
    uint32_t count = kChangeBatch;
    const Result r = slot.device->GetDeviceData(changes, &count);
    if (Failed(r)) break;  // not acquired, or gone: the pass sees to it
    count = count < kChangeBatch ? count : kChangeBatch;
    for (uint32_t i = 0; i < count; ++i) {
      if (unprocessed && changes[i].sequence != sequence) ProcessState(slot, sink);
      ApplyChange(slot.state, changes[i]);
      unprocessed = true;
      sequence = changes[i].sequence;
    }
    total += static_cast<int>(count);
    if (r == kBufferOverflow) {
      // Changes were lost. The state stands for all of them; what is left in the buffer is
      // older, and acquiring again empties it, so that none of it comes back later.
      slot.device->Unacquire();
      slot.device->Acquire();
      JoystickState state;
      if (slot.device->GetDeviceState(kJoystickStateSize, state.bytes) == kOk) slot.state = state;
      // The buffer is no full account any more: the next pass's state read stands for it.
      slot.changesLost = true;
      break;
    }
    if (count < kChangeBatch) break;
  }
  if (unprocessed) ProcessState(slot, sink);
  return total;
}

int CollectChangeEvents(const JoystickTable& table, EventHandle* events, int* slotOf, int max) {
  int n = 0;
  for (int s = 0; s < table.count && n < max; ++s) {
    const JoystickSlot& slot = table.slots[s];
    if (slot.device == nullptr || slot.changeEvent == nullptr || slot.xinputUser >= 0) continue;
    if (slot.emptySignals >= kMaxEmptySignals) continue;
    events[n] = slot.changeEvent;
    slotOf[n] = s;
    ++n;
  }
  return n;
}

void OnChangeEvent(JoystickTable& table, int slotIndex, ButtonSink* sink) {
  if (slotIndex < 0 || slotIndex >= table.count) return;
  JoystickSlot& slot = table.slots[slotIndex];
  if (ReadBufferedChanges(slot, sink) == 0) ++slot.emptySignals;
}

void PollJoysticks(JoystickTable& table, ButtonSink* sink, bool eventsServed) {
  for (int s = 0; s < table.count; ++s) {
    JoystickSlot& slot = table.slots[s];
    // A pad read through XInput is never also read here: no key typed twice.
    if (slot.device == nullptr || slot.xinputUser >= 0) continue;
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
    // What the controller buffered comes first, in its order; the state read then finds
    // nothing new, or what came since.
    slot.emptySignals = 0;
    if (!eventsServed || slot.changeEvent == nullptr) ReadBufferedChanges(slot, sink);
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
    // A buffer left to its event is the only account of this controller's changes: a state read
    // that ran ahead of it would type a press the buffer then types again.
    if (eventsServed && slot.buffered && slot.changeEvent != nullptr && !slot.changesLost) continue;
    slot.changesLost = false;
    slot.state = state;
    ProcessState(slot, sink);
  }
}

}  // namespace tarvel
