// The test dinput8.dll against the DirectInput calls of the program, in-process: the DLL is
// loaded explicitly from beside this test (Wine needs WINEDLLOVERRIDES=dinput8=n,b for that) and
// driven through the same shared-memory operations that tarveldrive uses.
#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "common/SharedMapping.h"
#include "fakedinput/FakeDInputControl.h"

namespace fakedinput {
namespace {

using CreateFunction = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, LPVOID*, LPUNKNOWN);
using CanUnloadFunction = HRESULT(WINAPI*)();

// Owns one COM reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Reset(); }
  T* operator->() const { return object_; }
  T* Get() const { return object_; }
  T** Out() {
    Reset();
    return &object_;
  }
  void Reset() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
  }

 private:
  T* object_ = nullptr;
};

struct Listed {
  GUID instance;
  GUID product;
  std::string name;
  DWORD size;
};

struct EnumState {
  std::vector<Listed> listed;
  size_t stopAfter = SIZE_MAX;
};

BOOL CALLBACK CollectDevice(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  auto* state = static_cast<EnumState*>(context);
  state->listed.push_back(
      {instance->guidInstance, instance->guidProduct, instance->tszProductName, instance->dwSize});
  return state->listed.size() >= state->stopAfter ? DIENUM_STOP : DIENUM_CONTINUE;
}

// The program's object callback: every axis gets the range -1000..+1000 by ID.
struct RangeState {
  IDirectInputDevice8A* device;
  int visited = 0;
  int axes = 0;
};

BOOL CALLBACK SetRangeOfAxes(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
  auto* state = static_cast<RangeState*>(context);
  ++state->visited;
  if ((object->dwType & DIDFT_AXIS) == 0) return DIENUM_CONTINUE;
  ++state->axes;
  DIPROPRANGE range = {};
  range.diph.dwSize = sizeof(DIPROPRANGE);
  range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  range.diph.dwObj = object->dwType;
  range.diph.dwHow = DIPH_BYID;
  range.lMin = -1000;
  range.lMax = 1000;
  return SUCCEEDED(state->device->SetProperty(DIPROP_RANGE, &range.diph)) ? DIENUM_CONTINUE
                                                                          : DIENUM_STOP;
}

class FakeDInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A shared memory of this process alone, so that tests running side by side do not meet.
    name_ = "TarvelFakeDInputTest-" + std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA(kMappingNameVariable, name_.c_str());
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    dllPath_ = folder + "dinput8.dll";
    module_ = LoadLibraryA(dllPath_.c_str());
    if (module_ != nullptr) {
      create_ = reinterpret_cast<CreateFunction>(
          reinterpret_cast<void*>(GetProcAddress(module_, "DirectInput8Create")));
      canUnload_ = reinterpret_cast<CanUnloadFunction>(
          reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
    }
    mapping_ = new wholetest::SharedMapping;
    shared_ = AttachFresh(*mapping_, nullptr);
  }

  static void TearDownTestSuite() {
    delete mapping_;
    mapping_ = nullptr;
    shared_ = nullptr;
    DeleteFileA(wholetest::SharedFilePath(name_).c_str());
  }

  void SetUp() override {
    ASSERT_NE(module_, nullptr) << "cannot load " << dllPath_;
    ASSERT_NE(create_, nullptr);
    ASSERT_NE(shared_, nullptr);
    ResetAll(*shared_);
    ResetRecords(*shared_, -1);
  }

  void TearDown() override {
    // Every test releases what it made.
    EXPECT_EQ(shared_->header.record.liveInterfaces, 0);
    EXPECT_EQ(shared_->header.record.liveDevices, 0);
  }

  Controller& Slot(int index) { return shared_->controllers[index]; }
  CallRecord& Record(int index) { return shared_->controllers[index].record; }

  void Define(int index, int buttons, int axes, int povs = 0, const char* name = nullptr) {
    const std::string text = name ? name : "Pad " + std::to_string(index);
    ASSERT_TRUE(DefineController(*shared_, index, DefaultInstanceGuid(index),
                                 DefaultProductGuid(index), text, buttons, axes, povs));
  }

  HRESULT Create(Ref<IDirectInput8A>& input) {
    return create_(GetModuleHandleA(nullptr), 0x0800, IID_IDirectInput8A,
                   reinterpret_cast<void**>(input.Out()), nullptr);
  }

  std::vector<Listed> Enumerate(IDirectInput8A* input, DWORD type = DI8DEVCLASS_GAMECTRL,
                                DWORD flags = DIEDFL_ATTACHEDONLY, size_t stopAfter = SIZE_MAX) {
    EnumState state;
    state.stopAfter = stopAfter;
    EXPECT_EQ(input->EnumDevices(type, CollectDevice, &state, flags), DI_OK);
    return state.listed;
  }

  // Opens slot `index` and sets it up exactly as the program does; the device is not acquired.
  void OpenAsTheProgram(IDirectInput8A* input, int index, Ref<IDirectInputDevice8A>& device,
                        HWND window = nullptr) {
    ASSERT_EQ(input->CreateDevice(DefaultInstanceGuid(index), device.Out(), nullptr), DI_OK);
    DIDEVCAPS caps = {};
    caps.dwSize = 44;
    ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
    ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DI_OK);
    ASSERT_EQ(device->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    RangeState ranges{device.Get()};
    ASSERT_EQ(device->EnumObjects(SetRangeOfAxes, &ranges, DIDFT_ALL), DI_OK);
  }

  static std::string name_;
  static std::string dllPath_;
  static HMODULE module_;
  static CreateFunction create_;
  static CanUnloadFunction canUnload_;
  static wholetest::SharedMapping* mapping_;
  static FakeDInputShared* shared_;
};

