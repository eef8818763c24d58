#define DIRECTINPUT_VERSION 0x0800
#include "platform/win32/DirectInputBackend.h"

#include <dinput.h>
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "platform/win32/GuidConversion.h"

namespace tarvel {

static_assert(sizeof(DeviceCaps) == sizeof(DIDEVCAPS));
static_assert(offsetof(DIDEVCAPS, dwButtons) == offsetof(DeviceCaps, buttons));
static_assert(offsetof(DIDEVCAPS, dwFFDriverVersion) == offsetof(DeviceCaps, ffDriverVersion));
static_assert(sizeof(DIJOYSTATE2) == kJoystickStateSize);
static_assert(offsetof(DIJOYSTATE2, rgbButtons) == kButtonsOffset);
static_assert(sizeof(DIPROPRANGE) == 24 && sizeof(DIPROPHEADER) == 16);
static_assert(sizeof(ControllerInstance::productName) == sizeof(DIDEVICEINSTANCEA::tszProductName));

namespace {

Result ToResult(HRESULT hr) { return static_cast<Result>(hr); }

// Carries the program's callback through DirectInput's context pointer.
struct DeviceEnumContext {
  DeviceEnumCallback callback;
  void* context;
};

struct ObjectEnumContext {
  ObjectEnumCallback callback;
  void* context;
};

BOOL CALLBACK OnDevice(LPCDIDEVICEINSTANCEA instance, LPVOID context) noexcept {
  const auto* enumContext = static_cast<const DeviceEnumContext*>(context);
  ControllerInstance translated;
  translated.instanceGuid = ToGuid(instance->guidInstance);
  translated.productGuid = ToGuid(instance->guidProduct);
  // The name is copied whole but always ends with a zero, whatever the driver put there.
  std::memcpy(translated.productName, instance->tszProductName, sizeof(translated.productName));
  translated.productName[sizeof(translated.productName) - 1] = '\0';
  return enumContext->callback(translated, enumContext->context);
}

BOOL CALLBACK OnObject(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) noexcept {
  const auto* enumContext = static_cast<const ObjectEnumContext*>(context);
  ControllerObject translated;
  translated.type = object->dwType;
  translated.guidType = ToGuid(object->guidType);
  return enumContext->callback(translated, enumContext->context);
}

}  // namespace

Result DirectInputDevice::SetDataFormatJoystick2() {
  return ToResult(device_->SetDataFormat(&c_dfDIJoystick2));
}

Result DirectInputDevice::SetCooperativeLevel(WindowHandle window, uint32_t flags) {
  return ToResult(device_->SetCooperativeLevel(static_cast<HWND>(window), flags));
}

Result DirectInputDevice::EnumObjects(ObjectEnumCallback callback, void* context, uint32_t flags) {
  ObjectEnumContext enumContext{callback, context};
  return ToResult(device_->EnumObjects(OnObject, &enumContext, flags));
}

Result DirectInputDevice::GetCapabilities(DeviceCaps* caps) {
  DIDEVCAPS native;
  std::memcpy(&native, static_cast<const void*>(caps), sizeof(native));  // with the caller's dwSize
  const HRESULT hr = device_->GetCapabilities(&native);
  std::memcpy(static_cast<void*>(caps), &native, sizeof(native));
  return ToResult(hr);
}

Result DirectInputDevice::SetAxisRangeProperty(uint32_t objectType, uint32_t how, int32_t min,
                                               int32_t max) {
  DIPROPRANGE range;
  range.diph.dwSize = sizeof(DIPROPRANGE);
  range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  range.diph.dwObj = objectType;
  range.diph.dwHow = how;
  range.lMin = min;
  range.lMax = max;
  return ToResult(device_->SetProperty(DIPROP_RANGE, &range.diph));
}

Result DirectInputDevice::Acquire() { return ToResult(device_->Acquire()); }

Result DirectInputDevice::Unacquire() { return ToResult(device_->Unacquire()); }

Result DirectInputDevice::Poll() { return ToResult(device_->Poll()); }

Result DirectInputDevice::GetDeviceState(uint32_t size, void* state) {
  return ToResult(device_->GetDeviceState(size, state));
}

Result DirectInputDevice::SetBufferSize(uint32_t entries) {
  DIPROPDWORD size;
  size.diph.dwSize = sizeof(DIPROPDWORD);
  size.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  size.diph.dwObj = 0;
  size.diph.dwHow = DIPH_DEVICE;
  size.dwData = entries;
  return ToResult(device_->SetProperty(DIPROP_BUFFERSIZE, &size.diph));
}

Result DirectInputDevice::SetEventNotification(EventHandle event) {
  return ToResult(device_->SetEventNotification(static_cast<HANDLE>(event)));
}

Result DirectInputDevice::GetDeviceData(DeviceChange* changes, uint32_t* count) {
  DIDEVICEOBJECTDATA data[64];
  DWORD n = *count < 64 ? *count : 64;
  const HRESULT hr = device_->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), data, &n, 0);
  if (FAILED(hr)) n = 0;
  for (DWORD i = 0; i < n; ++i)
    changes[i] = DeviceChange{data[i].dwOfs, data[i].dwData, data[i].dwSequence};
  *count = n;
  return ToResult(hr);
}

