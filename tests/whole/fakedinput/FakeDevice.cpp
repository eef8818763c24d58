#include "FakeDevice.h"

#include <cstring>
#include <cwchar>

#include "DllState.h"
#include "FakeDInputControl.h"
#include "common/SharedMapping.h"

namespace fakedinput {

namespace {

bool IsProperty(REFGUID property, REFGUID predefined) { return &property == &predefined; }

// Whether the process that calls owns the foreground window.
bool CallerOwnsForeground() {
  const HWND foreground = GetForegroundWindow();
  DWORD pid = 0;
  if (foreground != nullptr) GetWindowThreadProcessId(foreground, &pid);
  return foreground != nullptr && pid == GetCurrentProcessId();
}

// The button bytes and the serial of the latest change they include. The driver writes the bytes
// before it increments the serial, so the bytes read after a serial hold at least that change;
// a serial that moved during the copy asks for another copy.
LONG CopyButtons(const Controller& controller, BYTE* buttons, LONG* axes, LONG* povs) {
  LONG serial = 0;
  for (int attempt = 0; attempt < 4; ++attempt) {
    serial = controller.buttonsSerial;
    MemoryBarrier();
    for (int i = 0; i < kMaxButtons; ++i) buttons[i] = controller.buttons[i];
    for (int i = 0; i < kMaxAxes; ++i) axes[i] = controller.axisPositions[i];
    for (int i = 0; i < kMaxPovs; ++i) povs[i] = controller.povValues[i];
    MemoryBarrier();
    if (controller.buttonsSerial == serial) break;
  }
  return serial;
}

// Counts each object in the shared record as the enumeration goes, so that the count is right
// even while the program is still inside its callback.
struct ObjectRelay {
  LPDIENUMDEVICEOBJECTSCALLBACKA callback;
  LPVOID context;
  volatile LONG* visited;
};

BOOL CALLBACK RelayObject(LPCDIDEVICEOBJECTINSTANCEA instance, LPVOID data) {
  auto* relay = static_cast<ObjectRelay*>(data);
  InterlockedIncrement(relay->visited);
  return relay->callback(instance, relay->context);
}

}  // namespace

bool EnterCall(Controller& slot, Method method, HRESULT* result) {
  InterlockedIncrement(&slot.record.calls[method]);
  return TakeFault(slot.faults[method], DefaultFaultResult(method), result);
}

HRESULT LeaveCall(Controller& slot, Method method, HRESULT result) {
  InterlockedExchange(&slot.record.lastResult[method], result);
  if (FAILED(result)) InterlockedIncrement(&slot.record.failures[method]);
  return result;
}

void DescribeController(const Controller& controller, DIDEVICEINSTANCEA* instance) {
  const DWORD size =
      instance->dwSize == sizeof(DIDEVICEINSTANCE_DX3A) ? instance->dwSize : sizeof(*instance);
  std::memset(instance, 0, size);
  instance->dwSize = size;
  instance->guidInstance = controller.instanceGuid;
  instance->guidProduct = controller.productGuid;
  instance->dwDevType = DI8DEVTYPE_JOYSTICK | (DI8DEVTYPEJOYSTICK_STANDARD << 8) | DIDEVTYPE_HID;
  static_assert(sizeof(instance->tszProductName) == sizeof(controller.productName));
  std::memcpy(instance->tszInstanceName, controller.productName, sizeof(controller.productName));
  std::memcpy(instance->tszProductName, controller.productName, sizeof(controller.productName));
  instance->tszInstanceName[sizeof(instance->tszInstanceName) - 1] = '\0';
  instance->tszProductName[sizeof(instance->tszProductName) - 1] = '\0';
  if (size == sizeof(DIDEVICEINSTANCEA)) {
    instance->wUsagePage = 0x01;  // generic desktop
    instance->wUsage = 0x04;      // joystick
  }
}

FakeDevice::FakeDevice(FakeDInputShared* shared, int index)
    : shared_(shared),
      index_(index),
      instanceGuid_(shared->controllers[index].instanceGuid),
      model_(shared->controllers[index].axisCount, shared->controllers[index].povCount,
             shared->controllers[index].buttonCount) {
  AddLiveObject();
  InterlockedIncrement(&Record().liveDevices);
  InterlockedIncrement(&shared_->header.record.liveDevices);
  Record().clientPid = static_cast<LONG>(GetCurrentProcessId());
}

FakeDevice::~FakeDevice() {
  SetAcquired(false);
  // The program closes its event after this: the driver must not set a handle gone stale.
  if (event_ != nullptr)
    InterlockedCompareExchange64(&Record().changeEvent, 0, reinterpret_cast<LONG_PTR>(event_));
  InterlockedDecrement(&Record().liveDevices);
  InterlockedDecrement(&shared_->header.record.liveDevices);
  RemoveLiveObject();
}

bool FakeDevice::Attached() const {
  const Controller& slot = Slot();
  return slot.defined && slot.present && IsEqualGUID(slot.instanceGuid, instanceGuid_);
}

void FakeDevice::SetAcquired(bool acquired) {
  if (acquired == acquired_) return;
  acquired_ = acquired;
  if (acquired) {
    InterlockedIncrement(&Record().acquiredDevices);
  } else {
    InterlockedDecrement(&Record().acquiredDevices);
  }
}

// IUnknown

HRESULT FakeDevice::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputDevice8A)) {
    *object = static_cast<IDirectInputDevice8A*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG FakeDevice::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG FakeDevice::Release() {
  InterlockedIncrement(&Record().calls[kRelease]);
  const LONG remaining = InterlockedDecrement(&references_);
  if (remaining == 0) delete this;
  return static_cast<ULONG>(remaining);
}

// Methods that the program uses: counted, faultable, recorded.

HRESULT FakeDevice::GetCapabilities(LPDIDEVCAPS caps) {
  HRESULT result;
  if (!Enter(kGetCapabilities, &result)) result = DoGetCapabilities(caps);
  return Leave(kGetCapabilities, result);
}

HRESULT FakeDevice::DoGetCapabilities(LPDIDEVCAPS caps) {
  if (caps == nullptr) return E_POINTER;
  if (caps->dwSize != sizeof(DIDEVCAPS) && caps->dwSize != sizeof(DIDEVCAPS_DX3)) {
    return DIERR_INVALIDPARAM;
  }
  const DWORD size = caps->dwSize;
  std::memset(caps, 0, size);
  caps->dwSize = size;
  caps->dwFlags = Attached() ? DIDC_ATTACHED : 0;
  caps->dwDevType = DI8DEVTYPE_JOYSTICK | (DI8DEVTYPEJOYSTICK_STANDARD << 8) | DIDEVTYPE_HID;
  caps->dwAxes = static_cast<DWORD>(model_.AxisCount());
  caps->dwButtons = static_cast<DWORD>(model_.ButtonCount());
  caps->dwPOVs = static_cast<DWORD>(model_.PovCount());
  return DI_OK;
}

HRESULT FakeDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context,
                                DWORD flags) {
  HRESULT result;
  if (!Enter(kEnumObjects, &result)) result = DoEnumObjects(callback, context, flags);
  return Leave(kEnumObjects, result);
}

