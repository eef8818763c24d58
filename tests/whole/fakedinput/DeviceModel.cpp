#include "DeviceModel.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace fakedinput {

namespace {

struct AxisKind {
  const GUID* guid;
  DWORD offset;
  WORD usage;
  const char* name;
};

const AxisKind kAxes[kMaxAxes] = {
    {&GUID_XAxis, offsetof(DIJOYSTATE2, lX), 0x30, "X Axis"},
    {&GUID_YAxis, offsetof(DIJOYSTATE2, lY), 0x31, "Y Axis"},
    {&GUID_ZAxis, offsetof(DIJOYSTATE2, lZ), 0x32, "Z Axis"},
    {&GUID_RxAxis, offsetof(DIJOYSTATE2, lRx), 0x33, "X Rotation"},
    {&GUID_RyAxis, offsetof(DIJOYSTATE2, lRy), 0x34, "Y Rotation"},
    {&GUID_RzAxis, offsetof(DIJOYSTATE2, lRz), 0x35, "Z Rotation"},
    {&GUID_Slider, offsetof(DIJOYSTATE2, rglSlider), 0x36, "Slider"},
    {&GUID_Slider, offsetof(DIJOYSTATE2, rglSlider) + sizeof(LONG), 0x36, "Slider 2"},
};

constexpr DWORD kTypeBits = 0xFF;  // DIDFT_RELAXIS .. DIDFT_NODATA
constexpr DWORD kAttributeBits =
    DIDFT_FFACTUATOR | DIDFT_FFEFFECTTRIGGER | DIDFT_OUTPUT | DIDFT_VENDORDEFINED | DIDFT_ALIAS;

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
    objects_[objectCount_++] = {
        ObjectKind::kAxis, i,    kAxes[i].guid, TypeOf(DIDFT_ABSAXIS, i), DIDOI_ASPECTPOSITION,
        kAxes[i].offset,   0x01, kAxes[i].usage};
    rangeMin_[i] = kDefaultRangeMin;
    rangeMax_[i] = kDefaultRangeMax;
  }
  for (int i = 0; i < povCount_; ++i) {
    objects_[objectCount_++] = {ObjectKind::kPov,
                                i,
                                &GUID_POV,
                                TypeOf(DIDFT_POV, i),
                                0,
                                static_cast<DWORD>(offsetof(DIJOYSTATE2, rgdwPOV) + i * 4),
                                0x01,
                                0x39};
  }
  for (int i = 0; i < buttonCount_; ++i) {
    objects_[objectCount_++] = {ObjectKind::kButton,
                                i,
                                &GUID_Button,
                                TypeOf(DIDFT_PSHBUTTON, i),
                                0,
                                static_cast<DWORD>(offsetof(DIJOYSTATE2, rgbButtons) + i),
                                0x09,
                                static_cast<WORD>(i + 1)};
  }
  for (int& offset : formatOffset_) offset = -1;
}

HRESULT DeviceModel::SetDataFormat(const DIDATAFORMAT* format) {
  if (format == nullptr || format->dwSize != sizeof(DIDATAFORMAT) ||
      format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) || format->dwDataSize == 0 ||
      format->dwDataSize % 4 != 0 || (format->dwNumObjs > 0 && format->rgodf == nullptr)) {
    return DIERR_INVALIDPARAM;
  }
  int offsets[kMaxObjects];
  for (int& offset : offsets) offset = -1;
  for (DWORD entry = 0; entry < format->dwNumObjs; ++entry) {
    const DIOBJECTDATAFORMAT& wanted = format->rgodf[entry];
    const DWORD wantedTypes = wanted.dwType & kTypeBits;
    const DWORD wantedInstance = DIDFT_GETINSTANCE(wanted.dwType);
    const bool anyInstance = wantedInstance == 0xFFFF;
    const DWORD wantedAspect = wanted.dwFlags & DIDOI_ASPECTMASK;
    int match = -1;
    for (int i = 0; i < objectCount_ && match < 0; ++i) {
      const DeviceObject& object = objects_[i];
      if (offsets[i] >= 0) continue;
      if (wantedTypes != 0 && (object.type & wantedTypes) == 0) continue;
      if (!anyInstance && static_cast<DWORD>(object.instance) != wantedInstance) continue;
      if (wanted.pguid != nullptr && !IsEqualGUID(*wanted.pguid, *object.guid)) continue;
      if (object.kind == ObjectKind::kAxis && wantedAspect != 0 &&
          wantedAspect != DIDOI_ASPECTPOSITION) {
        continue;
      }
      match = i;
    }
    if (match < 0) {
      if (wanted.dwType & DIDFT_OPTIONAL) continue;
      return DIERR_INVALIDPARAM;
    }
    const DWORD width = objects_[match].kind == ObjectKind::kButton ? 1 : 4;
    if (wanted.dwOfs % width != 0 || wanted.dwOfs + width > format->dwDataSize) {
      return DIERR_INVALIDPARAM;
    }
    offsets[match] = static_cast<int>(wanted.dwOfs);
  }
  std::memcpy(formatOffset_, offsets, sizeof(offsets));
  dataSize_ = format->dwDataSize;
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
  instance->dwOfs =
      formatOffset_[index] >= 0 ? static_cast<DWORD>(formatOffset_[index]) : object.nativeOffset;
  instance->dwType = object.type;
  instance->dwFlags = object.flags;
  instance->wUsagePage = object.usagePage;
  instance->wUsage = object.usage;
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

