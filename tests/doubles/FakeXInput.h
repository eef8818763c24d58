#pragma once
#include <cstdint>

#include "input/XInputBackend.h"

namespace tarvel::test {

// Four scripted XInput users: each answers with its state while it is connected, its packet
// number moving on with every change set through Set.
class FakeXInput final : public XInputBackend {
 public:
  uint32_t GetState(uint32_t user, XInputState* state) override {
    if (user >= kXInputUsers) return 87;  // ERROR_BAD_ARGUMENTS
    ++calls[user];
    if (!connected[user]) return kXInputNotConnected;
    *state = states[user];
    return kXInputSuccess;
  }
  bool HasGuide() const override { return guide; }

  void Set(int user, const XInputGamepad& pad) {
    states[user].gamepad = pad;
    ++states[user].packetNumber;
  }
  void ResetCalls() {
    for (int& c : calls) c = 0;
  }

  bool connected[kXInputUsers] = {};
  XInputState states[kXInputUsers] = {};
  bool guide = true;
  int calls[kXInputUsers] = {};
};

}  // namespace tarvel::test
