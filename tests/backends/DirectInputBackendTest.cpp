// The DirectInput 8 back-end over Wine's DirectInput. Wine has no game controllers here, but it
// has the system keyboard and mouse, which are real DirectInput devices: the back-end's answers
// are compared with those of the same calls made directly.
#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/DirectInputBackend.h"
#include "platform/win32/GuidConversion.h"

namespace tarvel {
namespace {

// The same DirectInput, reached without the back-end.
class DirectInputBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                 reinterpret_cast<void**>(&raw_), nullptr),
              DI_OK);
    ASSERT_EQ(backend_.CreateInput(&input_), kOk);
    ASSERT_NE(input_, nullptr);
  }
  void TearDown() override {
    if (input_ != nullptr) input_->Release();
    if (raw_ != nullptr) raw_->Release();
    EXPECT_EQ(backend_.DevicesInUse(), 0) << "a device wrapper was not given back";
  }

  IDirectInputDevice8A* RawDevice(const GUID& guid) {
    IDirectInputDevice8A* device = nullptr;
    EXPECT_EQ(raw_->CreateDevice(guid, &device, nullptr), DI_OK);
    return device;
  }
  ControllerDevice* Device(const GUID& guid) {
    ControllerDevice* device = nullptr;
    EXPECT_EQ(input_->CreateDevice(ToGuid(guid), &device), kOk);
    return device;
  }

  DirectInputBackend backend_;
  ControllerInput* input_ = nullptr;
  IDirectInput8A* raw_ = nullptr;
};

struct SeenInstance {
  Guid instanceGuid;
  Guid productGuid;
  std::string productName;
};

struct DeviceCollector {
  std::vector<SeenInstance> seen;
  int answer = kEnumContinue;
  static int Add(const ControllerInstance& instance, void* context) {
    auto* self = static_cast<DeviceCollector*>(context);
    self->seen.push_back({instance.instanceGuid, instance.productGuid, instance.productName});
    return self->answer;
  }
};

BOOL CALLBACK AddRawInstance(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  static_cast<std::vector<SeenInstance>*>(context)->push_back(
      {ToGuid(instance->guidInstance), ToGuid(instance->guidProduct), instance->tszProductName});
  return DIENUM_CONTINUE;
}

TEST_F(DirectInputBackendTest, NoGameControllersAreAttached) {
  DeviceCollector collector;
  EXPECT_EQ(
      input_->EnumDevices(kGameControllerClass, DeviceCollector::Add, &collector, kAttachedOnly),
      kOk);
  EXPECT_TRUE(collector.seen.empty());
}

TEST_F(DirectInputBackendTest, EnumeratedDevicesArriveTranslatedAndTheAnswerIsObeyed) {
  std::vector<SeenInstance> raw;
  ASSERT_EQ(raw_->EnumDevices(DI8DEVCLASS_ALL, AddRawInstance, &raw, DIEDFL_ATTACHEDONLY), DI_OK);
  ASSERT_GE(raw.size(), 2u) << "Wine's system keyboard and mouse";

  DeviceCollector all;
  EXPECT_EQ(input_->EnumDevices(DI8DEVCLASS_ALL, DeviceCollector::Add, &all, kAttachedOnly), kOk);
  ASSERT_EQ(all.seen.size(), raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    EXPECT_EQ(all.seen[i].instanceGuid, raw[i].instanceGuid) << i;
    EXPECT_EQ(all.seen[i].productGuid, raw[i].productGuid) << i;
    EXPECT_EQ(all.seen[i].productName, raw[i].productName) << i;
  }

  DeviceCollector first;
  first.answer = kEnumStop;
  EXPECT_EQ(input_->EnumDevices(DI8DEVCLASS_ALL, DeviceCollector::Add, &first, kAttachedOnly), kOk);
  EXPECT_EQ(first.seen.size(), 1u);
}

TEST_F(DirectInputBackendTest, FailuresPassThroughUnchanged) {
  GUID unknown;
  std::memset(&unknown, 0x5A, sizeof(unknown));
  IDirectInputDevice8A* rawDevice = nullptr;
  const HRESULT expected = raw_->CreateDevice(unknown, &rawDevice, nullptr);
  ASSERT_LT(expected, 0);

  ControllerDevice* device = reinterpret_cast<ControllerDevice*>(1);
  EXPECT_EQ(input_->CreateDevice(ToGuid(unknown), &device), static_cast<Result>(expected));
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(backend_.DevicesInUse(), 0);
}