HRESULT DeviceModel::FindObject(DWORD how, DWORD id, int* object) const {
  constexpr DWORD kIdentity = DIDFT_INSTANCEMASK | kTypeBits;
  switch (how) {
    case DIPH_BYID:
      for (int i = 0; i < objectCount_; ++i) {
        if ((objects_[i].type & kIdentity) == (id & kIdentity)) {
          *object = i;
          return DI_OK;
        }
      }
      return DIERR_OBJECTNOTFOUND;
    case DIPH_BYOFFSET:
      if (!hasFormat_) return DIERR_NOTFOUND;
      for (int i = 0; i < objectCount_; ++i) {
        if (formatOffset_[i] >= 0 && static_cast<DWORD>(formatOffset_[i]) == id) {
          *object = i;
          return DI_OK;
        }
      }
      return DIERR_OBJECTNOTFOUND;
    default:
      return DIERR_UNSUPPORTED;
  }
}

HRESULT DeviceModel::SetRange(const DIPROPHEADER* header, unsigned* axesChanged) {
  *axesChanged = 0;
  if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER) ||
      header->dwSize != sizeof(DIPROPRANGE)) {
    return DIERR_INVALIDPARAM;
  }
  const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
  if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
  if (header->dwHow == DIPH_DEVICE) {
    if (header->dwObj != 0) return DIERR_INVALIDPARAM;
    for (int axis = 0; axis < axisCount_; ++axis) {
      rangeMin_[axis] = range->lMin;
      rangeMax_[axis] = range->lMax;
      *axesChanged |= 1u << axis;
    }
    return DI_OK;
  }
  int index;
  const HRESULT found = FindObject(header->dwHow, header->dwObj, &index);
  if (FAILED(found)) return found;
  if (objects_[index].kind != ObjectKind::kAxis) return DIERR_UNSUPPORTED;
  const int axis = objects_[index].instance;
  rangeMin_[axis] = range->lMin;
  rangeMax_[axis] = range->lMax;
  *axesChanged = 1u << axis;
  return DI_OK;
}

HRESULT DeviceModel::GetRange(DIPROPHEADER* header) const {
  if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER) ||
      header->dwSize != sizeof(DIPROPRANGE)) {
    return DIERR_INVALIDPARAM;
  }
  if (header->dwHow == DIPH_DEVICE) return DIERR_UNSUPPORTED;  // a range belongs to one axis
  int index;
  const HRESULT found = FindObject(header->dwHow, header->dwObj, &index);
  if (FAILED(found)) return found;
  if (objects_[index].kind != ObjectKind::kAxis) return DIERR_UNSUPPORTED;
  auto* range = reinterpret_cast<DIPROPRANGE*>(header);
  range->lMin = rangeMin_[objects_[index].instance];
  range->lMax = rangeMax_[objects_[index].instance];
  return DI_OK;
}

void DeviceModel::FillState(const volatile BYTE* buttons, void* state) const {
  auto* bytes = static_cast<BYTE*>(state);
  std::memset(bytes, 0, dataSize_);
  for (int i = 0; i < objectCount_; ++i) {
    if (formatOffset_[i] < 0) continue;
    BYTE* place = bytes + formatOffset_[i];
    const DeviceObject& object = objects_[i];
    switch (object.kind) {
      case ObjectKind::kAxis: {
        const LONG min = rangeMin_[object.instance];
        const LONG max = rangeMax_[object.instance];
        const LONG centre = static_cast<LONG>(min + (static_cast<LONGLONG>(max) - min) / 2);
        std::memcpy(place, &centre, sizeof(centre));
        break;
      }
      case ObjectKind::kPov: {
        const DWORD centred = 0xFFFFFFFF;
        std::memcpy(place, &centred, sizeof(centred));
        break;
      }
      case ObjectKind::kButton:
        *place = buttons[object.instance];
        break;
    }
  }
}

}  // namespace fakedinput
