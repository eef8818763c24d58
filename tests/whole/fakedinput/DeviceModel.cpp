#include "DeviceModel.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace fakedinput {

namespace {

struct AxisKind {
  const GUID* guid;
  DWORD offset;
  const char* name;
};

const AxisKind kAxes[kMaxAxes] = {
    {&GUID_XAxis, offsetof(DIJOYSTATE2, lX), "X Axis"},
    {&GUID_YAxis, offsetof(DIJOYSTATE2, lY), "Y Axis"},
    {&GUID_ZAxis, offsetof(DIJOYSTATE2, lZ), "Z Axis"},
    {&GUID_RxAxis, offsetof(DIJOYSTATE2, lRx), "X Rotation"},
    {&GUID_RyAxis, offsetof(DIJOYSTATE2, lRy), "Y Rotation"},
    {&GUID_RzAxis, offsetof(DIJOYSTATE2, lRz), "Z Rotation"},
    {&GUID_Slider, offsetof(DIJOYSTATE2, rglSlider), "Slider"},
    {&GUID_Slider, offsetof(DIJOYSTATE2, rglSlider) + sizeof(LONG), "Slider 2"},
};

// c_dfDIJoystick2: 6 axes, 2 sliders, 4 points of view, 128 buttons, and the velocity,
// acceleration and force of the axes and sliders (3 x 8).
constexpr DWORD kJoystick2Objects = 8 + 4 + 128 + 3 * 8;

constexpr DWORD kTypeBits = 0xFF;  // DIDFT_RELAXIS .. DIDFT_NODATA
constexpr DWORD kAttributeBits =
    DIDFT_FFACTUATOR | DIDFT_FFEFFECTTRIGGER | DIDFT_OUTPUT | DIDFT_VENDORDEFINED | DIDFT_ALIAS;
constexpr DWORD kIdentityBits = DIDFT_INSTANCEMASK | kTypeBits;

DWORD TypeOf(DWORD kind, int instance) {
  return kind | static_cast<DWORD>(DIDFT_MAKEINSTANCE(instance));
}

int Clamp(int value, int limit) { return value < 0 ? 0 : (value > limit ? limit : value); }

}  // namespace

DeviceModel::DeviceModel(int axes, int povs, int buttons) {
  axisCount_ = Clamp(axes, kMaxAxes);
  povCount_ = Clamp(povs, kMaxPovs);
  buttonCount_ = Clamp(buttons, kMaxButtons);
  for (int i = 0; i < axisCount_; ++i) {
    objects_[objectCount_++] = {ObjectKind::kAxis,    i,
                                kAxes[i].guid,        TypeOf(DIDFT_ABSAXIS, i),
                                DIDOI_ASPECTPOSITION, kAxes[i].offset};
    rangeMin_[i] = kDefaultRangeMin;
    rangeMax_[i] = kDefaultRangeMax;
  }
  for (int i = 0; i < povCount_; ++i) {
    objects_[objectCount_++] = {
        ObjectKind::kPov,     i, &GUID_POV,
        TypeOf(DIDFT_POV, i), 0, static_cast<DWORD>(offsetof(DIJOYSTATE2, rgdwPOV) + i * 4)};
  }
  for (int i = 0; i < buttonCount_; ++i) {
    objects_[objectCount_++] = {
        ObjectKind::kButton,        i, &GUID_Button,
        TypeOf(DIDFT_PSHBUTTON, i), 0, static_cast<DWORD>(offsetof(DIJOYSTATE2, rgbButtons) + i)};
  }
}

HRESULT DeviceModel::SetDataFormat(const DIDATAFORMAT* format) {
  if (format == nullptr || format->dwSize != sizeof(DIDATAFORMAT) ||
      format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) || format->dwDataSize == 0 ||
      format->dwDataSize % 4 != 0 || (format->dwNumObjs > 0 && format->rgodf == nullptr)) {
    return DIERR_INVALIDPARAM;
  }
  if (format->dwDataSize != sizeof(DIJOYSTATE2) || format->dwNumObjs != kJoystick2Objects ||
      format->dwFlags != DIDF_ABSAXIS) {
    return DIERR_UNSUPPORTED;
  }
  hasFormat_ = true;
  return DI_OK;
}