std::string FakeDInputTest::name_;
std::string FakeDInputTest::dllPath_;
HMODULE FakeDInputTest::module_ = nullptr;
CreateFunction FakeDInputTest::create_ = nullptr;
CanUnloadFunction FakeDInputTest::canUnload_ = nullptr;
wholetest::SharedMapping* FakeDInputTest::mapping_ = nullptr;
FakeDInputShared* FakeDInputTest::shared_ = nullptr;

TEST_F(FakeDInputTest, IsTheDllBesideTheTestNotTheBuiltIn) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module_, path, sizeof(path));
  EXPECT_EQ(std::string(path, length), dllPath_)
      << "Wine loaded its own dinput8: run with WINEDLLOVERRIDES=dinput8=n,b";
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  EXPECT_EQ(shared_->header.record.createCalls, 1);
  EXPECT_EQ(shared_->header.record.lastCreateVersion, 0x0800);
  EXPECT_EQ(shared_->header.record.clientPid, static_cast<LONG>(GetCurrentProcessId()));
  EXPECT_EQ(shared_->header.record.liveInterfaces, 1);
}

TEST_F(FakeDInputTest, CreateChecksItsArguments) {
  IUnknown* outer = reinterpret_cast<IUnknown*>(&name_);  // never called
  struct Case {
    HINSTANCE instance;
    DWORD version;
    const IID* iid;
    IUnknown* outer;
    HRESULT expected;
  };
  const HINSTANCE self = GetModuleHandleA(nullptr);
  const Case cases[] = {
      {self, 0x0800, &IID_IDirectInput8A, nullptr, DI_OK},
      {self, 0x0700, &IID_IDirectInput8A, nullptr, DIERR_OLDDIRECTINPUTVERSION},
      {self, 0x0801, &IID_IDirectInput8A, nullptr, DIERR_BETADIRECTINPUTVERSION},
      {self, 0x0800, &IID_IDirectInput8W, nullptr, DIERR_NOINTERFACE},
      {self, 0x0800, &IID_IDirectInput8A, outer, DIERR_NOAGGREGATION},
      {nullptr, 0x0800, &IID_IDirectInput8A, nullptr, DIERR_INVALIDPARAM},
  };
  LONG failures = 0;
  for (const Case& c : cases) {
    void* out = reinterpret_cast<void*>(1);
    const HRESULT result = create_(c.instance, c.version, *c.iid, &out, c.outer);
    EXPECT_EQ(result, c.expected) << "version " << std::hex << c.version;
    if (SUCCEEDED(result)) {
      ASSERT_NE(out, nullptr);
      static_cast<IDirectInput8A*>(out)->Release();
    } else {
      EXPECT_EQ(out, nullptr);
      ++failures;
    }
  }
  EXPECT_EQ(create_(self, 0x0800, IID_IDirectInput8A, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(shared_->header.record.createCalls, static_cast<LONG>(std::size(cases)));
  EXPECT_EQ(shared_->header.record.createFailures, failures);
}

TEST_F(FakeDInputTest, GlobalFaultsFailTheNextCallsOnly) {
  Define(0, 4, 2);
  SetFault(shared_->header.createFault, 2, 0);
  Ref<IDirectInput8A> input;
  EXPECT_EQ(Create(input), DIERR_GENERIC);
  EXPECT_EQ(Create(input), DIERR_GENERIC);
  ASSERT_EQ(Create(input), DI_OK);
  EXPECT_EQ(shared_->header.record.createFailures, 2);

  SetFault(shared_->header.enumDevicesFault, 1, E_OUTOFMEMORY);
  EnumState state;
  EXPECT_EQ(input->EnumDevices(DI8DEVCLASS_GAMECTRL, CollectDevice, &state, DIEDFL_ATTACHEDONLY),
            E_OUTOFMEMORY);
  EXPECT_TRUE(state.listed.empty());
  EXPECT_EQ(Enumerate(input.Get()).size(), 1u);
  EXPECT_EQ(shared_->header.record.enumDevicesCalls, 2);
  EXPECT_EQ(shared_->header.record.enumDevicesFailures, 1);
}

TEST_F(FakeDInputTest, EnumeratesAttachedControllersInSlotOrder) {
  for (int index : {0, 1, 2, 5, 19}) Define(index, 8, 2);
  SetPresent(*shared_, 2, false);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);

  struct Case {
    DWORD type;
    DWORD flags;
    size_t stopAfter;
    std::vector<int> slots;
  };
  const Case cases[] = {
      {DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY, SIZE_MAX, {0, 1, 5, 19}},
      {DI8DEVCLASS_GAMECTRL, DIEDFL_ALLDEVICES, SIZE_MAX, {0, 1, 2, 5, 19}},
      {DI8DEVCLASS_ALL, DIEDFL_ATTACHEDONLY, SIZE_MAX, {0, 1, 5, 19}},
      {DI8DEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY, SIZE_MAX, {0, 1, 5, 19}},
      {DI8DEVCLASS_KEYBOARD, DIEDFL_ATTACHEDONLY, SIZE_MAX, {}},
      {DI8DEVCLASS_POINTER, DIEDFL_ALLDEVICES, SIZE_MAX, {}},
      {DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK, SIZE_MAX, {}},
      {DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY, 2, {0, 1}},
      {DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY, 1, {0}},
  };
  for (const Case& c : cases) {
    const std::vector<Listed> listed = Enumerate(input.Get(), c.type, c.flags, c.stopAfter);
    ASSERT_EQ(listed.size(), c.slots.size()) << "type " << c.type << " flags " << c.flags;
    for (size_t i = 0; i < listed.size(); ++i) {
      EXPECT_TRUE(IsEqualGUID(listed[i].instance, DefaultInstanceGuid(c.slots[i])));
      EXPECT_TRUE(IsEqualGUID(listed[i].product, DefaultProductGuid(c.slots[i])));
      EXPECT_EQ(listed[i].name, "Pad " + std::to_string(c.slots[i]));
      EXPECT_EQ(listed[i].size, sizeof(DIDEVICEINSTANCEA));
    }
    EXPECT_EQ(shared_->header.record.lastEnumListed, static_cast<LONG>(c.slots.size()));
    EXPECT_EQ(shared_->header.record.lastEnumFlags, static_cast<LONG>(c.flags));
  }
}

TEST_F(FakeDInputTest, EnumeratesNoneOneAndAllTwentySlots) {
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  EXPECT_TRUE(Enumerate(input.Get()).empty());
  Define(7, 1, 0);
  ASSERT_EQ(Enumerate(input.Get()).size(), 1u);
  for (int index = 0; index < kMaxControllers; ++index) Define(index, 1, 0);
  const std::vector<Listed> listed = Enumerate(input.Get());
  ASSERT_EQ(listed.size(), static_cast<size_t>(kMaxControllers));
  EXPECT_TRUE(IsEqualGUID(listed[19].instance, DefaultInstanceGuid(19)));
  RemoveController(*shared_, 0);
  EXPECT_EQ(Enumerate(input.Get(), DI8DEVCLASS_GAMECTRL, DIEDFL_ALLDEVICES).size(), 19u);
}

TEST_F(FakeDInputTest, ProductNamesPassWholeUpToTheirLimit) {
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  for (size_t length : {size_t{0}, size_t{1}, size_t{255}, size_t{256}, size_t{259}}) {
    std::string name(length, 'n');
    if (length > 0) name.back() = 'Z';
    Define(0, 2, 0, 0, name.c_str());
    const std::vector<Listed> listed = Enumerate(input.Get());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, name);
  }
  EXPECT_FALSE(
      DefineController(*shared_, 20, DefaultInstanceGuid(0), DefaultProductGuid(0), "x", 1, 0, 0));
  EXPECT_FALSE(
      DefineController(*shared_, 0, DefaultInstanceGuid(0), DefaultProductGuid(0), "x", 129, 0, 0));
}

