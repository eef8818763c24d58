#include "FakeDirectInput.h"

#include "DllState.h"
#include "FakeDInputControl.h"
#include "FakeDevice.h"

namespace fakedinput {

namespace {

// Whether a device type or class given to EnumDevices takes in a game controller.
bool ListsGameControllers(DWORD deviceType) {
  switch (deviceType & 0xFF) {
    case DI8DEVCLASS_ALL:
    case DI8DEVCLASS_GAMECTRL:
    case DI8DEVTYPE_JOYSTICK:
      return true;
    default:
      return false;
  }
}

}  // namespace

FakeDirectInput::FakeDirectInput(FakeDInputShared* shared) : shared_(shared) {
  AddLiveObject();
  InterlockedIncrement(&shared_->header.record.liveInterfaces);
}

FakeDirectInput::~FakeDirectInput() {
  InterlockedDecrement(&shared_->header.record.liveInterfaces);
  RemoveLiveObject();
}

HRESULT FakeDirectInput::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInput8A)) {
    *object = static_cast<IDirectInput8A*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG FakeDirectInput::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG FakeDirectInput::Release() {
  const LONG remaining = InterlockedDecrement(&references_);
  if (remaining == 0) delete this;
  return static_cast<ULONG>(remaining);
}

int FakeDirectInput::FindSlot(REFGUID instance) const {
  for (int index = 0; index < kMaxControllers; ++index) {
    const Controller& slot = shared_->controllers[index];
    if (slot.defined && IsEqualGUID(slot.instanceGuid, instance)) return index;
  }
  return -1;
}

int FakeDirectInput::SlotToCreate(REFGUID instance) const {
  if (offered_ >= 0 && IsEqualGUID(shared_->controllers[offered_].instanceGuid, instance))
    return offered_;
  for (int index = 0; index < kMaxControllers; ++index) {
    const Controller& slot = shared_->controllers[index];
    if (slot.defined && slot.present && IsEqualGUID(slot.instanceGuid, instance)) return index;
  }
  return FindSlot(instance);
}

HRESULT FakeDirectInput::CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device,
                                      LPUNKNOWN outer) {
  if (device == nullptr) return E_POINTER;
  *device = nullptr;
  const int index = SlotToCreate(guid);
  if (index < 0) {
    InterlockedIncrement(&shared_->header.record.createDeviceUnknown);
    return DIERR_DEVICENOTREG;
  }
  Controller& slot = shared_->controllers[index];
  HRESULT result;
  if (!EnterCall(slot, kCreateDevice, &result)) {
    if (outer != nullptr) {
      result = DIERR_NOAGGREGATION;
    } else if (!slot.present) {
      result = DIERR_DEVICENOTREG;
    } else {
      *device = new FakeDevice(shared_, index);
      result = DI_OK;
    }
  }
  return LeaveCall(slot, kCreateDevice, result);
}

HRESULT FakeDirectInput::EnumDevices(DWORD deviceType, LPDIENUMDEVICESCALLBACKA callback,
                                     LPVOID context, DWORD flags) {
  GlobalRecord& record = shared_->header.record;
  InterlockedIncrement(&record.enumDevicesCalls);
  record.lastEnumClass = static_cast<LONG>(deviceType);
  record.lastEnumFlags = static_cast<LONG>(flags);
  InterlockedExchange(&record.lastEnumListed, 0);
  HRESULT result;
  if (!TakeFault(shared_->header.enumDevicesFault, DefaultEnumDevicesFaultResult(), &result)) {
    result = DoEnumDevices(deviceType, callback, context, flags);
  }
  if (FAILED(result)) InterlockedIncrement(&record.enumDevicesFailures);
  return result;
}

HRESULT FakeDirectInput::DoEnumDevices(DWORD deviceType, LPDIENUMDEVICESCALLBACKA callback,
                                       LPVOID context, DWORD flags) {
  constexpr DWORD kKnownFlags = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES |
                                DIEDFL_INCLUDEPHANTOMS | DIEDFL_INCLUDEHIDDEN;
  if (callback == nullptr || (flags & ~kKnownFlags) != 0) return DIERR_INVALIDPARAM;
  // None of our controllers has force feedback.
  if (!ListsGameControllers(deviceType) || (flags & DIEDFL_FORCEFEEDBACK) != 0) return DI_OK;
  for (int index = 0; index < kMaxControllers; ++index) {
    const Controller& slot = shared_->controllers[index];
    if (!slot.defined) continue;
    if ((flags & DIEDFL_ATTACHEDONLY) != 0 && !slot.present) continue;
    DIDEVICEINSTANCEA instance;
    instance.dwSize = sizeof(instance);
    DescribeController(slot, &instance);
    InterlockedIncrement(&shared_->header.record.lastEnumListed);
    offered_ = index;
    const BOOL answer = callback(&instance, context);
    offered_ = -1;
    if (answer == DIENUM_STOP) break;
  }
  return DI_OK;
}

HRESULT FakeDirectInput::GetDeviceStatus(REFGUID instance) {
  const int index = FindSlot(instance);
  if (index < 0) return DIERR_DEVICENOTREG;
  return shared_->controllers[index].present ? DI_OK : DI_NOTATTACHED;
}

HRESULT FakeDirectInput::RunControlPanel(HWND, DWORD) { return DI_OK; }

HRESULT FakeDirectInput::Initialize(HINSTANCE instance, DWORD version) {
  return CheckCreateArguments(instance, version, IID_IDirectInput8A, nullptr, nullptr);
}

HRESULT FakeDirectInput::FindDevice(REFGUID, LPCSTR, LPGUID) { return DIERR_DEVICENOTREG; }

HRESULT FakeDirectInput::EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA,
                                                LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID, DWORD) {
  return E_NOTIMPL;
}

HRESULT FakeDirectInput::ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA,
                                          DWORD, LPVOID) {
  return DIERR_UNSUPPORTED;
}

HRESULT CheckCreateArguments(HINSTANCE instance, DWORD version, REFIID riid, LPVOID*,
                             LPUNKNOWN outer) {
  if (outer != nullptr) return DIERR_NOAGGREGATION;
  if (instance == nullptr) return DIERR_INVALIDPARAM;
  if (version < 0x0800) return DIERR_OLDDIRECTINPUTVERSION;
  if (version > 0x0800) return DIERR_BETADIRECTINPUTVERSION;
  if (!IsEqualIID(riid, IID_IDirectInput8A) && !IsEqualIID(riid, IID_IUnknown)) {
    return DIERR_NOINTERFACE;
  }
  return DI_OK;
}

}  // namespace fakedinput
