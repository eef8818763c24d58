// IDirectInputDevice8A for one fake controller: a real COM object whose answers come from the
// controller's slot in the shared memory and whose calls are recorded there.
#pragma once

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <windows.h>

#include "DeviceModel.h"
#include "FakeDInputShared.h"

namespace fakedinput {

// Counts a call of `method` on a slot; true when a fault answers it (its code in `result`).
bool EnterCall(Controller& slot, Method method, HRESULT* result);
// Records the answer of a call on a slot and returns it.
HRESULT LeaveCall(Controller& slot, Method method, HRESULT result);

// Fills a DIDEVICEINSTANCEA (whose dwSize the caller set, or 0 for the full size) for a slot.
void DescribeController(const Controller& controller, DIDEVICEINSTANCEA* instance);

class FakeDevice final : public IDirectInputDevice8A {
 public:
  // A new object with one reference, for slot `index` of `shared`.
  FakeDevice(FakeDInputShared* shared, int index);
  FakeDevice(const FakeDevice&) = delete;
  FakeDevice& operator=(const FakeDevice&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDirectInputDeviceA
  HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override;
  HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context,
                                        DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetProperty(REFGUID property, LPDIPROPHEADER header) override;
  HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override;
  HRESULT STDMETHODCALLTYPE Acquire() override;
  HRESULT STDMETHODCALLTYPE Unacquire() override;
  HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override;
  HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD objectDataSize, LPDIDEVICEOBJECTDATA data,
                                          LPDWORD count, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override;
  HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE event) override;
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA instance, DWORD object,
                                          DWORD how) override;
  HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA instance) override;
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND owner, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE instance, DWORD version, REFGUID guid) override;

  // IDirectInputDevice2A: no force feedback, nothing to poll on our side.
  HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID guid, LPCDIEFFECT effect,
                                         LPDIRECTINPUTEFFECT* created, LPUNKNOWN outer) override;
  HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID context,
                                        DWORD type) override;
  HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) override;
  HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD state) override;
  HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD flags) override;
  HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback,
                                                     LPVOID context, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE escape) override;
  HRESULT STDMETHODCALLTYPE Poll() override;
  HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD objectDataSize, LPCDIDEVICEOBJECTDATA data,
                                           LPDWORD count, DWORD flags) override;

  // IDirectInputDevice7A
  HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCSTR file, LPDIENUMEFFECTSINFILECALLBACK callback,
                                              LPVOID context, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCSTR file, DWORD entries, LPDIFILEEFFECT effects,
                                              DWORD flags) override;

  // IDirectInputDevice8A: no action mapping.
  HRESULT STDMETHODCALLTYPE BuildActionMap(LPDIACTIONFORMATA format, LPCSTR user,
                                           DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetActionMap(LPDIACTIONFORMATA format, LPCSTR user,
                                         DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA header) override;

 private:
  ~FakeDevice();

  Controller& Slot() const { return shared_->controllers[index_]; }
  CallRecord& Record() const { return Slot().record; }
  // The slot still holds this controller and it is attached.
  bool Attached() const;
  void SetAcquired(bool acquired);

  bool Enter(Method method, HRESULT* result) { return EnterCall(Slot(), method, result); }
  HRESULT Leave(Method method, HRESULT result) { return LeaveCall(Slot(), method, result); }

  HRESULT DoGetCapabilities(LPDIDEVCAPS caps);
  HRESULT DoEnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID context, DWORD flags);
  HRESULT DoSetProperty(REFGUID property, LPCDIPROPHEADER header);
  HRESULT DoAcquire();
  HRESULT DoUnacquire();
  HRESULT DoPoll();
  HRESULT DoGetDeviceState(DWORD size, LPVOID data);
  HRESULT DoSetDataFormat(LPCDIDATAFORMAT format);
  HRESULT DoSetCooperativeLevel(HWND window, DWORD flags);
  HRESULT DoGetDeviceData(DWORD objectDataSize, LPDIDEVICEOBJECTDATA data, LPDWORD count);
  HRESULT DoSetEventNotification(HANDLE event);
  LONG Mode() const { return Slot().bufferMode; }

  volatile LONG references_ = 1;
  FakeDInputShared* shared_;
  int index_;
  GUID instanceGuid_;
  DeviceModel model_;
  bool acquired_ = false;
  DWORD cooperativeFlags_ = 0;
  HWND window_ = nullptr;
  DWORD bufferSize_ = 0;  // 0: not buffered
  LONG changesRead_ = 0;  // the ring's changes up to here are read or were there at Acquire
  HANDLE event_ = nullptr;
};

}  // namespace fakedinput