TEST_F(FakeDInputTest, RunsThroughTheProgramsCallsAndRecordsThem) {
  Define(0, 12, 2);
  Define(1, 128, 8, 4);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  ASSERT_EQ(Enumerate(input.Get()).size(), 2u);

  struct Expected {
    DWORD buttons;
    DWORD axes;
    DWORD povs;
  };
  const Expected expected[] = {{12, 2, 0}, {128, 8, 4}};
  Ref<IDirectInputDevice8A> devices[2];
  for (int index = 0; index < 2; ++index) {
    ASSERT_EQ(input->CreateDevice(DefaultInstanceGuid(index), devices[index].Out(), nullptr),
              DI_OK);
    IDirectInputDevice8A* device = devices[index].Get();
    DIDEVCAPS caps = {};
    caps.dwSize = 44;
    ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwSize, 44u);
    EXPECT_EQ(caps.dwButtons, expected[index].buttons);
    EXPECT_EQ(caps.dwAxes, expected[index].axes);
    EXPECT_EQ(caps.dwPOVs, expected[index].povs);
    EXPECT_EQ(caps.dwFlags & DIDC_ATTACHED, static_cast<DWORD>(DIDC_ATTACHED));

    ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DI_OK);
    ASSERT_EQ(device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    RangeState ranges{device};
    ASSERT_EQ(device->EnumObjects(SetRangeOfAxes, &ranges, DIDFT_ALL), DI_OK);
    EXPECT_EQ(ranges.visited, static_cast<int>(expected[index].buttons + expected[index].axes +
                                               expected[index].povs));
    EXPECT_EQ(ranges.axes, static_cast<int>(expected[index].axes));

    const CallRecord& record = Record(index);
    EXPECT_EQ(record.dataFormatSize, 272);
    EXPECT_EQ(record.dataFormatObjects, static_cast<LONG>(c_dfDIJoystick2.dwNumObjs));
    EXPECT_EQ(record.cooperativeFlags, 0x0A);
    EXPECT_EQ(record.cooperativeWindow, 0);
    EXPECT_EQ(record.enumObjectsVisited, ranges.visited);
    for (int axis = 0; axis < kMaxAxes; ++axis) {
      const bool hasAxis = axis < static_cast<int>(expected[index].axes);
      EXPECT_EQ(record.ranges[axis].setCount, hasAxis ? 1 : 0) << "axis " << axis;
      EXPECT_EQ(record.ranges[axis].min, hasAxis ? -1000 : 0);
      EXPECT_EQ(record.ranges[axis].max, hasAxis ? 1000 : 0);
    }
  }

  // The first pass only acquires; the next one reads.
  for (auto& device : devices) {
    EXPECT_EQ(device->Poll(), DIERR_NOTACQUIRED);
    EXPECT_EQ(device->Acquire(), DI_OK);
    EXPECT_EQ(device->Acquire(), DI_NOEFFECT);
  }
  SetButton(*shared_, 0, 2, 0x80);
  SetButton(*shared_, 1, 0, 0x80);
  SetButton(*shared_, 1, 127, 0x80);
  DIJOYSTATE2 states[2];
  for (int index = 0; index < 2; ++index) {
    EXPECT_TRUE(SUCCEEDED(devices[index]->Poll()));
    std::memset(&states[index], 0x55, sizeof(DIJOYSTATE2));
    ASSERT_EQ(devices[index]->GetDeviceState(272, &states[index]), DI_OK);
    EXPECT_EQ(Record(index).lastStateSize, 272);
    EXPECT_EQ(Record(index).acquiredDevices, 1);
  }
  EXPECT_EQ(states[0].lX, 0);
  EXPECT_EQ(states[0].lY, 0);
  EXPECT_EQ(states[0].lZ, 0);  // not on the device: zero
  EXPECT_EQ(states[1].rglSlider[1], 0);
  EXPECT_EQ(states[0].rgdwPOV[0], 0u);
  EXPECT_EQ(states[1].rgdwPOV[3], 0xFFFFFFFFu);  // centred
  for (int b = 0; b < 128; ++b) {
    EXPECT_EQ(states[0].rgbButtons[b], b == 2 ? 0x80 : 0) << "button " << b;
    EXPECT_EQ(states[1].rgbButtons[b], b == 0 || b == 127 ? 0x80 : 0) << "button " << b;
  }
  EXPECT_EQ(Record(0).seenSerial, Slot(0).buttonsSerial);

  SetButton(*shared_, 0, 2, 0x00);
  ASSERT_EQ(devices[0]->GetDeviceState(272, &states[0]), DI_OK);
  EXPECT_EQ(states[0].rgbButtons[2], 0);

  for (int index = 0; index < 2; ++index) {
    EXPECT_EQ(devices[index]->Unacquire(), DI_OK);
    EXPECT_EQ(devices[index]->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(Record(index).acquiredDevices, 0);
    devices[index].Reset();
    const CallRecord& record = Record(index);
    EXPECT_EQ(record.liveDevices, 0);
    EXPECT_EQ(record.calls[kCreateDevice], 1);
    EXPECT_EQ(record.calls[kGetCapabilities], 1);
    EXPECT_EQ(record.calls[kSetDataFormat], 1);
    EXPECT_EQ(record.calls[kSetCooperativeLevel], 1);
    EXPECT_EQ(record.calls[kEnumObjects], 1);
    EXPECT_EQ(record.calls[kSetProperty], static_cast<LONG>(expected[index].axes));
    EXPECT_EQ(record.calls[kPoll], 2);
    EXPECT_EQ(record.failures[kPoll], 1);
    EXPECT_EQ(record.calls[kAcquire], 2);
    EXPECT_EQ(record.calls[kGetDeviceState], index == 0 ? 2 : 1);
    EXPECT_EQ(record.failures[kGetDeviceState], 0);
    EXPECT_EQ(record.calls[kUnacquire], 2);
    EXPECT_EQ(record.calls[kRelease], 1);
  }
}

