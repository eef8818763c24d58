#include "model/Controls.h"

#include <cstdint>
#include <iterator>

#include "input/ControllerBackend.h"
#include "input/JoystickTable.h"

namespace tarvel {
namespace {

struct ControlNames {
  const char* row;
  const char* file;
};

constexpr ControlNames kNames[kControlCount] = {
    {"POV 1 Up", "Pov1Up"},
    {"POV 1 Right", "Pov1Right"},
    {"POV 1 Down", "Pov1Down"},
    {"POV 1 Left", "Pov1Left"},
    {"POV 2 Up", "Pov2Up"},
    {"POV 2 Right", "Pov2Right"},
    {"POV 2 Down", "Pov2Down"},
    {"POV 2 Left", "Pov2Left"},
    {"POV 3 Up", "Pov3Up"},
    {"POV 3 Right", "Pov3Right"},
    {"POV 3 Down", "Pov3Down"},
    {"POV 3 Left", "Pov3Left"},
    {"POV 4 Up", "Pov4Up"},
    {"POV 4 Right", "Pov4Right"},
    {"POV 4 Down", "Pov4Down"},
    {"POV 4 Left", "Pov4Left"},
    {"X Axis -", "XMinus"},
    {"X Axis +", "XPlus"},
    {"Y Axis -", "YMinus"},
    {"Y Axis +", "YPlus"},
    {"Z Axis -", "ZMinus"},
    {"Z Axis +", "ZPlus"},
    {"Rx Axis -", "RxMinus"},
    {"Rx Axis +", "RxPlus"},
    {"Ry Axis -", "RyMinus"},
    {"Ry Axis +", "RyPlus"},
    {"Rz Axis -", "RzMinus"},
    {"Rz Axis +", "RzPlus"},
    {"Slider 1 -", "Slider1Minus"},
    {"Slider 1 +", "Slider1Plus"},
    {"Slider 2 -", "Slider2Minus"},
    {"Slider 2 +", "Slider2Plus"},
    {"Guide", "Guide"},
    {"Left Trigger", "LeftTrigger"},
    {"Right Trigger", "RightTrigger"},
};

// DirectInput's buttons 1-10 of an XInput pad.
constexpr const char* kPadButtonNames[] = {"A",  "B",    "X",     "Y",          "LB",
                                           "RB", "Back", "Start", "Left Stick", "Right Stick"};
// Its POV 1 and its axes X, Y, Z (both triggers folded), Rx and Ry.
constexpr const char* kPadControlNames[kAxisControlsEnd] = {
    "D-pad Up",
    "D-pad Right",
    "D-pad Down",
    "D-pad Left",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "Left Stick Left",
    "Left Stick Right",
    "Left Stick Up",
    "Left Stick Down",
    "Right Trigger",
    "Left Trigger",
    "Right Stick Left",
    "Right Stick Right",
    "Right Stick Up",
    "Right Stick Down",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};
static_assert(kControlAxes == kStateAxes && kMaxHats == kStatePovs);

constexpr int32_t kFullDeflection = 1000;  // the range set on every axis is -1000..1000
constexpr int32_t kFullCircle = 36000;     // hundredths of a degree

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c | 0x20) : c; }

}  // namespace

bool ValidThresholds(int pressPercent, int releasePercent) {
  return releasePercent >= kMinThresholdPercent && pressPercent <= kMaxThresholdPercent &&
         releasePercent < pressPercent;
}

const char* ControlRowName(int control) {
  return control >= 0 && control < kControlCount ? kNames[control].row : "";
}

const char* PadButtonName(int button) {
  return button >= 0 && button < static_cast<int>(std::size(kPadButtonNames))
             ? kPadButtonNames[button]
             : nullptr;
}

const char* PadControlName(int control) {
  return control >= 0 && control < kAxisControlsEnd ? kPadControlNames[control] : nullptr;
}

const char* ControlFileName(int control) {
  return control >= 0 && control < kControlCount ? kNames[control].file : "";
}

int ControlOfFileName(const char* text, int length) {
  for (int k = 0; k < kControlCount; ++k) {
    const char* name = kNames[k].file;
    int i = 0;
    while (i < length && name[i] != '\0' && Lower(text[i]) == Lower(name[i])) ++i;
    if (i == length && name[i] == '\0') return k;
  }
  return -1;
}

uint64_t ControlsOfController(uint32_t hats, uint8_t axesPresent) {
  uint64_t controls = 0;
  const uint32_t hatCount = hats < kMaxHats ? hats : kMaxHats;
  for (uint32_t h = 0; h < hatCount; ++h) controls |= uint64_t{0xF} << (h * kHatDirections);
  for (int a = 0; a < kControlAxes; ++a)
    if (axesPresent & (1u << a)) controls |= uint64_t{3} << (kHatControls + 2 * a);
  return controls;
}

uint64_t ControlsOfSlot(const JoystickTable& table, int s) {
  if (s < 0 || s >= table.count) return 0;
  const JoystickSlot& slot = table.slots[s];
  uint64_t controls = ControlsOfController(slot.caps.povs, slot.axesPresent);
  if (slot.xinputUser >= 0 && table.XInput() != nullptr) {
    controls |= ControlBit(kLeftTriggerControl) | ControlBit(kRightTriggerControl);
    if (table.XInput()->HasGuide()) controls |= ControlBit(kGuideControl);
  }
  return controls;
}

bool HatDirectionPressed(uint32_t pov, int direction) {
  if ((pov & 0xFFFF) == 0xFFFF) return false;
  const int32_t angle = static_cast<int32_t>(pov % kFullCircle);
  int32_t distance = angle - direction * (kFullCircle / 4);
  if (distance < 0) distance = -distance;
  if (distance > kFullCircle / 2) distance = kFullCircle - distance;
  return distance < kFullCircle / 4;
}

bool HalfAxisPressed(int32_t value, bool minus, const AxisThresholds& thresholds, bool wasPressed) {
  const int64_t deflection = minus ? -int64_t{value} : int64_t{value};
  const int percent = wasPressed ? thresholds.releasePercent : thresholds.pressPercent;
  const int64_t threshold = int64_t{percent} * kFullDeflection / 100;
  return wasPressed ? deflection >= threshold : deflection >= threshold && deflection > 0;
}

}  // namespace tarvel

namespace tarvel {

bool TriggerPressed(uint8_t value, const AxisThresholds& thresholds, bool wasPressed) {
  constexpr int kTriggerTravel = 255;
  const int percent = wasPressed ? thresholds.releasePercent : thresholds.pressPercent;
  const int threshold = percent * kTriggerTravel / 100;
  return wasPressed ? value >= threshold : value >= threshold && value > 0;
}

}  // namespace tarvel