HRESULT FakeDevice::DoEnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context,
                                  DWORD flags) {
  if (callback == nullptr) return DIERR_INVALIDPARAM;
  InterlockedExchange(&Record().enumObjectsVisited, 0);
  ObjectRelay relay{callback, context, &Record().enumObjectsVisited};
  LONG visited = 0;
  return model_.EnumObjects(RelayObject, &relay, flags, &visited);
}

HRESULT FakeDevice::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
  HRESULT result;
  if (!Enter(kSetProperty, &result)) result = DoSetProperty(property, header);
  return Leave(kSetProperty, result);
}

HRESULT FakeDevice::DoSetProperty(REFGUID property, LPCDIPROPHEADER header) {
  if (header == nullptr) return E_POINTER;
  if (IsProperty(property, DIPROP_BUFFERSIZE)) {
    if (Mode() == kRefusesBuffers) return DIERR_UNSUPPORTED;
    if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE)
      return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    const DWORD size = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    bufferSize_ = size < static_cast<DWORD>(kChangeRing) ? size : kChangeRing;
    InterlockedExchange(&Record().bufferSize, static_cast<LONG>(bufferSize_));
    return DI_OK;
  }
  if (!IsProperty(property, DIPROP_RANGE)) return DIERR_UNSUPPORTED;
  if (acquired_) return DIERR_ACQUIRED;
  int axis = 0;
  const HRESULT result = model_.SetRange(header, &axis);
  if (FAILED(result)) return result;
  AxisRange& range = Record().ranges[axis];
  range.min = model_.RangeMin(axis);
  range.max = model_.RangeMax(axis);
  InterlockedIncrement(&range.setCount);
  return result;
}