TEST_F(FakeDInputTest, ButtonBytesPassUnchangedForTheButtonsTheDeviceHas) {
  Define(0, 12, 2);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  Ref<IDirectInputDevice8A> device;
  OpenAsTheProgram(input.Get(), 0, device);
  ASSERT_EQ(device->Acquire(), DI_OK);

  struct Case {
    int button;
    BYTE value;
    BYTE read;
  };
  const Case cases[] = {
      {0, 0x80, 0x80},
      {11, 0x80, 0x80},
      {3, 0x01, 0x01},
      {4, 0xFF, 0xFF},
      {12, 0x80, 0x00},  // the device has 12 buttons: a thirteenth byte is never
                         // reported
      {127, 0x80, 0x00},
  };
  for (const Case& c : cases) {
    SetAllButtons(*shared_, 0, 0);
    const LONG serial = SetButton(*shared_, 0, c.button, c.value);
    DIJOYSTATE2 state;
    ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);
    for (int b = 0; b < 128; ++b) {
      EXPECT_EQ(state.rgbButtons[b], b == c.button ? c.read : 0) << "button " << b;
    }
    EXPECT_EQ(Record(0).seenSerial, serial);
  }
}

TEST_F(FakeDInputTest, TheFirstReadOfAChangeIsStamped) {
  Define(0, 4, 0);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  Ref<IDirectInputDevice8A> device;
  OpenAsTheProgram(input.Get(), 0, device);
  ASSERT_EQ(device->Acquire(), DI_OK);
  DIJOYSTATE2 state;
  const LONG changesBefore = shared_->header.changeSerial;
  const LONG serial = SetButton(*shared_, 0, 1, 0x80);
  const LONGLONG changed = Slot(0).buttonsChangeQpc;
  EXPECT_EQ(shared_->header.changeSerial, changesBefore + 1);
  EXPECT_EQ(shared_->header.changeQpc, changed);
  ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);
  const LONGLONG firstRead = Record(0).seenQpc;
  EXPECT_EQ(Record(0).seenSerial, serial);
  EXPECT_GE(firstRead, changed);
  Sleep(2);
  ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(Record(0).seenQpc, firstRead);
  EXPECT_GT(Record(0).lastStateQpc, firstRead);
}