TEST_F(DirectInputBackendTest, CapabilitiesAreCopiedBothWays) {
  IDirectInputDevice8A* rawDevice = RawDevice(GUID_SysKeyboard);
  ControllerDevice* device = Device(GUID_SysKeyboard);
  ASSERT_NE(rawDevice, nullptr);
  ASSERT_NE(device, nullptr);

  DIDEVCAPS rawCaps = {};
  rawCaps.dwSize = sizeof(rawCaps);
  ASSERT_EQ(rawDevice->GetCapabilities(&rawCaps), DI_OK);
  DeviceCaps caps;
  caps.size = 44;
  EXPECT_EQ(device->GetCapabilities(&caps), kOk);
  EXPECT_EQ(std::memcmp(static_cast<const void*>(&caps), &rawCaps, sizeof(caps)), 0);
  EXPECT_GT(caps.buttons, 0u);

  // The size goes in too: without it DirectInput refuses, and says so.
  DIDEVCAPS rawUnsized = {};
  DeviceCaps unsized;
  const HRESULT refused = rawDevice->GetCapabilities(&rawUnsized);
  EXPECT_LT(refused, 0);
  EXPECT_EQ(device->GetCapabilities(&unsized), static_cast<Result>(refused));

  EXPECT_EQ(device->Release(), rawDevice->Release());
}

struct ObjectCollector {
  std::vector<uint32_t> types;
  int answer = kEnumContinue;
  static int Add(const ControllerObject& object, void* context) {
    auto* self = static_cast<ObjectCollector*>(context);
    self->types.push_back(object.type);
    return self->answer;
  }
};

BOOL CALLBACK AddRawObject(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
  static_cast<std::vector<uint32_t>*>(context)->push_back(object->dwType);
  return DIENUM_CONTINUE;
}

TEST_F(DirectInputBackendTest, ObjectsArriveWithTheirTypesAndTheAnswerIsObeyed) {
  for (const GUID* guid : {&GUID_SysKeyboard, &GUID_SysMouse}) {
    IDirectInputDevice8A* rawDevice = RawDevice(*guid);
    ControllerDevice* device = Device(*guid);
    ASSERT_NE(rawDevice, nullptr);
    ASSERT_NE(device, nullptr);
    std::vector<uint32_t> raw;
    ASSERT_EQ(rawDevice->EnumObjects(AddRawObject, &raw, DIDFT_ALL), DI_OK);
    ASSERT_GE(raw.size(), 2u);

    ObjectCollector all;
    EXPECT_EQ(device->EnumObjects(ObjectCollector::Add, &all, kAllObjects), kOk);
    EXPECT_EQ(all.types, raw);

    // The flags go through: only the axes (the mouse has some, the keyboard none).
    std::vector<uint32_t> rawAxes;
    ASSERT_EQ(rawDevice->EnumObjects(AddRawObject, &rawAxes, DIDFT_AXIS), DI_OK);
    ObjectCollector axes;
    EXPECT_EQ(device->EnumObjects(ObjectCollector::Add, &axes, DIDFT_AXIS), kOk);
    EXPECT_EQ(axes.types, rawAxes);

    ObjectCollector first;
    first.answer = kEnumStop;
    EXPECT_EQ(device->EnumObjects(ObjectCollector::Add, &first, kAllObjects), kOk);
    EXPECT_EQ(first.types.size(), 1u);

    device->Release();
    rawDevice->Release();
  }
}

TEST_F(DirectInputBackendTest, SetUpAndPollingCallsAnswerAsDirectInputDoes) {
  IDirectInputDevice8A* rawDevice = RawDevice(GUID_SysMouse);
  ControllerDevice* device = Device(GUID_SysMouse);
  ASSERT_NE(rawDevice, nullptr);
  ASSERT_NE(device, nullptr);

  EXPECT_EQ(device->SetDataFormatJoystick2(),
            static_cast<Result>(rawDevice->SetDataFormat(&c_dfDIJoystick2)));
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, kNonExclusiveBackground),
            static_cast<Result>(rawDevice->SetCooperativeLevel(nullptr, 0x0A)));

  // The range goes to every axis as DIPROP_RANGE by identifier, with its bounds in order: what
  // DirectInput accepts or refuses through the back-end, it accepts or refuses directly.
  struct RangeCase {
    uint32_t how;
    int32_t min, max;
  };
  const RangeCase ranges[] = {{kPropertyById, kAxisMin, kAxisMax},
                              {kPropertyById, kAxisMax, kAxisMin},
                              {7, kAxisMin, kAxisMax}};  // 7: no way of naming an object
  std::vector<uint32_t> axes;
  ASSERT_EQ(rawDevice->EnumObjects(AddRawObject, &axes, DIDFT_AXIS), DI_OK);
  axes.push_back(0x00FFFF03u);  // an absolute axis that the device does not have
  bool someRefused = false;
  for (uint32_t type : axes) {
    for (const RangeCase& r : ranges) {
      DIPROPRANGE range = {};
      range.diph.dwSize = sizeof(range);
      range.diph.dwHeaderSize = sizeof(range.diph);
      range.diph.dwObj = type;
      range.diph.dwHow = r.how;
      range.lMin = r.min;
      range.lMax = r.max;
      const HRESULT expected = rawDevice->SetProperty(DIPROP_RANGE, &range.diph);
      someRefused = someRefused || FAILED(expected);
      EXPECT_EQ(device->SetAxisRangeProperty(type, r.how, r.min, r.max),
                static_cast<Result>(expected))
          << std::hex << type << " " << r.how << " " << r.min;
    }
  }
  EXPECT_TRUE(someRefused) << "no case tells a wrong range from a right one";

  // The window and the flags go through: exclusive access without a window is refused.
  EXPECT_EQ(device->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_FOREGROUND),
            static_cast<Result>(
                rawDevice->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_FOREGROUND)));

  // Not acquired yet: polling and reading fail as they do directly.
  JoystickState state;
  EXPECT_EQ(device->Poll(), static_cast<Result>(rawDevice->Poll()));
  EXPECT_LT(device->GetDeviceState(kJoystickStateSize, &state), 0);

  EXPECT_EQ(device->Acquire(), static_cast<Result>(rawDevice->Acquire()));
  EXPECT_EQ(device->Poll(), static_cast<Result>(rawDevice->Poll()));
  DIJOYSTATE2 rawState;
  EXPECT_EQ(device->GetDeviceState(kJoystickStateSize, &state),
            static_cast<Result>(rawDevice->GetDeviceState(sizeof(rawState), &rawState)));
  // A size that is not the format's is refused.
  EXPECT_EQ(device->GetDeviceState(kJoystickStateSize - 4, &state),
            static_cast<Result>(rawDevice->GetDeviceState(sizeof(rawState) - 4, &rawState)));
  EXPECT_EQ(device->Unacquire(), static_cast<Result>(rawDevice->Unacquire()));
  EXPECT_EQ(device->Poll(), static_cast<Result>(rawDevice->Poll()));

  device->Release();
  rawDevice->Release();
}

