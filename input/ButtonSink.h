#pragma once
#include <cstdint>

#include "input/XInputLayout.h"

namespace tarvel {

// Where the polling pass hands what it reads, by the record a controller's slot is tied to: the
// configuration document, which lies above the input code and is not known to it.
class ButtonSink {
 public:
  // The controller of a record was found connected or not connected.
  virtual void NotifyConnectionChanged(int recordIndex) = 0;
  // A controller's 128 button bytes, read in this pass.
  virtual void ProcessButtons(int recordIndex, const uint8_t* buttons) = 0;
  // The same controller's axes (8, in the state's order) and points of view (4), right after its
  // buttons in the same pass.
  virtual void ProcessHatsAndAxes(int recordIndex, const int32_t* axes, const uint32_t* povs) = 0;
  // An XInput pad's guide button and triggers, right after its hats and axes.
  virtual void ProcessPadControls(int recordIndex, const PadControls& pad) = 0;

 protected:
  ~ButtonSink() = default;
};

}  // namespace tarvel
