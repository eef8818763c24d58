#include "input/XInputLayout.h"

#include <cstring>

namespace tarvel {
namespace {

// DirectInput's buttons 1-10 of such a pad, by their XInput bits.
constexpr uint16_t kButtonBits[kPadButtons] = {
    kPadA,    kPadB,     kPadX,         kPadY,         kPadLeftShoulder, kPadRightShoulder,
    kPadBack, kPadStart, kPadLeftThumb, kPadRightThumb};

constexpr uint32_t kCentred = 0xFFFFFFFFu;

void PutDword(JoystickState* state, int offset, uint32_t value) {
  std::memcpy(state->bytes + offset, &value, 4);
}

// A stick's reach, from its lowest value to its highest, onto -1000..1000 as DirectInput maps
// its range; rounded so that the middle is 0.
int32_t StickAxis(int32_t fromLowest) {
  return static_cast<int32_t>((int64_t{fromLowest} * 2000 + 32767) / 65535) - 1000;
}

uint32_t DpadAngle(uint16_t buttons) {
  const bool up = (buttons & kPadDpadUp) != 0 && (buttons & kPadDpadDown) == 0;
  const bool down = (buttons & kPadDpadDown) != 0 && (buttons & kPadDpadUp) == 0;
  const bool left = (buttons & kPadDpadLeft) != 0 && (buttons & kPadDpadRight) == 0;
  const bool right = (buttons & kPadDpadRight) != 0 && (buttons & kPadDpadLeft) == 0;
  if (up) return right ? 4500 : left ? 31500 : 0;
  if (down) return right ? 13500 : left ? 22500 : 18000;
  if (right) return 9000;
  if (left) return 27000;
  return kCentred;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

}  // namespace

void LayOutPadState(const XInputGamepad& pad, JoystickState* state, PadControls* controls) {
  std::memset(state->bytes, 0, sizeof state->bytes);
  PutDword(state, 0, static_cast<uint32_t>(StickAxis(int32_t{pad.thumbLX} + 32768)));
  PutDword(state, 4, static_cast<uint32_t>(StickAxis(32767 - int32_t{pad.thumbLY})));
  PutDword(
      state, 8,
      static_cast<uint32_t>((int32_t{pad.leftTrigger} - int32_t{pad.rightTrigger}) * 1000 / 255));
  PutDword(state, 12, static_cast<uint32_t>(StickAxis(int32_t{pad.thumbRX} + 32768)));
  PutDword(state, 16, static_cast<uint32_t>(StickAxis(32767 - int32_t{pad.thumbRY})));
  PutDword(state, 32, DpadAngle(pad.buttons));
  for (int h = 1; h < kStatePovs; ++h) PutDword(state, 32 + 4 * h, kCentred);
  for (uint32_t b = 0; b < kPadButtons; ++b)
    state->bytes[kButtonsOffset + b] = (pad.buttons & kButtonBits[b]) != 0 ? 0x80 : 0x00;
  controls->guide = (pad.buttons & kPadGuide) != 0;
  controls->leftTrigger = pad.leftTrigger;
  controls->rightTrigger = pad.rightTrigger;
}

bool IsXInputDevicePath(const char* path) {
  if (path == nullptr) return false;
  for (const char* p = path; p[0] != '\0' && p[1] != '\0' && p[2] != '\0'; ++p)
    if (Upper(p[0]) == 'I' && Upper(p[1]) == 'G' && p[2] == '_') return true;
  return false;
}

void PairPadsInOrder(const bool* isPad, const int8_t* keepUser, int slotCount,
                     const bool* userPresent, int8_t* userOfSlot) {
  bool taken[kXInputUsers] = {};
  for (int s = 0; s < slotCount; ++s) {
    userOfSlot[s] = -1;
    const int kept = keepUser != nullptr ? keepUser[s] : -1;
    if (!isPad[s] || kept < 0 || kept >= kXInputUsers || !userPresent[kept] || taken[kept])
      continue;
    userOfSlot[s] = static_cast<int8_t>(kept);
    taken[kept] = true;
  }
  int next = 0;
  for (int s = 0; s < slotCount; ++s) {
    if (!isPad[s] || userOfSlot[s] >= 0) continue;
    while (next < kXInputUsers && (!userPresent[next] || taken[next])) ++next;
    if (next >= kXInputUsers) return;
    userOfSlot[s] = static_cast<int8_t>(next);
    taken[next++] = true;
  }
}

bool CorrectPairing(const bool* padChanged, const bool* userChanged, int slotCount,
                    int8_t* userOfSlot) {
  int pad = -1;
  int pads = 0;
  for (int s = 0; s < slotCount; ++s)
    if (padChanged[s]) {
      pad = s;
      ++pads;
    }
  int user = -1;
  int users = 0;
  for (int u = 0; u < kXInputUsers; ++u)
    if (userChanged[u]) {
      user = u;
      ++users;
    }
  if (pads != 1 || users != 1 || userOfSlot[pad] == user) return false;
  // The pad that had this user takes the pad's former one.
  for (int s = 0; s < slotCount; ++s)
    if (userOfSlot[s] == user) userOfSlot[s] = userOfSlot[pad];
  userOfSlot[pad] = static_cast<int8_t>(user);
  return true;
}

}  // namespace tarvel
