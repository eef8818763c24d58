#pragma once

#include "input/ControllerBackend.h"

namespace tarvel {

class ButtonSink;
class JoystickTable;
struct JoystickSlot;

// Acquire attempts in one pass while a controller keeps answering that input was lost.
constexpr int kMaxAcquireAttempts = 8;

// One polling pass over the attached controllers: run on every timer tick of the main frame.
// A controller is shown connected once its state is read, and not connected once a read fails
// or, after a failed poll, it cannot be acquired again.
// eventsServed: the message loop waits on the change events, and a controller with one has its
// buffer read there, and the pass reads its state only to know it is still there; otherwise (a
// modal loop of the system) the pass reads every buffer before the state.
void PollJoysticks(JoystickTable& table, ButtonSink* sink, bool eventsServed = false);

// Hands the state of a slot as it stands to its record: the buttons, then the axes and points of
// view.
void ProcessState(const JoystickSlot& slot, ButtonSink* sink);

// Changes read at once, and batches read for one controller before its state is read instead.
constexpr int kChangeBatch = 32;
constexpr int kMaxChangeBatches = 16;
// Times a controller's event may be set with nothing to read before it is not waited on until
// the next pass: a driver that keeps setting it must not keep the program from its messages.
constexpr int kMaxEmptySignals = 16;

// A controller's buffered changes, in the order they came, the engine run after each (after each
// group of changes that happened together, as one state read would show them), so that a press
// and a release read together still type their key. After an overflow the state is read
// instead, as in a pass. Returns how many changes were read.
int ReadBufferedChanges(JoystickSlot& slot, ButtonSink* sink);

// The change events to wait for beside the messages, and the slot of each; returns how many.
int CollectChangeEvents(const JoystickTable& table, EventHandle* events, int* slotOf, int max);
// A controller's change event was set: its changes are read.
void OnChangeEvent(JoystickTable& table, int slotIndex, ButtonSink* sink);

}  // namespace tarvel