HRESULT FakeDevice::Acquire() {
  HRESULT result;
  if (!Enter(kAcquire, &result)) result = DoAcquire();
  return Leave(kAcquire, result);
}

HRESULT FakeDevice::DoAcquire() {
  if (!model_.HasDataFormat()) return DIERR_INVALIDPARAM;
  if (!Attached()) return DIERR_UNPLUGGED;
  if (acquired_) return DI_NOEFFECT;
  if ((cooperativeFlags_ & DISCL_FOREGROUND) != 0 && GetForegroundWindow() != window_) {
    return DIERR_OTHERAPPHASPRIO;
  }
  SetAcquired(true);
  changesRead_ = Slot().changesWritten;  // acquiring empties the buffer
  return DI_OK;
}

HRESULT FakeDevice::Unacquire() {
  HRESULT result;
  if (!Enter(kUnacquire, &result)) result = DoUnacquire();
  return Leave(kUnacquire, result);
}

HRESULT FakeDevice::DoUnacquire() {
  if (!acquired_) return DI_NOEFFECT;
  SetAcquired(false);
  return DI_OK;
}

HRESULT FakeDevice::Poll() {
  HRESULT result;
  const bool faulted = Enter(kPoll, &result);
  const LONG n = Record().calls[kPoll];
  if (n > 0) Record().pollQpc[(n - 1) % kPollTimes] = wholetest::QpcNow();
  if (!faulted) result = DoPoll();
  return Leave(kPoll, result);
}

HRESULT FakeDevice::DoPoll() {
  if (!acquired_) return DIERR_NOTACQUIRED;
  if (!Attached()) {
    // Pulled out: the loss shows at the next call, and the device is no longer acquired.
    SetAcquired(false);
    return DIERR_INPUTLOST;
  }
  // A game controller needs no polling, unless the test says it does.
  return Mode() == kPolledDevice ? DI_OK : DI_NOEFFECT;
}

HRESULT FakeDevice::GetDeviceState(DWORD size, LPVOID data) {
  InterlockedExchange(&Record().lastStateSize, static_cast<LONG>(size));
  HRESULT result;
  if (!Enter(kGetDeviceState, &result)) result = DoGetDeviceState(size, data);
  return Leave(kGetDeviceState, result);
}

HRESULT FakeDevice::DoGetDeviceState(DWORD size, LPVOID data) {
  if (data == nullptr || !model_.HasDataFormat() || size != model_.DataSize()) {
    return DIERR_INVALIDPARAM;
  }
  if (!acquired_) return DIERR_NOTACQUIRED;
  if (!Attached()) {
    // Unplugged: the loss is reported once; afterwards the device is simply not acquired.
    SetAcquired(false);
    return DIERR_INPUTLOST;
  }
  BYTE buttons[kMaxButtons];
  LONG axes[kMaxAxes];
  LONG povs[kMaxPovs];
  const LONG serial = CopyButtons(Slot(), buttons, axes, povs);
  if (Slot().xinputPad && !CallerOwnsForeground()) {
    // As Windows gives an XInput pad's data only to the application with the focus.
    for (BYTE& b : buttons) b = 0;
    for (LONG& a : axes) a = 0;
    for (LONG& p : povs) p = 0;
  }
  model_.FillState(buttons, axes, povs, static_cast<DIJOYSTATE2*>(data));
  const long long now = wholetest::QpcNow();
  CallRecord& record = Record();
  record.lastStateQpc = now;
  if (record.seenSerial != serial) {
    record.seenQpc = now;
    InterlockedExchange(&record.seenSerial, serial);
  }
  return DI_OK;
}

HRESULT FakeDevice::SetDataFormat(LPCDIDATAFORMAT format) {
  HRESULT result;
  if (!Enter(kSetDataFormat, &result)) result = DoSetDataFormat(format);
  return Leave(kSetDataFormat, result);
}