HRESULT DeviceModel::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, void* context,
                                 DWORD flags, LONG* visited) const {
  *visited = 0;
  if (callback == nullptr) return DIERR_INVALIDPARAM;
  const DWORD types = flags & kTypeBits;
  // None of our objects has force feedback, output or aliases.
  if (flags & kAttributeBits) return DI_OK;
  for (int i = 0; i < objectCount_; ++i) {
    if (types != 0 && (objects_[i].type & types) == 0) continue;
    DIDEVICEOBJECTINSTANCEA instance;
    DescribeObject(i, &instance);
    ++*visited;
    if (callback(&instance, context) == DIENUM_STOP) break;
  }
  return DI_OK;
}

void DeviceModel::DescribeObject(int index, DIDEVICEOBJECTINSTANCEA* instance) const {
  const DeviceObject& object = objects_[index];
  std::memset(instance, 0, sizeof(*instance));
  instance->dwSize = sizeof(*instance);
  instance->guidType = *object.guid;
  instance->dwOfs = object.offset;
  instance->dwType = object.type;
  instance->dwFlags = object.flags;
  switch (object.kind) {
    case ObjectKind::kAxis:
      std::snprintf(instance->tszName, sizeof(instance->tszName), "%s",
                    kAxes[object.instance].name);
      break;
    case ObjectKind::kPov:
      std::snprintf(instance->tszName, sizeof(instance->tszName), "Hat Switch %d", object.instance);
      break;
    case ObjectKind::kButton:
      std::snprintf(instance->tszName, sizeof(instance->tszName), "Button %d", object.instance);
      break;
  }
}

HRESULT DeviceModel::SetRange(const DIPROPHEADER* header, int* axis) {
  if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER) ||
      header->dwSize != sizeof(DIPROPRANGE)) {
    return DIERR_INVALIDPARAM;
  }
  if (header->dwHow != DIPH_BYID) return DIERR_UNSUPPORTED;
  const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
  if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
  for (int i = 0; i < objectCount_; ++i) {
    const DeviceObject& object = objects_[i];
    if ((object.type & kIdentityBits) != (header->dwObj & kIdentityBits)) continue;
    if (object.kind != ObjectKind::kAxis) return DIERR_UNSUPPORTED;
    *axis = object.instance;
    rangeMin_[*axis] = range->lMin;
    rangeMax_[*axis] = range->lMax;
    return DI_OK;
  }
  return DIERR_OBJECTNOTFOUND;
}

void DeviceModel::FillState(const volatile BYTE* buttons, const LONG* axisPositions,
                            const LONG* povValues, DIJOYSTATE2* state) const {
  auto* bytes = reinterpret_cast<BYTE*>(state);
  std::memset(bytes, 0, sizeof(*state));
  for (int i = 0; i < objectCount_; ++i) {
    const DeviceObject& object = objects_[i];
    BYTE* place = bytes + object.offset;
    switch (object.kind) {
      case ObjectKind::kAxis: {
        const LONG min = rangeMin_[object.instance];
        const LONG max = rangeMax_[object.instance];
        const LONGLONG half = (static_cast<LONGLONG>(max) - min) / 2;
        const LONG value =
            static_cast<LONG>(min + half + half * axisPositions[object.instance] / 1000);
        std::memcpy(place, &value, sizeof(value));
        break;
      }
      case ObjectKind::kPov: {
        const LONG stored = povValues[object.instance];
        const DWORD value = stored == 0 ? 0xFFFFFFFF : static_cast<DWORD>(stored) - 1;
        std::memcpy(place, &value, sizeof(value));
        break;
      }
      case ObjectKind::kButton:
        *place = buttons[object.instance];
        break;
    }
  }
}

}  // namespace fakedinput
