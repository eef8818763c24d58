// IDirectInput8A over the shared memory: lists the controllers that the test has attached and
// opens them as FakeDevice objects.
#pragma once

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <windows.h>

#include "FakeDInputShared.h"

namespace fakedinput {

class FakeDirectInput final : public IDirectInput8A {
 public:
  // A new object with one reference.
  explicit FakeDirectInput(FakeDInputShared* shared);
  FakeDirectInput(const FakeDirectInput&) = delete;
  FakeDirectInput& operator=(const FakeDirectInput&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDirectInput8A
  HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device,
                                         LPUNKNOWN outer) override;
  HRESULT STDMETHODCALLTYPE EnumDevices(DWORD deviceType, LPDIENUMDEVICESCALLBACKA callback,
                                        LPVOID context, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID instance) override;
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND owner, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE instance, DWORD version) override;
  HRESULT STDMETHODCALLTYPE FindDevice(REFGUID guid, LPCSTR name, LPGUID instance) override;
  HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCSTR user, LPDIACTIONFORMATA format,
                                                   LPDIENUMDEVICESBYSEMANTICSCBA callback,
                                                   LPVOID context, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK callback,
                                             LPDICONFIGUREDEVICESPARAMSA parameters, DWORD flags,
                                             LPVOID context) override;

 private:
  ~FakeDirectInput();

  // The first slot that holds a controller with this instance GUID, or -1.
  int FindSlot(REFGUID instance) const;
  // The slot that CreateDevice opens for an instance GUID: the one the enumeration callback is
  // being offered when its GUID is that one (controllers may share a GUID), else the first
  // present slot with it, else FindSlot's.
  int SlotToCreate(REFGUID instance) const;
  int offered_ = -1;
  HRESULT DoEnumDevices(DWORD deviceType, LPDIENUMDEVICESCALLBACKA callback, LPVOID context,
                        DWORD flags);

  volatile LONG references_ = 1;
  FakeDInputShared* shared_;
};

// Checks of DirectInput8Create's arguments, in DirectInput's order; DI_OK when they are fine.
HRESULT CheckCreateArguments(HINSTANCE instance, DWORD version, REFIID riid, LPVOID* out,
                             LPUNKNOWN outer);

}  // namespace fakedinput
