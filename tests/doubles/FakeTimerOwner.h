#pragma once

#include "input/PollTimerOwner.h"
#include "tests/doubles/EventLog.h"

namespace tarvel::test {

// The main frame as a refresh sees it: a polling timer and a window for the cooperative level.
class FakeTimerOwner final : public PollTimerOwner {
 public:
  explicit FakeTimerOwner(WindowHandle frameWindow = reinterpret_cast<WindowHandle>(0xF2A3E))
      : window(frameWindow) {}

  void KillPollTimer() override {
    ++kills;
    running = false;
    LogTo(log, "KillPollTimer");
  }
  void SetPollTimer() override {
    ++sets;
    running = true;
    LogTo(log, "SetPollTimer");
  }
  WindowHandle CooperativeWindow() override { return window; }

  WindowHandle window;
  bool running = true;
  int kills = 0;
  int sets = 0;
  EventLog* log = nullptr;
};

}  // namespace tarvel::test
