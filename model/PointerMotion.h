#pragma once
#include <cstdint>

namespace tarvel {

// A stick that moves the pointer or turns the wheel: the pair of axes it is made of.
enum class StickPair : uint8_t { None, XY, RxRy, ZRz };
constexpr int kStickPairCount = 4;

constexpr int kMinPointerSpeed = 100;  // pixels a second at full deflection, on a 100 % screen
constexpr int kMaxPointerSpeed = 5000;
constexpr int kDefaultPointerSpeed = 1200;
constexpr int kMinDeadZonePercent = 0;
constexpr int kMaxDeadZonePercent = 90;
constexpr int kDefaultDeadZonePercent = 15;
constexpr int kMaxScrollNotchesPerSecond = 20;
// While a stick is out of its dead zone the pointer moves this often at least.
constexpr int kPointerTickMs = 4;

struct PointerSettings {
  StickPair pair = StickPair::None;
  uint16_t speed = kDefaultPointerSpeed;
  uint8_t deadZone = kDefaultDeadZonePercent;
};
struct ScrollSettings {
  StickPair pair = StickPair::None;
  uint8_t deadZone = kDefaultDeadZonePercent;
};

// The state's axes (0 X, 1 Y, 2 Z, 3 Rx, 4 Ry, 5 Rz) of a pair: horizontal, then vertical.
// False for None.
bool AxesOfPair(StickPair pair, int* horizontal, int* vertical);
// "XY", "RxRy", "ZRz"; "" for None.
const char* StickPairFileName(StickPair pair);
// The pair of a file name in any letter case ("None" too); false when it names none.
bool StickPairOfFileName(const char* text, int length, StickPair* pair);

// How far a stick at x, y (each -1000..1000) is pushed past a radial dead zone, 0 at its edge to
// 1 at the rim, so that motion starts from nothing.
double DeflectionPastDeadZone(int32_t x, int32_t y, int deadZonePercent);

// Fractions of a pixel or of a notch, carried from one move to the next.
struct MotionRemainder {
  double x = 0;
  double y = 0;
};
struct MotionStep {
  int32_t dx = 0;
  int32_t dy = 0;
};

// One move of the pointer for a stick at x, y held for elapsedUs: topSpeed (pixels a second)
// times the square of the deflection past the dead zone, along the stick's direction. The whole
// pixels are the move; the fractions stay in remainder. Inside the dead zone the move is 0 and
// the remainder is cleared.
MotionStep PointerStep(int32_t x, int32_t y, int deadZonePercent, double topSpeed,
                       int64_t elapsedUs, MotionRemainder* remainder);

// The wheel for a scrolling stick: each axis past the dead zone turns it at up to 20 notches a
// second, in proportion. dx: notches to the right; dy: notches away from the user (stick up).
MotionStep ScrollStep(int32_t x, int32_t y, int deadZonePercent, int64_t elapsedUs,
                      MotionRemainder* remainder);

}  // namespace tarvel
