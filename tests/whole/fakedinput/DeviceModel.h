// The objects of one fake game controller (axes, points of view, buttons), the axis ranges a
// program sets, and the state it reads. The program sets one data format, c_dfDIJoystick2, so the
// objects sit where DIJOYSTATE2 keeps them. Pure bookkeeping: it knows nothing of shared memory
// or reference counts.
#pragma once

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <windows.h>

#include "FakeDInputShared.h"

namespace fakedinput {

enum class ObjectKind { kAxis, kPov, kButton };

struct DeviceObject {
  ObjectKind kind;
  int instance;  // number within its kind
  const GUID* guid;
  DWORD type;    // DIDFT_* bits with DIDFT_MAKEINSTANCE(instance)
  DWORD flags;   // DIDOI_*
  DWORD offset;  // where DIJOYSTATE2 keeps it
};

inline constexpr int kMaxObjects = kMaxAxes + kMaxPovs + kMaxButtons;
inline constexpr LONG kDefaultRangeMin = 0;
inline constexpr LONG kDefaultRangeMax = 65535;

class DeviceModel {
 public:
  // Counts are clamped to the limits of FakeDInputShared.h.
  DeviceModel(int axes, int povs, int buttons);

  // Takes c_dfDIJoystick2 (DIERR_UNSUPPORTED for any other format, DIERR_INVALIDPARAM for a
  // malformed one). On failure the previous format stays.
  HRESULT SetDataFormat(const DIDATAFORMAT* format);
  bool HasDataFormat() const { return hasFormat_; }
  DWORD DataSize() const { return sizeof(DIJOYSTATE2); }

  // Calls back for every object whose type is in `flags` (DIDFT_ALL: every object) until the
  // callback answers DIENUM_STOP; `visited` counts the calls.
  HRESULT EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, void* context, DWORD flags,
                      LONG* visited) const;

  // DIPROP_RANGE of one axis named by its ID (DIPH_BYID), as the program sets it; `axis` gets
  // its number.
  HRESULT SetRange(const DIPROPHEADER* header, int* axis);
  LONG RangeMin(int axis) const { return rangeMin_[axis]; }
  LONG RangeMax(int axis) const { return rangeMax_[axis]; }

  // Writes a DIJOYSTATE2: axes at the centre of their range, points of view centred, each button
  // byte from `buttons` (one per button instance), zero where the device has no object.
  // axisPositions: per mille of each axis's half-range; povValues: 0 centred, else value + 1.
  void FillState(const volatile BYTE* buttons, const LONG* axisPositions, const LONG* povValues,
                 DIJOYSTATE2* state) const;

  int AxisCount() const { return axisCount_; }
  int PovCount() const { return povCount_; }
  int ButtonCount() const { return buttonCount_; }

 private:
  void DescribeObject(int index, DIDEVICEOBJECTINSTANCEA* instance) const;

  DeviceObject objects_[kMaxObjects];
  int objectCount_ = 0;
  int axisCount_ = 0;
  int povCount_ = 0;
  int buttonCount_ = 0;
  bool hasFormat_ = false;
  LONG rangeMin_[kMaxAxes];
  LONG rangeMax_[kMaxAxes];
};

}  // namespace fakedinput
