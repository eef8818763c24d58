#pragma once

namespace tarvel {

class JoystickTable;
class CTarvelDoc;

// Acquire attempts in one pass while a controller keeps answering that input was lost.
constexpr int kMaxAcquireAttempts = 8;

// One polling pass over the attached controllers: run on every timer tick of the main frame.
void PollJoysticks(JoystickTable& table, CTarvelDoc* document);

}  // namespace tarvel