TEST_F(FakeDInputTest, FaultsAnswerTheNextCallsThenTheDeviceWorks) {
  struct Case {
    Method method;
    LONG count;
    HRESULT result;    // 0: the default for the method
    HRESULT expected;  // what the faulted calls answer
  };
  const Case cases[] = {
      {kCreateDevice, 1, 0, DIERR_DEVICENOTREG},  {kGetCapabilities, 2, E_FAIL, E_FAIL},
      {kSetDataFormat, 1, 0, DIERR_INVALIDPARAM}, {kSetCooperativeLevel, 1, 0, DIERR_INVALIDPARAM},
      {kEnumObjects, 1, 0, DIERR_GENERIC},        {kSetProperty, 3, 0, DIERR_UNSUPPORTED},
      {kAcquire, 2, 0, DIERR_INPUTLOST},          {kPoll, 1, DIERR_NOTACQUIRED, DIERR_NOTACQUIRED},
      {kGetDeviceState, 4, 0, DIERR_INPUTLOST},   {kUnacquire, 1, 0, DIERR_GENERIC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kMethodNames[c.method]);
    ResetAll(*shared_);
    Define(0, 4, 2);
    Ref<IDirectInput8A> input;
    ASSERT_EQ(Create(input), DI_OK);
    Ref<IDirectInputDevice8A> device;
    // Each call is made count + 1 times: the last one must work.
    auto call = [&]() -> HRESULT {
      DIDEVCAPS caps = {};
      caps.dwSize = sizeof(caps);
      DIPROPRANGE range = {};
      range.diph.dwSize = sizeof(range);
      range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
      range.diph.dwObj = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(0);
      range.diph.dwHow = DIPH_BYID;
      range.lMin = -1;
      range.lMax = 1;
      RangeState ranges{device.Get()};
      DIJOYSTATE2 state;
      switch (c.method) {
        case kCreateDevice:
          return input->CreateDevice(DefaultInstanceGuid(0), device.Out(), nullptr);
        case kGetCapabilities:
          return device->GetCapabilities(&caps);
        case kSetDataFormat:
          return device->SetDataFormat(&c_dfDIJoystick2);
        case kSetCooperativeLevel:
          return device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
        case kEnumObjects:
          return device->EnumObjects(SetRangeOfAxes, &ranges, DIDFT_ALL);
        case kSetProperty:
          return device->SetProperty(DIPROP_RANGE, &range.diph);
        case kAcquire: {
          const HRESULT result = device->Acquire();
          device->Unacquire();
          return result;
        }
        case kPoll:
          return device->Poll();
        case kGetDeviceState:
          return device->GetDeviceState(sizeof(state), &state);
        case kUnacquire: {
          device->Acquire();
          return device->Unacquire();
        }
        default:
          return E_UNEXPECTED;
      }
    };
    // Everything the call needs is set up before the fault is.
    if (c.method != kCreateDevice) {
      ASSERT_EQ(input->CreateDevice(DefaultInstanceGuid(0), device.Out(), nullptr), DI_OK);
      ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DI_OK);
      if (c.method == kPoll || c.method == kGetDeviceState) {
        ASSERT_EQ(device->Acquire(), DI_OK);
      }
    }
    SetFault(Slot(0).faults[c.method], c.count, c.result);
    const LONG callsBefore = Record(0).calls[c.method];
    for (LONG i = 0; i < c.count; ++i) EXPECT_EQ(call(), c.expected) << "call " << i;
    EXPECT_TRUE(SUCCEEDED(call()));
    EXPECT_EQ(Slot(0).faults[c.method].remaining, 0);
    EXPECT_EQ(Record(0).calls[c.method] - callsBefore, c.count + 1);
    EXPECT_GE(Record(0).failures[c.method], c.count);
  }
}