HRESULT FakeDevice::DoSetDataFormat(LPCDIDATAFORMAT format) {
  if (format == nullptr) return E_POINTER;
  if (acquired_) return DIERR_ACQUIRED;
  const HRESULT result = model_.SetDataFormat(format);
  if (SUCCEEDED(result)) {
    CallRecord& record = Record();
    record.dataFormatSize = static_cast<LONG>(format->dwDataSize);
    record.dataFormatObjects = static_cast<LONG>(format->dwNumObjs);
    record.dataFormatFlags = static_cast<LONG>(format->dwFlags);
  }
  return result;
}

HRESULT FakeDevice::SetCooperativeLevel(HWND window, DWORD flags) {
  HRESULT result;
  if (!Enter(kSetCooperativeLevel, &result)) result = DoSetCooperativeLevel(window, flags);
  return Leave(kSetCooperativeLevel, result);
}

HRESULT FakeDevice::DoSetCooperativeLevel(HWND window, DWORD flags) {
  constexpr DWORD kAccess = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE;
  constexpr DWORD kWhen = DISCL_FOREGROUND | DISCL_BACKGROUND;
  const DWORD access = flags & kAccess;
  const DWORD when = flags & kWhen;
  if (access == 0 || access == kAccess || when == 0 || when == kWhen ||
      (flags & ~(kAccess | kWhen | DISCL_NOWINKEY)) != 0) {
    return DIERR_INVALIDPARAM;
  }
  if (window == nullptr) {
    // Only a background, non-exclusive device may do without a window.
    if (access != DISCL_NONEXCLUSIVE || when != DISCL_BACKGROUND) return E_HANDLE;
  } else if (!IsWindow(window) || (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0) {
    return E_HANDLE;
  }
  if (acquired_) return DIERR_ACQUIRED;
  cooperativeFlags_ = flags;
  window_ = window;
  CallRecord& record = Record();
  record.cooperativeWindow = reinterpret_cast<LONG_PTR>(window);
  InterlockedExchange(&record.cooperativeFlags, static_cast<LONG>(flags));
  return DI_OK;
}

HRESULT FakeDevice::GetDeviceData(DWORD objectDataSize, LPDIDEVICEOBJECTDATA data, LPDWORD count,
                                  DWORD) {
  HRESULT result;
  if (!Enter(kGetDeviceData, &result)) {
    result = DoGetDeviceData(objectDataSize, data, count);
  } else if (count != nullptr) {
    *count = 0;
  }
  return Leave(kGetDeviceData, result);
}

HRESULT FakeDevice::DoGetDeviceData(DWORD objectDataSize, LPDIDEVICEOBJECTDATA data,
                                    LPDWORD count) {
  if (count == nullptr) return E_POINTER;
  const DWORD room = *count;
  *count = 0;
  if (data != nullptr && objectDataSize != sizeof(DIDEVICEOBJECTDATA)) return DIERR_INVALIDPARAM;
  if (bufferSize_ == 0) return DIERR_NOTBUFFERED;
  if (!acquired_) return DIERR_NOTACQUIRED;
  if (!Attached()) {
    SetAcquired(false);
    return DIERR_INPUTLOST;
  }
  const Controller& slot = Slot();
  const LONG written = slot.changesWritten;
  if (slot.xinputPad && !CallerOwnsForeground()) {
    changesRead_ = written;  // nothing reaches a program in the background
    return DI_OK;
  }
  // The buffer keeps the oldest changes; the newest beyond its size are lost.
  const DWORD pending = static_cast<DWORD>(written - changesRead_);
  const bool overflow = pending > bufferSize_;
  const DWORD kept = overflow ? bufferSize_ : pending;
  const DWORD n = data == nullptr ? kept : (room < kept ? room : kept);  // null: flush
  for (DWORD i = 0; data != nullptr && i < n; ++i) {
    const ButtonChange& change = slot.changes[static_cast<ULONG>(changesRead_ + i) % kChangeRing];
    data[i] = DIDEVICEOBJECTDATA{};
    data[i].dwOfs = static_cast<DWORD>(change.offset);
    data[i].dwData = static_cast<DWORD>(change.data);
    data[i].dwTimeStamp = GetTickCount();
    data[i].dwSequence = static_cast<DWORD>(change.sequence);
  }
  changesRead_ += static_cast<LONG>(n);
  if (overflow && n == kept) changesRead_ = written;  // the rest was never kept
  *count = n;
  InterlockedExchangeAdd(&Record().changesRead, static_cast<LONG>(n));
  return overflow ? DI_BUFFEROVERFLOW : DI_OK;
}

HRESULT FakeDevice::SetEventNotification(HANDLE event) {
  HRESULT result;
  if (!Enter(kSetEventNotification, &result)) result = DoSetEventNotification(event);
  return Leave(kSetEventNotification, result);
}

HRESULT FakeDevice::DoSetEventNotification(HANDLE event) {
  if (Mode() == kRefusesBuffers) return DIERR_UNSUPPORTED;
  if (acquired_) return DIERR_ACQUIRED;
  event_ = event;
  CallRecord& record = Record();
  InterlockedExchange(&record.eventPid, static_cast<LONG>(GetCurrentProcessId()));
  record.changeEvent = reinterpret_cast<LONG_PTR>(event);
  return Mode() == kPolledDevice ? DI_POLLEDDEVICE : DI_OK;
}

// Methods that the program does not use: sensible answers, not recorded.

HRESULT FakeDevice::GetProperty(REFGUID property, LPDIPROPHEADER header) {
  if (!IsProperty(property, DIPROP_GUIDANDPATH)) return DIERR_UNSUPPORTED;
  if (header == nullptr) return E_POINTER;
  if (header->dwSize != sizeof(DIPROPGUIDANDPATH) || header->dwHow != DIPH_DEVICE)
    return DIERR_INVALIDPARAM;
  auto* path = reinterpret_cast<DIPROPGUIDANDPATH*>(header);
  path->guidClass =
      GUID{0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};
  const int slot = index_;
  swprintf(path->wszPath, MAX_PATH,
           Slot().xinputPad ? L"\\\\?\\HID#VID_045E&PID_02EA&IG_%02d#8&3a1b&0&0000#{4d1e55b2}"
                            : L"\\\\?\\hid#vid_1209&pid_0001#8&%02d&0&0000#{4d1e55b2}",
           slot);
  return DI_OK;
}

HRESULT FakeDevice::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) {
  return DIERR_UNSUPPORTED;
}

