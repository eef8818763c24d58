#pragma once
#include <cstdint>

namespace tarvel {

// What became of keys (or other input) handed to the system for another program.
enum class DeliveryFault : uint8_t {
  None,
  Elevated,        // the program in front runs at a higher integrity level: nothing was sent
  PartlyInserted,  // the system's input stream took fewer events than it was given
  WindowRefused,   // a message to the target window failed
  WindowTimedOut,  // the target window did not answer in time
  NoWindow,        // no window of the target class is open
};

struct Delivery {
  DeliveryFault fault = DeliveryFault::None;
  uint32_t systemError = 0;  // the system's error code, 0 when it gave none
  int taken = 0;             // PartlyInserted: events the input stream took, of given
  int given = 0;
  bool Delivered() const { return fault == DeliveryFault::None; }
};

}  // namespace tarvel