TEST_F(FakeDInputTest, AcquireAnswersInputLostAsOftenAsAsked) {
  Define(0, 4, 0);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  Ref<IDirectInputDevice8A> device;
  OpenAsTheProgram(input.Get(), 0, device);
  for (LONG times : {0, 1, 5, 100}) {
    device->Unacquire();
    ResetRecords(*shared_, 0);
    SetFault(Slot(0).faults[kAcquire], times, DIERR_INPUTLOST);
    HRESULT result = device->Acquire();
    int calls = 1;
    while (result == DIERR_INPUTLOST && calls < 1000) {
      result = device->Acquire();
      ++calls;
    }
    EXPECT_EQ(result, DI_OK);
    EXPECT_EQ(calls, times + 1);
    EXPECT_EQ(Record(0).calls[kAcquire], times + 1);
    EXPECT_EQ(Record(0).acquiredDevices, 1);
  }
  device->Unacquire();
  SetFault(Slot(0).faults[kAcquire], kForever, DIERR_INPUTLOST);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(device->Acquire(), DIERR_INPUTLOST);
  EXPECT_EQ(Slot(0).faults[kAcquire].remaining, kForever);
  EXPECT_EQ(Record(0).acquiredDevices, 0);
}

TEST_F(FakeDInputTest, PulledOutControllerLosesInputOnceAndComesBackWhenReplugged) {
  Define(0, 4, 1);
  Define(1, 4, 1);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  Ref<IDirectInputDevice8A> device;
  OpenAsTheProgram(input.Get(), 0, device);
  ASSERT_EQ(device->Acquire(), DI_OK);
  DIJOYSTATE2 state;
  ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);

  SetPresent(*shared_, 0, false);
  SetButton(*shared_, 0, 1, 0x80);
  // The loss shows at the next call, here the poll, once; then the device is not acquired.
  EXPECT_EQ(device->Poll(), DIERR_INPUTLOST);
  EXPECT_EQ(Record(0).acquiredDevices, 0);
  EXPECT_EQ(device->Poll(), DIERR_NOTACQUIRED);
  // Not DIERR_INPUTLOST: a program retrying while input is lost does not spin.
  EXPECT_EQ(device->Acquire(), static_cast<HRESULT>(DIERR_UNPLUGGED));
  EXPECT_EQ(device->GetDeviceState(sizeof(state), &state), DIERR_NOTACQUIRED);
  DIDEVCAPS caps = {};
  caps.dwSize = sizeof(caps);
  ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
  EXPECT_EQ(caps.dwFlags & DIDC_ATTACHED, 0u);

  const std::vector<Listed> listed = Enumerate(input.Get());
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_TRUE(IsEqualGUID(listed[0].instance, DefaultInstanceGuid(1)));
  Ref<IDirectInputDevice8A> another;
  EXPECT_EQ(input->CreateDevice(DefaultInstanceGuid(0), another.Out(), nullptr),
            DIERR_DEVICENOTREG);
  EXPECT_EQ(another.Get(), nullptr);
  EXPECT_EQ(input->GetDeviceStatus(DefaultInstanceGuid(0)), DI_NOTATTACHED);

  SetPresent(*shared_, 0, true);
  EXPECT_EQ(input->GetDeviceStatus(DefaultInstanceGuid(0)), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.rgbButtons[1], 0x80);

  // Pulled out again, a read that comes first shows the loss the same way.
  SetPresent(*shared_, 0, false);
  EXPECT_EQ(device->GetDeviceState(sizeof(state), &state), DIERR_INPUTLOST);
  EXPECT_EQ(Record(0).acquiredDevices, 0);
  EXPECT_EQ(Record(0).failures[kPoll], 2);
  EXPECT_EQ(Record(0).failures[kGetDeviceState], 2);
}

