#pragma once
#include <cstdint>

#include "base/Guid.h"
#include "base/Result.h"
#include "base/WindowHandle.h"

namespace tarvel {

// The controller back-end: what the joystick table asks of the platform. Shaped like the
// DirectInput 8 calls it stands for, so the table's algorithms read as they run on Windows.

constexpr int kEnumStop = 0;                        // DIENUM_STOP
constexpr int kEnumContinue = 1;                    // DIENUM_CONTINUE
constexpr uint32_t kGameControllerClass = 4;        // DI8DEVCLASS_GAMECTRL
constexpr uint32_t kAttachedOnly = 1;               // DIEDFL_ATTACHEDONLY
constexpr uint32_t kAllObjects = 0;                 // DIDFT_ALL
constexpr uint32_t kAxisTypeMask = 3;               // DIDFT_AXIS: relative or absolute axis
constexpr uint32_t kNonExclusiveBackground = 0x0A;  // DISCL_NONEXCLUSIVE | DISCL_BACKGROUND
constexpr uint32_t kPropertyById = 2;               // DIPH_BYID
constexpr int32_t kAxisMin = -1000;
constexpr int32_t kAxisMax = 1000;
constexpr uint32_t kJoystickStateSize = 272;  // sizeof(DIJOYSTATE2)
constexpr uint32_t kButtonsOffset = 48;       // offsetof(DIJOYSTATE2, rgbButtons)
constexpr uint32_t kBufferEntries = 256;      // DIPROP_BUFFERSIZE asked of every controller
constexpr Result kBufferOverflow = 1;         // DI_BUFFEROVERFLOW: changes were lost
constexpr Result kPolledDevice = 2;           // DI_POLLEDDEVICE: events come only from Poll
constexpr uint32_t kDevicePathSize = 260;     // MAX_PATH, as DIPROPGUIDANDPATH holds it

// An auto-reset event of the platform (a HANDLE on Windows) that a controller sets on a change.
using EventHandle = void*;

struct ControllerInstance {  // the fields of DIDEVICEINSTANCEA that are used
  Guid instanceGuid;
  Guid productGuid;
  char productName[260] = {};
};

struct ControllerObject {  // the fields of DIDEVICEOBJECTINSTANCEA that are used
  uint32_t type = 0;
  Guid guidType;  // GUID_XAxis, GUID_Slider, GUID_POV, ...
};

// The axes of the joystick state in their order there: X, Y, Z, Rx, Ry, Rz, slider 1, slider 2.
constexpr int kStateAxes = 8;
constexpr int kStatePovs = 4;
constexpr int kFirstSliderAxis = 6;

struct DeviceCaps {  // DIDEVCAPS
  uint32_t size = 0;
  uint32_t flags = 0;
  uint32_t devType = 0;
  uint32_t axes = 0;
  uint32_t buttons = 0;
  uint32_t povs = 0;
  uint32_t ffSamplePeriod = 0;
  uint32_t ffMinTimeResolution = 0;
  uint32_t firmwareRevision = 0;
  uint32_t hardwareRevision = 0;
  uint32_t ffDriverVersion = 0;
};
static_assert(sizeof(DeviceCaps) == 44);

// One buffered change (DIDEVICEOBJECTDATA): the new value of the field at offset in
// DIJOYSTATE2; a button's byte is the low byte of data. Changes that happened together (one
// report of the device) share their sequence number.
struct DeviceChange {
  uint32_t offset = 0;
  uint32_t data = 0;
  uint32_t sequence = 0;
};

struct JoystickState {  // DIJOYSTATE2: axes, sliders, points of view, buttons
  uint8_t bytes[kJoystickStateSize];
  const uint8_t* Buttons() const { return bytes + kButtonsOffset; }
  // lX .. lRz and rglSlider, axis 0-7, in the range set on the axis.
  int32_t Axis(int axis) const { return static_cast<int32_t>(Dword(4 * axis)); }
  // rgdwPOV, hat 0-3: hundredths of a degree clockwise from north; LOWORD 0xFFFF is centred.
  uint32_t Pov(int hat) const { return Dword(32 + 4 * hat); }

 private:
  uint32_t Dword(int offset) const {
    return uint32_t{bytes[offset]} | uint32_t{bytes[offset + 1]} << 8 |
           uint32_t{bytes[offset + 2]} << 16 | uint32_t{bytes[offset + 3]} << 24;
  }
};

using DeviceEnumCallback = int (*)(const ControllerInstance& instance, void* context);
using ObjectEnumCallback = int (*)(const ControllerObject& object, void* context);

class ControllerDevice {  // IDirectInputDevice8A
 public:
  virtual Result SetDataFormatJoystick2() = 0;  // c_dfDIJoystick2
  virtual Result SetCooperativeLevel(WindowHandle window, uint32_t flags) = 0;
  virtual Result EnumObjects(ObjectEnumCallback callback, void* context, uint32_t flags) = 0;
  virtual Result GetCapabilities(DeviceCaps* caps) = 0;
  virtual Result SetAxisRangeProperty(uint32_t objectType, uint32_t how, int32_t min,
                                      int32_t max) = 0;
  virtual Result Acquire() = 0;
  virtual Result Unacquire() = 0;
  virtual Result Poll() = 0;
  virtual Result GetDeviceState(uint32_t size, void* state) = 0;
  virtual uint32_t Release() = 0;
  // Buffered input: DIPROP_BUFFERSIZE and SetEventNotification, both before the first Acquire.
  virtual Result SetBufferSize(uint32_t entries) = 0;
  virtual Result SetEventNotification(EventHandle event) = 0;
  // Up to *count changes, oldest first (GetDeviceData); *count says how many were read.
  virtual Result GetDeviceData(DeviceChange* changes, uint32_t* count) = 0;
  // The device interface path (DIPROP_GUIDANDPATH's wszPath) as 8-bit text, characters outside
  // ASCII as '?'. A device that cannot tell fails.
  virtual Result GetDevicePath(char* path, uint32_t size) {
    (void)path;
    (void)size;
    return kFail;
  }

 protected:
  ~ControllerDevice() = default;
};

class ControllerInput {  // IDirectInput8A
 public:
  virtual Result EnumDevices(uint32_t deviceClass, DeviceEnumCallback callback, void* context,
                             uint32_t flags) = 0;
  virtual Result CreateDevice(const Guid& instanceGuid, ControllerDevice** device) = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~ControllerInput() = default;
};

class ControllerBackend {  // DirectInput8Create
 public:
  virtual Result CreateInput(ControllerInput** input) = 0;
  // An auto-reset event for a controller's changes, or null when there is none to be had.
  virtual EventHandle CreateChangeEvent() = 0;
  virtual void CloseChangeEvent(EventHandle event) = 0;

 protected:
  ~ControllerBackend() = default;
};

}  // namespace tarvel
