#include "model/PointerMotion.h"

#include <algorithm>
#include <cmath>

namespace tarvel {
namespace {

constexpr double kFullDeflection = 1000.0;  // the range set on every axis is -1000..1000

struct PairNames {
  StickPair pair;
  const char* file;
  int horizontal;
  int vertical;
};
constexpr PairNames kPairs[] = {
    {StickPair::XY, "XY", 0, 1}, {StickPair::RxRy, "RxRy", 3, 4}, {StickPair::ZRz, "ZRz", 2, 5}};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c | 0x20) : c; }

bool SameWord(const char* text, int length, const char* word) {
  int i = 0;
  while (i < length && word[i] != '\0' && Lower(text[i]) == Lower(word[i])) ++i;
  return i == length && word[i] == '\0';
}

double DeadZone(int percent) {
  return std::clamp(percent, kMinDeadZonePercent, kMaxDeadZonePercent) / 100.0;
}

// The whole units of value + carried, toward zero; the rest is carried on.
int32_t TakeWhole(double value, double* carried) {
  const double total = value + *carried;
  const double whole = std::trunc(total);
  *carried = total - whole;
  return static_cast<int32_t>(whole);
}

}  // namespace

bool AxesOfPair(StickPair pair, int* horizontal, int* vertical) {
  for (const PairNames& p : kPairs) {
    if (p.pair != pair) continue;
    *horizontal = p.horizontal;
    *vertical = p.vertical;
    return true;
  }
  return false;
}

const char* StickPairFileName(StickPair pair) {
  for (const PairNames& p : kPairs)
    if (p.pair == pair) return p.file;
  return "";
}

bool StickPairOfFileName(const char* text, int length, StickPair* pair) {
  if (SameWord(text, length, "None")) {
    *pair = StickPair::None;
    return true;
  }
  for (const PairNames& p : kPairs) {
    if (!SameWord(text, length, p.file)) continue;
    *pair = p.pair;
    return true;
  }
  return false;
}

double DeflectionPastDeadZone(int32_t x, int32_t y, int deadZonePercent) {
  const double r =
      std::min(1.0, std::hypot(static_cast<double>(x), static_cast<double>(y)) / kFullDeflection);
  const double d = DeadZone(deadZonePercent);
  return r <= d ? 0.0 : (r - d) / (1.0 - d);
}

MotionStep PointerStep(int32_t x, int32_t y, int deadZonePercent, double topSpeed,
                       int64_t elapsedUs, MotionRemainder* remainder) {
  const double s = DeflectionPastDeadZone(x, y, deadZonePercent);
  if (s <= 0.0) {
    *remainder = MotionRemainder();
    return MotionStep();
  }
  const double length = std::hypot(static_cast<double>(x), static_cast<double>(y));
  const double pixels =
      topSpeed * s * s * static_cast<double>(std::max<int64_t>(elapsedUs, 0)) / 1e6;
  MotionStep step;
  step.dx = TakeWhole(pixels * x / length, &remainder->x);
  step.dy = TakeWhole(pixels * y / length, &remainder->y);
  return step;
}

MotionStep ScrollStep(int32_t x, int32_t y, int deadZonePercent, int64_t elapsedUs,
                      MotionRemainder* remainder) {
  const double d = DeadZone(deadZonePercent);
  const double seconds = static_cast<double>(std::max<int64_t>(elapsedUs, 0)) / 1e6;
  // The rate of one axis; its remainder is cleared when it rests inside the dead zone.
  auto notches = [&](int32_t value, double* carried) {
    const double a = std::min(1.0, std::fabs(static_cast<double>(value)) / kFullDeflection);
    if (a <= d) {
      *carried = 0;
      return 0;
    }
    const double rate = kMaxScrollNotchesPerSecond * (a - d) / (1.0 - d);
    return TakeWhole((value < 0 ? -rate : rate) * seconds, carried);
  };
  MotionStep step;
  step.dx = notches(x, &remainder->x);
  step.dy = -notches(y, &remainder->y);  // the axis grows downwards; the wheel turns up
  return step;
}

}  // namespace tarvel
