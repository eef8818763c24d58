#pragma once
#include <cstdint>

namespace tarvel {

class ButtonSink;
class JoystickTable;

// Reading XInput pads, which tell of no change: the users in use are asked on a fast tick; an
// empty one is slow to ask (it looks for a device each time) and is asked only by the checks of
// EmptyPadChecks.

// One read of every slot fed by an XInput user that answered: a user that stops answering shows
// its slot not connected and is not asked again until a check finds it; one whose packet number
// changed has its state laid out as DirectInput's and handed on.
// focused: the program has the focus, so that DirectInput also shows the pads; with two pads
// or more their DirectInput side is then read too, never handed on, only to see whether a
// press came from the pad each user is paired with (and to correct the pairing if not).
void ReadXInputPads(JoystickTable& table, ButtonSink* sink, bool focused = false);
// The DirectInput pads read from an XInput user: from two on, their pairing may need putting
// right.
int PairedPadCount(const JoystickTable& table);
// Whether any slot is fed by an XInput user that answers: then the fast tick is needed.
bool AnyPadConnected(const JoystickTable& table);
// Asks the users that did not answer. A user that answers again and has its slot is read from
// the next tick on; true when one answers that has none (the table must be enumerated again).
bool CheckEmptyPadUsers(JoystickTable& table);

// When the empty users are asked: at once and about 0.3 s and 2 s after each notification of a
// device change, and otherwise every 5 s at most (the table asks them all when it is set up).
class EmptyPadChecks {
 public:
  static constexpr int64_t kPeriodMs = 5000;
  static constexpr int kAfterChange = 3;
  static constexpr int64_t kAfterChangeMs[kAfterChange] = {0, 300, 2000};

  void OnDeviceChange(int64_t nowMs);
  // The table was set up (all users asked) at nowMs.
  void OnAllAsked(int64_t nowMs) { lastMs_ = nowMs; }
  // Whether a check is due at nowMs; it counts as made when it is.
  bool Due(int64_t nowMs);

 private:
  int64_t dueMs_[kAfterChange] = {-1, -1, -1};
  int64_t lastMs_ = INT64_MIN;
};

}  // namespace tarvel
