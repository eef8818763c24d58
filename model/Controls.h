#pragma once
#include <array>
#include <cstdint>

namespace tarvel {

// The controls of a controller other than its buttons, each a row of its own after the buttons:
// the four directions of up to four points of view (hats), then the two halves of the eight axes
// of the joystick state. Control k is hat k / 4, direction k % 4 (Up, Right, Down, Left) for k
// below 16; after that, axis (k - 16) / 2 (X, Y, Z, Rx, Ry, Rz, slider 1, slider 2), its minus
// half for even k and its plus half for odd k. Then three that only XInput pads have: the guide
// button and each trigger on its own.
constexpr int kMaxHats = 4;
constexpr int kHatDirections = 4;
constexpr int kControlAxes = 8;
constexpr int kHatControls = kMaxHats * kHatDirections;
constexpr int kAxisControlsEnd = kHatControls + 2 * kControlAxes;  // 32
constexpr int kGuideControl = kAxisControlsEnd;
constexpr int kLeftTriggerControl = kAxisControlsEnd + 1;
constexpr int kRightTriggerControl = kAxisControlsEnd + 2;
constexpr int kControlCount = kAxisControlsEnd + 3;  // 35
// The bit of control k in a set of controls (controlRows and its kin).
constexpr uint64_t ControlBit(int control) { return uint64_t{1} << control; }
constexpr uint64_t kPadControls =
    ControlBit(kGuideControl) | ControlBit(kLeftTriggerControl) | ControlBit(kRightTriggerControl);

// A half-axis is pressed from press percent of its half-range on and let go only under release
// percent, so a stick resting near one threshold does not make its key chatter.
constexpr int kDefaultPressPercent = 50;
constexpr int kDefaultReleasePercent = 40;
constexpr int kMinThresholdPercent = 1;
constexpr int kMaxThresholdPercent = 99;
// A trigger (0-255) is pressed from 12% of its travel (30 of 255) and let go under 8%.
constexpr int kDefaultTriggerPressPercent = 12;
constexpr int kDefaultTriggerReleasePercent = 8;
struct AxisThresholds {
  uint8_t pressPercent = kDefaultPressPercent;
  uint8_t releasePercent = kDefaultReleasePercent;
  bool operator==(const AxisThresholds&) const = default;
};
// Release below press, both 1-99.
bool ValidThresholds(int pressPercent, int releasePercent);

inline bool IsHalfAxis(int control) {
  return control >= kHatControls && control < kAxisControlsEnd;
}
inline bool IsTrigger(int control) {
  return control == kLeftTriggerControl || control == kRightTriggerControl;
}
// The controls that are pressed past thresholds: the half-axes and the triggers.
inline bool HasThresholds(int control) { return IsHalfAxis(control) || IsTrigger(control); }
// What a control's thresholds are until they are set.
constexpr AxisThresholds DefaultThresholds(int control) {
  return control == kLeftTriggerControl || control == kRightTriggerControl
             ? AxisThresholds{kDefaultTriggerPressPercent, kDefaultTriggerReleasePercent}
             : AxisThresholds{};
}

constexpr std::array<AxisThresholds, kControlCount> DefaultControlThresholds() {
  std::array<AxisThresholds, kControlCount> all{};
  for (int k = 0; k < kControlCount; ++k) all[k] = DefaultThresholds(k);
  return all;
}

// "POV 1 Up", "X Axis -", "Slider 2 +": the control's name in the list.
const char* ControlRowName(int control);
// What players call a button or control of an XInput pad, as DirectInput lays such a pad out:
// "A" for button 0, "D-pad Up" for POV 1 Up, "Left Stick Left" for X Axis -; null for none.
const char* PadButtonName(int button);
const char* PadControlName(int control);
// "Pov1Up", "XMinus", "Slider2Plus": the control's name in the file.
const char* ControlFileName(int control);
// The control whose file name is the first length characters of text, in any letter case; -1.
int ControlOfFileName(const char* text, int length);

// The controls a controller has: bit k for control k, from its number of hats and the axes it
// lists (bit i: axis i of the state).
uint64_t ControlsOfController(uint32_t hats, uint8_t axesPresent);
class JoystickTable;
// The controls of an attached controller: those above, and for a pad read through XInput its
// triggers and, where the library reports it, its guide button.
uint64_t ControlsOfSlot(const JoystickTable& table, int slot);

// Whether a hat direction is pressed at a point-of-view value: a diagonal, or any angle between
// two directions, presses both; centred (LOWORD 0xFFFF) presses none.
bool HatDirectionPressed(uint32_t pov, int direction);
// Whether a half-axis is pressed at an axis value of the range -1000..1000, given whether it was.
bool HalfAxisPressed(int32_t value, bool minus, const AxisThresholds& thresholds, bool wasPressed);
// Whether a trigger is pressed at a value of 0..255, given whether it was.
bool TriggerPressed(uint8_t value, const AxisThresholds& thresholds, bool wasPressed);

}  // namespace tarvel
