#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input/ControllerBackend.h"
#include "tests/doubles/EventLog.h"

namespace tarvel::test {

constexpr Result kInvalidParam = static_cast<Result>(0x80070057u);  // DIERR_INVALIDPARAM
constexpr Result kDeviceNotRegistered = static_cast<Result>(0x80040154u);
constexpr Result kUnsupported = static_cast<Result>(0x80004001u);  // DIERR_UNSUPPORTED
constexpr Result kAcquired = static_cast<Result>(0x800700AAu);     // DIERR_ACQUIRED
constexpr Result kNotBuffered = static_cast<Result>(0x80040207u);  // DIERR_NOTBUFFERED

// Axis and other object types as DirectInput reports them in dwType.
constexpr uint32_t kRelativeAxis = 0x01;
constexpr uint32_t kAbsoluteAxis = 0x02;
constexpr uint32_t kPushButton = 0x04;
constexpr uint32_t kToggleButton = 0x08;
constexpr uint32_t kPov = 0x10;
// dwType with an instance number in bits 8-23, as DIDFT_MAKEINSTANCE builds it.
constexpr uint32_t ObjectType(uint32_t kind, uint32_t instance) { return kind | (instance << 8); }

struct AxisRangeCall {
  uint32_t objectType;
  uint32_t how;
  int32_t min;
  int32_t max;
  bool operator==(const AxisRangeCall&) const = default;
};

// One scripted game controller: what it reports, the faults it shows and what was asked of it
// (counts summed over every device opened for it).
struct FakeController {
  // What the controller reports.
  Guid instanceGuid;
  Guid productGuid;
  std::string name;               // cut to the 259 characters that the 260-byte field holds
  bool unterminatedName = false;  // fill all 260 bytes of the name field, no terminating zero
  uint32_t buttons = 0;
  std::vector<uint32_t> objects;  // object types, in EnumObjects order
  uint8_t buttonBytes[128] = {};
  std::vector<Guid> objectGuids;  // type GUIDs of the first objects; the rest have none
  int32_t axisValues[8] = {};     // lX .. lRz, the sliders
  uint32_t povValues[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};  // centred
  bool attached = true;  // listed by EnumDevices

  // Faults.
  bool failCreateDevice = false;
  bool failGetCapabilities = false;
  bool failSetDataFormat = false;
  bool failSetCooperativeLevel = false;
  bool failEnumObjects = false;
  bool failSetPropertyForAnyObject = false;
  uint32_t failSetPropertyForType = 0xFFFFFFFFu;  // the one object type whose range fails
  bool failPoll = false;                          // Poll fails even while acquired
  int inputLostAnswers = 0;         // Acquire answers INPUTLOST this often; -1: always
  Result acquireFailure = kOk;      // then Acquire answers this when it is a failure
  bool failGetDeviceState = false;  // as when the controller was pulled out
  Result getDeviceStateFailure = kInputLost;
  Result pollSuccess = kNoEffect;  // most controllers need no polling
  bool dropAcquisition = false;    // the next Poll finds the device no longer acquired
  Result readSuccess = kOk;        // another success code: the state is not written
  // Buffered input, refused unless asked for: then Press and ReleaseButton queue their change
  // and set the change event. pollEvents: SetEventNotification answers DI_POLLEDDEVICE.
  bool buffers = false;
  bool pollEvents = false;
  bool failEvent = false;
  uint32_t bufferSize = 0;  // what was set; the queue keeps at most this many changes
  std::vector<DeviceChange> queue;
  bool overflowed = false;
  EventHandle changeEvent = nullptr;
  int eventsSet = 0;  // times the change event was set
  int getDeviceDataCalls = 0;

  // What was asked of it.
  int createDeviceCalls = 0;
  int devicesCreated = 0;
  int liveDevices = 0;
  int getCapabilitiesCalls = 0;
  int setDataFormatCalls = 0;
  bool dataFormatSet = false;
  int setCooperativeLevelCalls = 0;
  WindowHandle cooperativeWindow = reinterpret_cast<WindowHandle>(-1);
  uint32_t cooperativeFlags = 0;
  int enumObjectsCalls = 0;
  uint32_t enumObjectsFlags = 0xFFFFFFFFu;
  int objectsVisited = 0;
  std::vector<AxisRangeCall> axisRanges;  // every SetProperty call, failed ones included
  int pollCalls = 0;
  int acquireCalls = 0;
  int unacquireCalls = 0;
  int getDeviceStateCalls = 0;
  long statesRead = 0;  // successful state reads
  uint32_t lastStateSize = 0;
  int releaseCalls = 0;
  bool acquired = false;

