#pragma once
#include "input/ControllerBackend.h"

// Declared by <dinput.h>; only pointers are kept here, so users of the back-end need not include
// it.
struct IDirectInput8A;
struct IDirectInputDevice8A;

namespace tarvel {

// One opened DirectInput 8 device as the joystick table sees it. Each wrapper stands for the one
// reference that CreateDevice handed out; Release gives that reference back and frees the wrapper.
class DirectInputDevice final : public ControllerDevice {
 public:
  Result SetDataFormatJoystick2() override;
  Result SetCooperativeLevel(WindowHandle window, uint32_t flags) override;
  Result EnumObjects(ObjectEnumCallback callback, void* context, uint32_t flags) override;
  Result GetCapabilities(DeviceCaps* caps) override;
  Result SetAxisRangeProperty(uint32_t objectType, uint32_t how, int32_t min, int32_t max) override;
  Result Acquire() override;
  Result Unacquire() override;
  Result Poll() override;
  Result GetDeviceState(uint32_t size, void* state) override;
  uint32_t Release() override;
  Result SetBufferSize(uint32_t entries) override;
  Result SetEventNotification(EventHandle event) override;
  Result GetDeviceData(DeviceChange* changes, uint32_t* count) override;
  Result GetDevicePath(char* path, uint32_t size) override;

  bool InUse() const { return device_ != nullptr; }
  void Attach(IDirectInputDevice8A* device) { device_ = device; }

 private:
  IDirectInputDevice8A* device_ = nullptr;
};

// The wrappers for opened devices: a fixed pool, so that nothing is allocated after start-up.
class DirectInputDevicePool {
 public:
  static constexpr int kCapacity = 32;
  // A free wrapper around device, or null when all are in use.
  DirectInputDevice* Take(IDirectInputDevice8A* device);
  int InUseCount() const;

 private:
  DirectInputDevice devices_[kCapacity];
};

// The DirectInput 8 interface (IDirectInput8A).
class DirectInputInput final : public ControllerInput {
 public:
  Result EnumDevices(uint32_t deviceClass, DeviceEnumCallback callback, void* context,
                     uint32_t flags) override;
  // Fails with E_OUTOFMEMORY, releasing the new device, when the device pool is exhausted.
  Result CreateDevice(const Guid& instanceGuid, ControllerDevice** device) override;
  uint32_t Release() override;

  bool InUse() const { return input_ != nullptr; }
  void Attach(IDirectInput8A* input, DirectInputDevicePool* devices) {
    input_ = input;
    devices_ = devices;
  }

 private:
  IDirectInput8A* input_ = nullptr;
  DirectInputDevicePool* devices_ = nullptr;
};

// DirectInput8Create. Owns the wrappers it hands out, so it must outlive every interface and
// device created through it; the program keeps one for the whole run.
class DirectInputBackend final : public ControllerBackend {
 public:
  static constexpr int kMaxInputs = 4;

  Result CreateInput(ControllerInput** input) override;
  EventHandle CreateChangeEvent() override;
  void CloseChangeEvent(EventHandle event) override;

  int DevicesInUse() const { return devices_.InUseCount(); }

 private:
  DirectInputInput inputs_[kMaxInputs];
  DirectInputDevicePool devices_;
};

}  // namespace tarvel
