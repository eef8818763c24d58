#pragma once
#include <cstdint>

namespace tarvel {

// The XInput back-end: what the program asks of XInput, shaped like XInputGetState.
constexpr int kXInputUsers = 4;                 // XUSER_MAX_COUNT
constexpr uint32_t kXInputSuccess = 0;          // ERROR_SUCCESS
constexpr uint32_t kXInputNotConnected = 1167;  // ERROR_DEVICE_NOT_CONNECTED

// XINPUT_GAMEPAD.wButtons
constexpr uint16_t kPadDpadUp = 0x0001;
constexpr uint16_t kPadDpadDown = 0x0002;
constexpr uint16_t kPadDpadLeft = 0x0004;
constexpr uint16_t kPadDpadRight = 0x0008;
constexpr uint16_t kPadStart = 0x0010;
constexpr uint16_t kPadBack = 0x0020;
constexpr uint16_t kPadLeftThumb = 0x0040;
constexpr uint16_t kPadRightThumb = 0x0080;
constexpr uint16_t kPadLeftShoulder = 0x0100;
constexpr uint16_t kPadRightShoulder = 0x0200;
constexpr uint16_t kPadGuide = 0x0400;  // only from XInputGetStateEx (ordinal 100)
constexpr uint16_t kPadA = 0x1000;
constexpr uint16_t kPadB = 0x2000;
constexpr uint16_t kPadX = 0x4000;
constexpr uint16_t kPadY = 0x8000;

struct XInputGamepad {  // XINPUT_GAMEPAD
  uint16_t buttons = 0;
  uint8_t leftTrigger = 0;  // 0-255
  uint8_t rightTrigger = 0;
  int16_t thumbLX = 0;  // -32768..32767, Y positive upwards
  int16_t thumbLY = 0;
  int16_t thumbRX = 0;
  int16_t thumbRY = 0;
};
static_assert(sizeof(XInputGamepad) == 12);

struct XInputState {          // XINPUT_STATE
  uint32_t packetNumber = 0;  // changes only when the state does
  XInputGamepad gamepad;
};
static_assert(sizeof(XInputState) == 16);

class XInputBackend {
 public:
  // XInputGetState (or XInputGetStateEx where the library has it) for user 0-3:
  // kXInputSuccess, kXInputNotConnected or another error. Slow on an empty slot.
  virtual uint32_t GetState(uint32_t user, XInputState* state) = 0;
  // The library has ordinal 100, which reports the guide button.
  virtual bool HasGuide() const = 0;

 protected:
  ~XInputBackend() = default;
};

}  // namespace tarvel
