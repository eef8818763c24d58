#pragma once

#include <string>
#include <vector>

#include "input/JoystickTable.h"
#include "model/AppServices.h"
#include "tests/doubles/EventLog.h"

namespace tarvel::test {

// The application object: the key-capture flag, and the refresh that a new document asks for.
// With a table, RefreshAttachedJoysticks refreshes it as the application does (with the frame,
// or with none as during start-up).
class FakeApp final : public AppServices {
 public:
  int CaptureOn() const override { return captureOn; }
  void SetCaptureOn(int on) override {
    captureOn = on;
    ++captureChanges;
    LogTo(log, on ? "app capture on" : "app capture off");
  }
  void RefreshAttachedJoysticks() override {
    ++refreshes;
    LogTo(log, "app refresh");
    if (table != nullptr) table->RefreshJoysticks(frame);
  }

  int captureOn = 0;
  int captureChanges = 0;
  int refreshes = 0;
  JoystickTable* table = nullptr;
  PollTimerOwner* frame = nullptr;
  EventLog* log = nullptr;
};

}  // namespace tarvel::test