HRESULT FakeDevice::GetDeviceInfo(LPDIDEVICEINSTANCEA instance) {
  if (instance == nullptr) return E_POINTER;
  if (instance->dwSize != sizeof(DIDEVICEINSTANCEA) &&
      instance->dwSize != sizeof(DIDEVICEINSTANCE_DX3A)) {
    return DIERR_INVALIDPARAM;
  }
  DescribeController(Slot(), instance);
  instance->guidInstance = instanceGuid_;
  return DI_OK;
}

HRESULT FakeDevice::RunControlPanel(HWND, DWORD) { return DIERR_UNSUPPORTED; }

HRESULT FakeDevice::Initialize(HINSTANCE, DWORD, REFGUID guid) {
  return IsEqualGUID(guid, instanceGuid_) ? S_FALSE : DIERR_ALREADYINITIALIZED;
}

HRESULT FakeDevice::CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT* created, LPUNKNOWN) {
  if (created != nullptr) *created = nullptr;
  return DIERR_UNSUPPORTED;
}

HRESULT FakeDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) { return DI_OK; }

HRESULT FakeDevice::GetEffectInfo(LPDIEFFECTINFOA, REFGUID) { return DIERR_DEVICENOTREG; }

HRESULT FakeDevice::GetForceFeedbackState(LPDWORD) { return DIERR_UNSUPPORTED; }

HRESULT FakeDevice::SendForceFeedbackCommand(DWORD) { return DIERR_UNSUPPORTED; }

HRESULT FakeDevice::EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) {
  return DI_OK;
}

HRESULT FakeDevice::Escape(LPDIEFFESCAPE) { return DIERR_UNSUPPORTED; }

HRESULT FakeDevice::SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) {
  return DIERR_UNSUPPORTED;
}

HRESULT FakeDevice::EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) {
  return DIERR_UNSUPPORTED;
}

HRESULT FakeDevice::WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) {
  return DIERR_UNSUPPORTED;
}

HRESULT FakeDevice::BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) { return E_NOTIMPL; }

HRESULT FakeDevice::SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) { return E_NOTIMPL; }

HRESULT FakeDevice::GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) { return E_NOTIMPL; }

}  // namespace fakedinput