TEST_F(FakeDInputTest, ASlotGivenToAnotherControllerLeavesOldDevicesUnplugged) {
  Define(0, 4, 0);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  Ref<IDirectInputDevice8A> device;
  OpenAsTheProgram(input.Get(), 0, device);
  ASSERT_EQ(device->Acquire(), DI_OK);
  ASSERT_TRUE(
      DefineController(*shared_, 0, DefaultInstanceGuid(7), DefaultProductGuid(7), "new", 4, 0, 0));
  DIJOYSTATE2 state;
  EXPECT_EQ(device->GetDeviceState(sizeof(state), &state), DIERR_INPUTLOST);
  Ref<IDirectInputDevice8A> fresh;
  EXPECT_EQ(input->CreateDevice(DefaultInstanceGuid(0), fresh.Out(), nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(shared_->header.record.createDeviceUnknown, 1);
  ASSERT_EQ(input->CreateDevice(DefaultInstanceGuid(7), fresh.Out(), nullptr), DI_OK);
}

TEST_F(FakeDInputTest, DeviceChecksSizesFormatsAndState) {
  Define(0, 40, 3, 1);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  Ref<IDirectInputDevice8A> device;
  ASSERT_EQ(input->CreateDevice(DefaultInstanceGuid(0), device.Out(), nullptr), DI_OK);
  DIJOYSTATE2 state;
  EXPECT_EQ(device->GetDeviceState(sizeof(state), &state), DIERR_INVALIDPARAM);  // no format
  EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM);

  DIDEVCAPS caps = {};
  for (DWORD size : {0ul, 43ul, 45ul}) {
    caps.dwSize = size;
    EXPECT_EQ(device->GetCapabilities(&caps), DIERR_INVALIDPARAM) << size;
  }
  caps.dwSize = sizeof(DIDEVCAPS_DX3);
  EXPECT_EQ(device->GetCapabilities(&caps), DI_OK);
  EXPECT_EQ(caps.dwButtons, 40u);

  // The one data format, c_dfDIJoystick2; the state is a whole DIJOYSTATE2.
  EXPECT_EQ(device->SetDataFormat(&c_dfDIJoystick), DIERR_UNSUPPORTED);
  EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM);
  ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  SetButton(*shared_, 0, 39, 0x80);
  SetButton(*shared_, 0, 40, 0x80);
  DIJOYSTATE small;
  EXPECT_EQ(device->GetDeviceState(sizeof(small), &small), DIERR_INVALIDPARAM);
  std::memset(&state, 0x5A, sizeof(state));
  ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.rgbButtons[39], 0x80);
  EXPECT_EQ(state.rgbButtons[40], 0);  // past the device's 40 buttons
  EXPECT_EQ(state.lX, 32767);          // default range 0..65535
  EXPECT_EQ(state.lZ, 32767);
  EXPECT_EQ(state.lRx, 0);  // three axes only
  EXPECT_EQ(state.rgdwPOV[0], 0xFFFFFFFFu);
  EXPECT_EQ(state.rgdwPOV[1], 0u);  // one point of view only
  EXPECT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DIERR_ACQUIRED);

  DIPROPRANGE range = {};
  range.diph.dwSize = sizeof(range);
  range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  range.diph.dwHow = DIPH_BYID;
  range.diph.dwObj = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1);
  range.lMin = -50;
  range.lMax = 50;
  EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &range.diph), DIERR_ACQUIRED);
  ASSERT_EQ(device->Unacquire(), DI_OK);

  // Ranges by axis ID, as the program sets them.
  struct Case {
    DWORD how;
    DWORD object;
    LONG min;
    LONG max;
    HRESULT expected;
  };
  const Case cases[] = {
      {DIPH_BYID, DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1), -7, 7, DI_OK},
      {DIPH_BYID, DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(2), -1000, 1000, DI_OK},
      {DIPH_BYID, DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(3), -7, 7, DIERR_OBJECTNOTFOUND},
      {DIPH_BYID, DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(0), -7, 7, DIERR_UNSUPPORTED},
      {DIPH_BYID, DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1), 7, 7, DIERR_INVALIDPARAM},
      {DIPH_BYOFFSET, DIJOFS_Z, -9, 9, DIERR_UNSUPPORTED},
      {DIPH_DEVICE, 0, -9, 9, DIERR_UNSUPPORTED},
  };
  for (const Case& c : cases) {
    range.diph.dwHow = c.how;
    range.diph.dwObj = c.object;
    range.lMin = c.min;
    range.lMax = c.max;
    EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &range.diph), c.expected) << c.object;
  }
  EXPECT_EQ(Record(0).ranges[0].setCount, 0);
  EXPECT_EQ(Record(0).ranges[1].setCount, 1);
  EXPECT_EQ(Record(0).ranges[1].min, -7);
  EXPECT_EQ(Record(0).ranges[1].max, 7);
  EXPECT_EQ(Record(0).ranges[2].min, -1000);
  ASSERT_EQ(device->Acquire(), DI_OK);
  ASSERT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lX, 32767);
  EXPECT_EQ(state.lY, 0);  // the centre of -7..7
  EXPECT_EQ(state.lZ, 0);
  ASSERT_EQ(device->Unacquire(), DI_OK);
  range.diph.dwHow = DIPH_BYID;
  range.diph.dwObj = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1);
  range.diph.dwSize = sizeof(DIPROPHEADER);
  EXPECT_EQ(device->SetProperty(DIPROP_RANGE, &range.diph), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->SetProperty(DIPROP_DEADZONE, &range.diph), DIERR_UNSUPPORTED);
}

