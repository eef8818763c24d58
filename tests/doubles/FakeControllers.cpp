#include "tests/doubles/FakeControllers.h"

#include <algorithm>
#include <cstring>

namespace tarvel::test {

Guid TestGuid(uint32_t n, uint8_t kind) {
  Guid g;
  g.data1 = 0xA0000000u + n;
  g.data2 = static_cast<uint16_t>(0x1000 + kind);
  g.data3 = 0x11D2;
  const uint8_t tail[8] = {0x8A, kind, 0x00, 0x60, 0x97, 0xB0, 0x10, static_cast<uint8_t>(n)};
  std::memcpy(g.data4, tail, 8);
  return g;
}

void FakeController::ResetCounts() {
  createDeviceCalls = devicesCreated = getCapabilitiesCalls = 0;
  setDataFormatCalls = setCooperativeLevelCalls = enumObjectsCalls = objectsVisited = 0;
  pollCalls = acquireCalls = unacquireCalls = getDeviceStateCalls = releaseCalls = 0;
  statesRead = 0;
  axisRanges.clear();
}

// --- FakeDevice -------------------------------------------------------------------------------

FakeController& FakeDevice::Controller() { return backend_->Controller(index_); }

void FakeDevice::Log(const char* call) {
  if (backend_->log == nullptr) return;
  LogTo(backend_->log, std::string(call) + " c" + std::to_string(index_));
}

bool FakeDevice::CheckAlive(const char* call) {
  Log(call);
  if (refs_ > 0) return true;
  ++backend_->callsOnReleasedObjects;
  return false;
}

Result FakeDevice::SetDataFormatJoystick2() {
  if (!CheckAlive("SetDataFormat")) return kFail;
  FakeController& c = Controller();
  ++c.setDataFormatCalls;
  if (c.failSetDataFormat) return kFail;
  c.dataFormatSet = true;
  return kOk;
}

Result FakeDevice::SetCooperativeLevel(WindowHandle window, uint32_t flags) {
  if (!CheckAlive("SetCooperativeLevel")) return kFail;
  FakeController& c = Controller();
  ++c.setCooperativeLevelCalls;
  c.cooperativeWindow = window;
  c.cooperativeFlags = flags;
  return c.failSetCooperativeLevel ? kFail : kOk;
}

Result FakeDevice::EnumObjects(ObjectEnumCallback callback, void* context, uint32_t flags) {
  if (!CheckAlive("EnumObjects")) return kFail;
  FakeController& c = Controller();
  ++c.enumObjectsCalls;
  c.enumObjectsFlags = flags;
  if (c.failEnumObjects) return kFail;
  const std::vector<uint32_t> objects = c.objects;  // the callback may not change the script
  const std::vector<Guid> guids = c.objectGuids;
  for (size_t i = 0; i < objects.size(); ++i) {
    ControllerObject object;
    object.type = objects[i];
    if (i < guids.size()) object.guidType = guids[i];
    ++c.objectsVisited;
    if (callback(object, context) != kEnumContinue) break;
  }
  return kOk;
}

Result FakeDevice::GetCapabilities(DeviceCaps* caps) {
  if (!CheckAlive("GetCapabilities")) return kFail;
  FakeController& c = Controller();
  ++c.getCapabilitiesCalls;
  if (caps == nullptr || caps->size != sizeof(DeviceCaps)) return kInvalidParam;
  if (c.failGetCapabilities) return kFail;
  caps->flags = 0x00000005;  // attached, emulated
  caps->devType = 0x00010114;
  caps->axes = 0;
  caps->povs = 0;
  for (uint32_t type : c.objects) {
    if ((type & 3) != 0) ++caps->axes;
    if ((type & 0x10) != 0) ++caps->povs;
  }
  caps->buttons = c.buttons;
  return kOk;
}

Result FakeDevice::SetAxisRangeProperty(uint32_t objectType, uint32_t how, int32_t min,
                                        int32_t max) {
  if (!CheckAlive("SetProperty")) return kFail;
  FakeController& c = Controller();
  if (!backend_->longRun) c.axisRanges.push_back({objectType, how, min, max});
  if (c.failSetPropertyForAnyObject || objectType == c.failSetPropertyForType) return kFail;
  return kOk;
}

void FakeController::PressTogether(std::initializer_list<int> buttons, uint8_t value) {
  ++sequence;
  for (int button : buttons) {
    buttonBytes[button] = value;
    if (!buffers || bufferSize == 0 || !acquired) continue;
    if (queue.size() >= bufferSize) {
      overflowed = true;  // the newest change is lost, as DirectInput does
      continue;
    }
    queue.push_back(DeviceChange{kButtonsOffset + static_cast<uint32_t>(button), value, sequence});
  }
  if (buffers && acquired && changeEvent != nullptr) ++eventsSet;
}

Result FakeDevice::Acquire() {
  if (!CheckAlive("Acquire")) return kFail;
  FakeController& c = Controller();
  ++c.acquireCalls;
  if (c.inputLostAnswers != 0) {
    if (c.inputLostAnswers > 0) --c.inputLostAnswers;
    return kInputLost;
  }
  if (!c.attached) return kUnplugged;
  if (Failed(c.acquireFailure)) return c.acquireFailure;
  if (!c.dataFormatSet) return kInvalidParam;  // DirectInput refuses without a data format
  if (c.acquired) return kNoEffect;
  c.acquired = true;
  c.queue.clear();  // acquiring empties the buffer
  c.overflowed = false;
  return kOk;
}

Result FakeDevice::Unacquire() {
  if (!CheckAlive("Unacquire")) return kFail;
  FakeController& c = Controller();
  ++c.unacquireCalls;
  if (!c.acquired) return kNoEffect;
  c.acquired = false;
  return kOk;
}

Result FakeDevice::Poll() {
  if (!CheckAlive("Poll")) return kFail;
  FakeController& c = Controller();
  ++c.pollCalls;
  if (c.failPoll) return kFail;
  if (c.dropAcquisition) {
    c.dropAcquisition = false;
    c.acquired = false;
  }
  if (!c.acquired) return kNotAcquired;
  if (!c.attached) {
    // Pulled out: the loss shows at the next poll, and the controller is no longer acquired.
    c.acquired = false;
    return kInputLost;
  }
  return c.pollSuccess;
}

Result FakeDevice::GetDeviceState(uint32_t size, void* state) {
  if (!CheckAlive("GetDeviceState")) return kFail;
  FakeController& c = Controller();
  ++c.getDeviceStateCalls;
  c.lastStateSize = size;
  if (size != kJoystickStateSize || state == nullptr) return kInvalidParam;
  if (!c.acquired) return kNotAcquired;
  if (c.failGetDeviceState) return c.getDeviceStateFailure;
  if (c.readSuccess != kOk) return c.readSuccess;
  auto* bytes = static_cast<uint8_t*>(state);
  std::memset(bytes, 0x5A, kJoystickStateSize);  // what follows the buttons: noise
  std::memcpy(bytes, c.axisValues, sizeof c.axisValues);
  std::memcpy(bytes + sizeof c.axisValues, c.povValues, sizeof c.povValues);
  std::memcpy(bytes + kButtonsOffset, c.buttonBytes, 128);
  ++c.statesRead;
  return kOk;
}

Result FakeDevice::SetBufferSize(uint32_t entries) {
  FakeController& c = Controller();
  if (!c.buffers) return kUnsupported;
  if (c.acquired) return kAcquired;
  c.bufferSize = entries;
  return kOk;
}

Result FakeDevice::SetEventNotification(EventHandle event) {
  FakeController& c = Controller();
  if (!c.buffers || c.failEvent) return kUnsupported;
  if (c.acquired) return kAcquired;
  c.changeEvent = event;
  return c.pollEvents ? kPolledDevice : kOk;
}

Result FakeDevice::GetDeviceData(DeviceChange* changes, uint32_t* count) {
  FakeController& c = Controller();
  ++c.getDeviceDataCalls;
  const uint32_t room = *count;
  *count = 0;
  if (!c.buffers || c.bufferSize == 0) return kNotBuffered;
  if (!c.acquired) return kNotAcquired;
  if (c.failGetDeviceState) return c.getDeviceStateFailure;
  const uint32_t n = std::min<uint32_t>(room, static_cast<uint32_t>(c.queue.size()));
  std::copy(c.queue.begin(), c.queue.begin() + n, changes);
  c.queue.erase(c.queue.begin(), c.queue.begin() + n);
  *count = n;
  const bool overflowed = c.overflowed;
  c.overflowed = false;
  return overflowed ? kBufferOverflow : kOk;
}

uint32_t FakeDevice::Release() {
  Log("Release");
  if (refs_ == 0) {
    ++backend_->callsOnReleasedObjects;
    return 0;
  }
  FakeController& c = Controller();
  ++c.releaseCalls;
  if (--refs_ > 0) return static_cast<uint32_t>(refs_);
  --c.liveDevices;
  c.acquired = false;
  if (backend_->longRun) backend_->Free(this);  // deletes this
  return 0;
}

// --- FakeInput --------------------------------------------------------------------------------

Result FakeInput::EnumDevices(uint32_t deviceClass, DeviceEnumCallback callback, void* context,
                              uint32_t flags) {
  FakeBackend& b = *backend_;
  LogTo(b.log, "EnumDevices");
  if (b.inputRefs <= 0) {
    ++b.callsOnReleasedObjects;
    return kFail;
  }
  ++b.enumDevicesCalls;
  b.enumClass = deviceClass;
  b.enumFlags = flags;
  if (b.failEnumDevices) return kFail;
  const int n = b.ControllerCount();  // a controller added by the callback is not offered
  for (int i = 0; i < n; ++i) {
    const FakeController& c = b.Controller(i);
    if (!c.attached && (flags & kAttachedOnly) != 0) continue;
    ControllerInstance instance;
    instance.instanceGuid = c.instanceGuid;
    instance.productGuid = c.productGuid;
    if (c.unterminatedName) {
      std::memset(instance.productName, 'N', sizeof instance.productName);
      std::memcpy(instance.productName, c.name.data(),
                  std::min(c.name.size(), sizeof instance.productName));
    } else {
      const size_t len = std::min(c.name.size(), sizeof instance.productName - 1);
      std::memcpy(instance.productName, c.name.data(), len);
    }
    ++b.enumCallbacks;
    b.offered = i;
    const int answer = callback(instance, context);
    b.offered = -1;
    if (!b.longRun) b.callbackAnswers.push_back(answer);
    if (answer != kEnumContinue) break;
  }
  return kOk;
}

Result FakeInput::CreateDevice(const Guid& instanceGuid, ControllerDevice** device) {
  FakeBackend& b = *backend_;
  if (device != nullptr) *device = nullptr;
  if (b.inputRefs <= 0) {
    ++b.callsOnReleasedObjects;
    return kFail;
  }
  const bool offeredMatches = b.offered >= 0 && b.offered < b.ControllerCount() &&
                              b.Controller(b.offered).instanceGuid == instanceGuid;
  for (int i = offeredMatches ? b.offered : 0; i < b.ControllerCount(); ++i) {
    FakeController& c = b.Controller(i);
    if (!c.attached || !(c.instanceGuid == instanceGuid)) continue;
    LogTo(b.log, "CreateDevice c" + std::to_string(i));
    ++c.createDeviceCalls;
    if (device == nullptr) return kInvalidParam;
    if (c.failCreateDevice) return kFail;
    b.devices_.push_back(std::make_unique<FakeDevice>(&b, i));
    ++c.devicesCreated;
    ++c.liveDevices;
    c.acquired = false;
    c.dataFormatSet = false;
    *device = b.devices_.back().get();
    return kOk;
  }
  return kDeviceNotRegistered;
}

uint32_t FakeInput::Release() {
  FakeBackend& b = *backend_;
  LogTo(b.log, "Release input");
  if (b.inputRefs <= 0) {
    ++b.callsOnReleasedObjects;
    return 0;
  }
  return static_cast<uint32_t>(--b.inputRefs);
}

// --- FakeBackend ------------------------------------------------------------------------------

FakeBackend::FakeBackend() : input_(this) {}
FakeBackend::~FakeBackend() = default;

EventHandle FakeBackend::CreateChangeEvent() {
  ++eventsCreated;
  return reinterpret_cast<EventHandle>(static_cast<intptr_t>(0x1000 + eventsCreated));
}

void FakeBackend::CloseChangeEvent(EventHandle) { ++eventsClosed; }

Result FakeBackend::CreateInput(ControllerInput** input) {
  ++createInputCalls;
  LogTo(log, "CreateInput");
  if (input != nullptr) *input = nullptr;
  if (failCreateInput) return kFail;
  if (input == nullptr) return kInvalidParam;
  ++inputRefs;
  *input = &input_;
  return kOk;
}

FakeController& FakeBackend::AddController(uint32_t buttons) {
  const uint32_t n = static_cast<uint32_t>(controllers_.size()) + 1;
  return AddController(TestGuid(n), "Pad " + std::to_string(n), buttons);
}

FakeController& FakeBackend::AddController(const Guid& instance, const std::string& name,
                                           uint32_t buttons) {
  auto c = std::make_unique<FakeController>();
  c->instanceGuid = instance;
  c->productGuid = instance;
  c->productGuid.data2 = 0x0F0F;
  c->productGuid.data3 = 0x2222;
  c->name = name;
  c->buttons = buttons;
  c->objects = {ObjectType(kAbsoluteAxis, 0), ObjectType(kAbsoluteAxis, 1)};
  for (uint32_t i = 0; i < buttons && i < 128; ++i)
    c->objects.push_back(ObjectType(kPushButton, i));
  controllers_.push_back(std::move(c));
  return *controllers_.back();
}

int FakeBackend::ControllerOf(const ControllerDevice* device) const {
  for (const auto& d : devices_)
    if (d.get() == device) return d->ControllerIndex();
  return -1;
}

void FakeBackend::Free(const FakeDevice* device) {
  std::erase_if(devices_, [device](const auto& d) { return d.get() == device; });
}

int FakeBackend::LiveDevices() const {
  int n = 0;
  for (const auto& c : controllers_) n += c->liveDevices;
  return n;
}

void FakeBackend::ResetCounts() {
  createInputCalls = enumDevicesCalls = enumCallbacks = 0;
  callbackAnswers.clear();
  for (auto& c : controllers_) c->ResetCounts();
}

}  // namespace tarvel::test