TEST_F(DirectInputBackendTest, DeviceWrappersComeFromAFixedPoolAndReturnToIt) {
  constexpr int kCapacity = DirectInputDevicePool::kCapacity;
  ControllerDevice* devices[kCapacity + 1] = {};
  for (int i = 0; i < kCapacity; ++i) {
    ASSERT_EQ(input_->CreateDevice(ToGuid(GUID_SysKeyboard), &devices[i]), kOk) << i;
    ASSERT_NE(devices[i], nullptr);
    for (int j = 0; j < i; ++j) ASSERT_NE(devices[i], devices[j]);
  }
  EXPECT_EQ(backend_.DevicesInUse(), kCapacity);

  // One more than the pool holds: refused, and DirectInput's device is not kept.
  ControllerDevice* extra = reinterpret_cast<ControllerDevice*>(1);
  EXPECT_EQ(input_->CreateDevice(ToGuid(GUID_SysKeyboard), &extra),
            static_cast<Result>(E_OUTOFMEMORY));
  EXPECT_EQ(extra, nullptr);

  // A released wrapper is free again and works for the next device.
  devices[16]->Release();
  EXPECT_EQ(backend_.DevicesInUse(), kCapacity - 1);
  ASSERT_EQ(input_->CreateDevice(ToGuid(GUID_SysMouse), &devices[16]), kOk);
  DeviceCaps caps;
  caps.size = 44;
  EXPECT_EQ(devices[16]->GetCapabilities(&caps), kOk);
  EXPECT_EQ(caps.devType & 0xFF, static_cast<uint32_t>(DI8DEVTYPE_MOUSE));

  for (ControllerDevice* device : devices)
    if (device != nullptr) device->Release();
  EXPECT_EQ(backend_.DevicesInUse(), 0);
}

TEST_F(DirectInputBackendTest, DevicesOutliveTheirInterface) {
  ControllerDevice* device = Device(GUID_SysKeyboard);
  ASSERT_NE(device, nullptr);
  input_->Release();
  input_ = nullptr;
  DeviceCaps caps;
  caps.size = 44;
  EXPECT_EQ(device->GetCapabilities(&caps), kOk);
  device->Release();
}

TEST(DirectInputBackend, InterfacesAreCreatedUpToThePoolAndFreedOnRelease) {
  DirectInputBackend backend;
  ControllerInput* inputs[DirectInputBackend::kMaxInputs] = {};
  for (ControllerInput*& input : inputs) {
    ASSERT_EQ(backend.CreateInput(&input), kOk);
    ASSERT_NE(input, nullptr);
  }
  ControllerInput* extra = reinterpret_cast<ControllerInput*>(1);
  EXPECT_EQ(backend.CreateInput(&extra), static_cast<Result>(E_OUTOFMEMORY));
  EXPECT_EQ(extra, nullptr);
  EXPECT_EQ(inputs[0]->Release(), 0u);
  EXPECT_EQ(backend.CreateInput(&extra), kOk);
  ASSERT_NE(extra, nullptr);
  DeviceCollector collector;
  EXPECT_EQ(
      extra->EnumDevices(kGameControllerClass, DeviceCollector::Add, &collector, kAttachedOnly),
      kOk);
  EXPECT_TRUE(collector.seen.empty());
  extra->Release();
  for (int i = 1; i < DirectInputBackend::kMaxInputs; ++i) inputs[i]->Release();
}

}  // namespace
}  // namespace tarvel
