#pragma once
#include <cstdint>

namespace tarvel {

// The controls of a controller other than its buttons, each a row of its own after the buttons:
// the four directions of up to four points of view (hats), then the two halves of the eight axes
// of the joystick state. Control k is hat k / 4, direction k % 4 (Up, Right, Down, Left) for k
// below 16; after that, axis (k - 16) / 2 (X, Y, Z, Rx, Ry, Rz, slider 1, slider 2), its minus
// half for even k and its plus half for odd k.
constexpr int kMaxHats = 4;
constexpr int kHatDirections = 4;
constexpr int kControlAxes = 8;
constexpr int kHatControls = kMaxHats * kHatDirections;
constexpr int kControlCount = kHatControls + 2 * kControlAxes;  // 32

// A half-axis is pressed from press percent of its half-range on and let go only under release
// percent, so a stick resting near one threshold does not make its key chatter.
constexpr int kDefaultPressPercent = 50;
constexpr int kDefaultReleasePercent = 40;
constexpr int kMinThresholdPercent = 1;
constexpr int kMaxThresholdPercent = 99;
struct AxisThresholds {
  uint8_t pressPercent = kDefaultPressPercent;
  uint8_t releasePercent = kDefaultReleasePercent;
};
// Release below press, both 1-99.
bool ValidThresholds(int pressPercent, int releasePercent);

inline bool IsHalfAxis(int control) { return control >= kHatControls && control < kControlCount; }

// "POV 1 Up", "X Axis -", "Slider 2 +": the control's name in the list.
const char* ControlRowName(int control);
// "Pov1Up", "XMinus", "Slider2Plus": the control's name in the file.
const char* ControlFileName(int control);
// The control whose file name is the first length characters of text, in any letter case; -1.
int ControlOfFileName(const char* text, int length);

// The controls a controller has: bit k for control k, from its number of hats and the axes it
// lists (bit i: axis i of the state).
uint32_t ControlsOfController(uint32_t hats, uint8_t axesPresent);

// Whether a hat direction is pressed at a point-of-view value: a diagonal, or any angle between
// two directions, presses both; centred (LOWORD 0xFFFF) presses none.
bool HatDirectionPressed(uint32_t pov, int direction);
// Whether a half-axis is pressed at an axis value of the range -1000..1000, given whether it was.
bool HalfAxisPressed(int32_t value, bool minus, const AxisThresholds& thresholds, bool wasPressed);

}  // namespace tarvel
