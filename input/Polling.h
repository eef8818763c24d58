#pragma once

namespace tarvel {

class ButtonSink;
class JoystickTable;

// Acquire attempts in one pass while a controller keeps answering that input was lost.
constexpr int kMaxAcquireAttempts = 8;

// One polling pass over the attached controllers: run on every timer tick of the main frame.
// A controller is shown connected once its state is read, and not connected once a read fails
// or, after a failed poll, it cannot be acquired again.
void PollJoysticks(JoystickTable& table, ButtonSink* sink);

}  // namespace tarvel