TEST_F(FakeDInputTest, CooperativeLevelWantsSensibleFlagsAndATopLevelWindow) {
  Define(0, 4, 0);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  Ref<IDirectInputDevice8A> device;
  ASSERT_EQ(input->CreateDevice(DefaultInstanceGuid(0), device.Out(), nullptr), DI_OK);
  HWND top = CreateWindowExA(0, "STATIC", "top", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  HWND child =
      CreateWindowExA(0, "STATIC", "child", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  struct Case {
    HWND window;
    DWORD flags;
    HRESULT expected;
  };
  const Case cases[] = {
      {nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, DI_OK},
      {nullptr, DISCL_EXCLUSIVE | DISCL_FOREGROUND, E_HANDLE},
      {top, DISCL_NONEXCLUSIVE | DISCL_EXCLUSIVE | DISCL_BACKGROUND, DIERR_INVALIDPARAM},
      {top, DISCL_NONEXCLUSIVE, DIERR_INVALIDPARAM},
      {top, 0x0A | 0x100, DIERR_INVALIDPARAM},
      {reinterpret_cast<HWND>(0x7FFF0), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, E_HANDLE},
      {child, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, E_HANDLE},
      {top, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, DI_OK},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(device->SetCooperativeLevel(c.window, c.flags), c.expected) << std::hex << c.flags;
  }
  EXPECT_EQ(Record(0).cooperativeWindow, reinterpret_cast<LONG_PTR>(top));
  EXPECT_EQ(Record(0).cooperativeFlags, 0x0A);
  EXPECT_EQ(Record(0).failures[kSetCooperativeLevel], 6);
  DestroyWindow(top);
}

TEST_F(FakeDInputTest, ObjectsCountTheirReferences) {
  Define(0, 4, 0);
  Ref<IDirectInput8A> input;
  ASSERT_EQ(Create(input), DI_OK);
  EXPECT_EQ(canUnload_(), S_FALSE);
  Ref<IDirectInputDevice8A> device;
  ASSERT_EQ(input->CreateDevice(DefaultInstanceGuid(0), device.Out(), nullptr), DI_OK);

  IUnknown* unknown = nullptr;
  ASSERT_EQ(device->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(device.Get()));
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(device->QueryInterface(IID_IDirectInputDevice8W, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(input->QueryInterface(IID_IDirectInput8W, &other), E_NOINTERFACE);
  EXPECT_EQ(unknown->Release(), 1u);
  EXPECT_EQ(device->AddRef(), 2u);
  EXPECT_EQ(device->Release(), 1u);
  EXPECT_EQ(Record(0).liveDevices, 1);

  // Releasing DirectInput first leaves the device working.
  input.Reset();
  EXPECT_EQ(shared_->header.record.liveInterfaces, 0);
  ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick2), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  EXPECT_EQ(canUnload_(), S_FALSE);
  device.Reset();
  EXPECT_EQ(Record(0).liveDevices, 0);
  EXPECT_EQ(Record(0).acquiredDevices, 0);  // released while acquired
  EXPECT_EQ(Record(0).calls[kRelease], 3);
  EXPECT_EQ(canUnload_(), S_OK);
}

}  // namespace
}  // namespace fakedinput
