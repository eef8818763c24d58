#pragma once
// A controller back-end for long runs: fixed arrays, devices allocated per open and freed on their
// last release, so that any device the joystick table forgets shows as growing memory.
#include <cstdint>
#include <cstring>

#include "input/ControllerBackend.h"

namespace tarvel::soak {

constexpr int kControllers = 20;

struct VirtualController {
  Guid instanceGuid;
  Guid productGuid;
  char name[32] = {};
  uint32_t buttons = 0;
  uint8_t bytes[128] = {};
  bool attached = true;          // listed when the table enumerates
  bool unplugged = false;        // state reads fail
  int inputLostAnswers = 0;      // Acquire answers INPUTLOST this often; -1 for ever
  bool dropAcquisition = false;  // the next Poll finds the device no longer acquired
};

class SoakBackend;

class SoakDevice final : public ControllerDevice {
 public:
  SoakDevice(SoakBackend* backend, int controller) : backend_(backend), controller_(controller) {}
  Result SetDataFormatJoystick2() override { return kOk; }
  Result SetCooperativeLevel(WindowHandle, uint32_t) override { return kOk; }
  Result EnumObjects(ObjectEnumCallback callback, void* context, uint32_t) override;
  Result GetCapabilities(DeviceCaps* caps) override;
  Result SetAxisRangeProperty(uint32_t, uint32_t, int32_t, int32_t) override { return kOk; }
  Result Acquire() override;
  Result Unacquire() override {
    acquired_ = false;
    return kOk;
  }
  Result Poll() override;
  Result GetDeviceState(uint32_t size, void* state) override;
  uint32_t Release() override;

  int controller() const { return controller_; }

 private:
  SoakBackend* backend_;
  int controller_;
  bool acquired_ = false;
};

class SoakBackend final : public ControllerBackend, public ControllerInput {
 public:
  Result CreateInput(ControllerInput** input) override {
    *input = this;
    return kOk;
  }
  Result EnumDevices(uint32_t, DeviceEnumCallback callback, void* context, uint32_t) override {
    for (int c = 0; c < kControllers; ++c)
      if (controllers[c].attached && callback(Instance(c), context) == kEnumStop) break;
    return kOk;
  }
  Result CreateDevice(const Guid& guid, ControllerDevice** device) override {
    for (int c = 0; c < kControllers; ++c) {
      if (!(controllers[c].instanceGuid == guid)) continue;
      *device = new SoakDevice(this, c);
      ++liveDevices;
      return kOk;
    }
    return kFail;
  }
  uint32_t Release() override { return 0; }

  ControllerInstance Instance(int c) const {
    ControllerInstance instance;
    instance.instanceGuid = controllers[c].instanceGuid;
    instance.productGuid = controllers[c].productGuid;
    std::memcpy(instance.productName, controllers[c].name, sizeof controllers[c].name);
    return instance;
  }

  // Which controllers were read in the current pass, and so handed their bytes on.
  void StartPass() { std::memset(readThisPass, 0, sizeof readThisPass); }

  VirtualController controllers[kControllers];
  bool readThisPass[kControllers] = {};
  int liveDevices = 0;
};

inline Result SoakDevice::EnumObjects(ObjectEnumCallback callback, void* context, uint32_t) {
  const ControllerObject axes[2] = {{0x102}, {0x202}};
  for (const ControllerObject& axis : axes)
    if (callback(axis, context) == kEnumStop) break;
  return kOk;
}

inline Result SoakDevice::GetCapabilities(DeviceCaps* caps) {
  caps->buttons = backend_->controllers[controller_].buttons;
  return kOk;
}

inline Result SoakDevice::Acquire() {
  VirtualController& c = backend_->controllers[controller_];
  if (c.inputLostAnswers != 0) {
    if (c.inputLostAnswers > 0) --c.inputLostAnswers;
    return kInputLost;
  }
  acquired_ = true;
  return kOk;
}

inline Result SoakDevice::Poll() {
  VirtualController& c = backend_->controllers[controller_];
  if (c.dropAcquisition) {
    c.dropAcquisition = false;
    acquired_ = false;
  }
  return acquired_ ? kNoEffect : kNotAcquired;
}

inline Result SoakDevice::GetDeviceState(uint32_t size, void* state) {
  const VirtualController& c = backend_->controllers[controller_];
  if (!acquired_ || c.unplugged) return kInputLost;
  std::memset(state, 0, size);
  std::memcpy(static_cast<uint8_t*>(state) + kButtonsOffset, c.bytes, 128);
  backend_->readThisPass[controller_] = true;
  return kOk;
}

inline uint32_t SoakDevice::Release() {
  --backend_->liveDevices;
  delete this;
  return 0;
}

}  // namespace tarvel::soak
