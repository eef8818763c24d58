#pragma once

#include "base/WindowHandle.h"

namespace tarvel {

// The owner of the 10 ms polling timer (the main frame), as a refresh sees it.
class PollTimerOwner {
 public:
  virtual void KillPollTimer() = 0;
  virtual void SetPollTimer() = 0;
  virtual WindowHandle CooperativeWindow() = 0;

 protected:
  ~PollTimerOwner() = default;
};

}  // namespace tarvel