Result DirectInputDevice::GetDevicePath(char* path, uint32_t size) {
  if (size == 0) return ToResult(E_INVALIDARG);
  DIPROPGUIDANDPATH property = {};
  property.diph.dwSize = sizeof(DIPROPGUIDANDPATH);
  property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  property.diph.dwHow = DIPH_DEVICE;
  const HRESULT hr = device_->GetProperty(DIPROP_GUIDANDPATH, &property.diph);
  if (FAILED(hr)) return ToResult(hr);
  // Only ASCII matters to what the path is asked for; anything else reads as '?'.
  uint32_t n = 0;
  for (; n + 1 < size && n < MAX_PATH && property.wszPath[n] != L'\0'; ++n)
    path[n] = property.wszPath[n] < 0x80 ? static_cast<char>(property.wszPath[n]) : '?';
  path[n] = '\0';
  return ToResult(hr);
}

uint32_t DirectInputDevice::Release() {
  const ULONG remaining = device_->Release();
  device_ = nullptr;
  return remaining;
}

DirectInputDevice* DirectInputDevicePool::Take(IDirectInputDevice8A* device) {
  for (DirectInputDevice& wrapper : devices_) {
    if (!wrapper.InUse()) {
      wrapper.Attach(device);
      return &wrapper;
    }
  }
  return nullptr;
}

int DirectInputDevicePool::InUseCount() const {
  int count = 0;
  for (const DirectInputDevice& wrapper : devices_) count += wrapper.InUse() ? 1 : 0;
  return count;
}

Result DirectInputInput::EnumDevices(uint32_t deviceClass, DeviceEnumCallback callback,
                                     void* context, uint32_t flags) {
  DeviceEnumContext enumContext{callback, context};
  return ToResult(input_->EnumDevices(deviceClass, OnDevice, &enumContext, flags));
}

Result DirectInputInput::CreateDevice(const Guid& instanceGuid, ControllerDevice** device) {
  *device = nullptr;
  IDirectInputDevice8A* native = nullptr;
  const HRESULT hr = input_->CreateDevice(ToWindowsGuid(instanceGuid), &native, nullptr);
  if (FAILED(hr)) return ToResult(hr);
  DirectInputDevice* wrapper = devices_->Take(native);
  if (wrapper == nullptr) {
    native->Release();
    return ToResult(E_OUTOFMEMORY);
  }
  *device = wrapper;
  return ToResult(hr);
}

uint32_t DirectInputInput::Release() {
  const ULONG remaining = input_->Release();
  input_ = nullptr;
  devices_ = nullptr;
  return remaining;
}

EventHandle DirectInputBackend::CreateChangeEvent() {
  return CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

void DirectInputBackend::CloseChangeEvent(EventHandle event) {
  if (event != nullptr) CloseHandle(static_cast<HANDLE>(event));
}

Result DirectInputBackend::CreateInput(ControllerInput** input) {
  *input = nullptr;
  DirectInputInput* wrapper = nullptr;
  for (DirectInputInput& candidate : inputs_) {
    if (!candidate.InUse()) {
      wrapper = &candidate;
      break;
    }
  }
  if (wrapper == nullptr) return ToResult(E_OUTOFMEMORY);
  void* native = nullptr;
  const HRESULT hr =
      DirectInput8Create(GetModuleHandleA(nullptr), 0x0800, IID_IDirectInput8A, &native, nullptr);
  if (FAILED(hr)) return ToResult(hr);
  wrapper->Attach(static_cast<IDirectInput8A*>(native), &devices_);
  *input = wrapper;
  return ToResult(hr);
}

}  // namespace tarvel
