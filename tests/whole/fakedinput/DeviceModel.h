// The objects of one fake game controller (axes, points of view, buttons) and what a program has
// chosen for them: the data format that places them in its state buffer and the axis ranges.
// Pure bookkeeping: it knows nothing of shared memory or reference counts.
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
  DWORD type;          // DIDFT_* bits with DIDFT_MAKEINSTANCE(instance)
  DWORD flags;         // DIDOI_*
  DWORD nativeOffset;  // where DIJOYSTATE2 keeps it
  WORD usagePage;
  WORD usage;
};

inline constexpr int kMaxObjects = kMaxAxes + kMaxPovs + kMaxButtons;
inline constexpr LONG kDefaultRangeMin = 0;
inline constexpr LONG kDefaultRangeMax = 65535;

class DeviceModel {
 public:
  // Counts are clamped to the limits of FakeDInputShared.h.
  DeviceModel(int axes, int povs, int buttons);

  int ObjectCount() const { return objectCount_; }
  const DeviceObject& Object(int index) const { return objects_[index]; }

  // Places the objects as the format asks, the way DirectInput matches them: each format entry
  // takes the first unused object of its type (and GUID and instance, when given). Entries
  // marked DIDFT_OPTIONAL may stay unmatched. On failure the previous format stays.
  HRESULT SetDataFormat(const DIDATAFORMAT* format);
  bool HasDataFormat() const { return hasFormat_; }
  DWORD DataSize() const { return dataSize_; }

  // Calls back for every object whose type is in `flags` (DIDFT_ALL: every object) until the
  // callback answers DIENUM_STOP; `visited` counts the calls.
  HRESULT EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, void* context, DWORD flags,
                      LONG* visited) const;
  void DescribeObject(int index, DIDEVICEOBJECTINSTANCEA* instance) const;

  // DIPROP_RANGE by device (all axes), by ID or by offset. `axesChanged` gets bit i for axis i.
  HRESULT SetRange(const DIPROPHEADER* header, unsigned* axesChanged);
  HRESULT GetRange(DIPROPHEADER* header) const;
  LONG RangeMin(int axis) const { return rangeMin_[axis]; }
  LONG RangeMax(int axis) const { return rangeMax_[axis]; }

  // Writes a state of DataSize() bytes: axes at the centre of their range, points of view
  // centred, each button byte from `buttons` (one per button instance).
  void FillState(const volatile BYTE* buttons, void* state) const;

  int AxisCount() const { return axisCount_; }
  int PovCount() const { return povCount_; }
  int ButtonCount() const { return buttonCount_; }

  // Index of the object named by ID (DIPH_BYID) or by its offset in the data format
  // (DIPH_BYOFFSET), or a failure code.
  HRESULT FindObject(DWORD how, DWORD id, int* object) const;

 private:
  DeviceObject objects_[kMaxObjects];
  int objectCount_ = 0;
  int axisCount_ = 0;
  int povCount_ = 0;
  int buttonCount_ = 0;

  bool hasFormat_ = false;
  DWORD dataSize_ = 0;
  int formatOffset_[kMaxObjects];  // offset in the program's state, -1 = not in its format

  LONG rangeMin_[kMaxAxes];
  LONG rangeMax_[kMaxAxes];
};

}  // namespace fakedinput
