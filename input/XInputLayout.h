#pragma once
#include <cstdint>

#include "input/ControllerBackend.h"
#include "input/XInputBackend.h"

namespace tarvel {

// What an XInput pad has beyond what DirectInput shows of it.
struct PadControls {
  bool guide = false;
  uint8_t leftTrigger = 0;  // 0-255
  uint8_t rightTrigger = 0;
};

// An XInput pad's state laid out as DirectInput lays out such a pad in DIJOYSTATE2, axes in the
// range -1000..1000, so that a configuration made for its DirectInput side keeps its meaning:
// buttons 1-10 A, B, X, Y, LB, RB, Back, Start, left stick, right stick; POV 1 the D-pad; X/Y the
// left stick and Rx/Ry the right one, Y growing downwards; Z both triggers folded into one axis
// (left towards +, right towards -, both pulled at the centre).
void LayOutPadState(const XInputGamepad& pad, JoystickState* state, PadControls* controls);

// The axes a pad has as DirectInput shows it (bit i: axis i of the state): X, Y, Z, Rx, Ry.
constexpr uint8_t kPadAxes = 0x1F;
constexpr uint32_t kPadButtons = 10;

// Whether a DirectInput device path (DIPROP_GUIDANDPATH) is that of an XInput pad: it holds
// "IG_" in any letter case.
bool IsXInputDevicePath(const char* path);

// Pads found through DirectInput (isPad, in its order) paired with the XInput users that answer,
// the first pad with the first user in use and so on: userOfSlot[s] is the user or -1. A user
// that a previous pairing tied to one of these pads (keepUser, -1 for none) keeps it.
void PairPadsInOrder(const bool* isPad, const int8_t* keepUser, int slotCount,
                     const bool* userPresent, int8_t* userOfSlot);

// Evidence from one pass while the program has the focus, so that DirectInput sees the pads:
// the DirectInput pads whose state changed and the users whose packet changed. When exactly one
// of each changed and they are not paired with each other, the two pairings are swapped (or the
// user moved to that pad). Returns whether the pairing changed.
bool CorrectPairing(const bool* padChanged, const bool* userChanged, int slotCount,
                    int8_t* userOfSlot);

}  // namespace tarvel