  void Unplug() {
    attached = false;
    failGetDeviceState = true;
  }
  void PlugIn() {
    attached = true;
    failGetDeviceState = false;
  }
  void Press(int button, uint8_t value = 0x80) { PressTogether({button}, value); }
  void ReleaseButton(int button) { Press(button, 0); }
  // Changes in one report of the controller: buffered with one sequence number.
  void PressTogether(std::initializer_list<int> buttons, uint8_t value = 0x80);
  uint32_t sequence = 0;
  // Clears the counts of calls (not the script).
  void ResetCounts();
};

class FakeBackend;

// One opened device (IDirectInputDevice8A) of a FakeController. Kept alive by the back-end
// after its last Release, so that a call on a released device is counted, not undefined.
class FakeDevice final : public ControllerDevice {
 public:
  FakeDevice(FakeBackend* backend, int controllerIndex)
      : backend_(backend), index_(controllerIndex) {}

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

  int ControllerIndex() const { return index_; }
  bool IsReleased() const { return refs_ == 0; }

 private:
  FakeController& Controller();
  bool CheckAlive(const char* call);
  void Log(const char* call);

  FakeBackend* backend_;
  int index_;
  int refs_ = 1;
};

class FakeInput final : public ControllerInput {
 public:
  explicit FakeInput(FakeBackend* backend) : backend_(backend) {}
  Result EnumDevices(uint32_t deviceClass, DeviceEnumCallback callback, void* context,
                     uint32_t flags) override;
  Result CreateDevice(const Guid& instanceGuid, ControllerDevice** device) override;
  uint32_t Release() override;

 private:
  FakeBackend* backend_;
};

// A controller back-end that presents scripted controllers, in the order they were added.
// Enumeration goes on only while the callback answers kEnumContinue, as documented for
// DirectInput.
class FakeBackend final : public ControllerBackend {
 public:
  FakeBackend();
  ~FakeBackend();
  FakeBackend(const FakeBackend&) = delete;
  FakeBackend& operator=(const FakeBackend&) = delete;

  Result CreateInput(ControllerInput** input) override;
  // Events are tokens here: the address of a counter of times each was closed.
  EventHandle CreateChangeEvent() override;
  void CloseChangeEvent(EventHandle event) override;
  int eventsCreated = 0;
  int eventsClosed = 0;

  // Adds a controller with distinct GUIDs (from n), "Pad <n>", the given buttons, two axes
  // without type GUIDs (so no axis rows) and the buttons as objects; no point-of-view hat.
  FakeController& AddController(uint32_t buttons = 12);
  FakeController& AddController(const Guid& instance, const std::string& name, uint32_t buttons);
  FakeController& Controller(int index) { return *controllers_[index]; }
  int ControllerCount() const { return static_cast<int>(controllers_.size()); }
  // The controller index that a device pointer was opened for, or -1.
  int ControllerOf(const ControllerDevice* device) const;

  // For long runs: no record that grows with every call (callback answers, axis ranges), and a
  // device is freed at its last release, so that a device the code under test forgets shows as
  // growing memory. A call on a released device is then undefined, as it is with DirectInput.
  bool longRun = false;

  // Faults of the back-end itself.
  bool failCreateInput = false;
  bool failEnumDevices = false;

  // What was asked of it.
  int createInputCalls = 0;
  int inputRefs = 0;  // references to the input interface not yet released
  int enumDevicesCalls = 0;
  uint32_t enumClass = 0xFFFFFFFFu;
  uint32_t enumFlags = 0xFFFFFFFFu;
  int enumCallbacks = 0;  // controllers offered to the callback
  // The controller the enumeration callback is being offered: CreateDevice with its GUID opens
  // it, even when an earlier controller shares the GUID. -1 outside the callback.
  int offered = -1;
  std::vector<int> callbackAnswers;  // what the callback answered, in order
  int callsOnReleasedObjects = 0;    // calls on a device or interface after its last Release
  EventLog* log = nullptr;           // "Release c1", "Unacquire c0", "CreateDevice c2", ...

  int LiveDevices() const;
  void ResetCounts();

 private:
  friend class FakeDevice;
  friend class FakeInput;
  void Free(const FakeDevice* device);
  FakeInput input_;
  std::vector<std::unique_ptr<FakeController>> controllers_;
  std::vector<std::unique_ptr<FakeDevice>> devices_;
};

// Distinct GUIDs for tests: n in Data1 and in the last byte, a fixed pattern elsewhere.
Guid TestGuid(uint32_t n, uint8_t kind = 0x11);

}  // namespace tarvel::test
