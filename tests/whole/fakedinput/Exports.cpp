// The DLL's entry points: DirectInput8Create and the COM server functions of a system DLL.
#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <windows.h>

#include "DllState.h"
#include "FakeDInputControl.h"
#include "FakeDirectInput.h"

using fakedinput::FakeDInputShared;

extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid,
                                             LPVOID* out, LPUNKNOWN outer) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  FakeDInputShared* shared = fakedinput::DllShared();
  if (shared == nullptr) return DIERR_GENERIC;  // the reason went to OutputDebugString

  fakedinput::GlobalRecord& record = shared->header.record;
  InterlockedIncrement(&record.createCalls);
  record.lastCreateVersion = static_cast<LONG>(version);
  record.clientPid = static_cast<LONG>(GetCurrentProcessId());
  HRESULT result;
  if (!fakedinput::TakeFault(shared->header.createFault, fakedinput::DefaultCreateFaultResult(),
                             &result)) {
    result = fakedinput::CheckCreateArguments(instance, version, riid, out, outer);
    if (SUCCEEDED(result)) {
      *out = static_cast<IDirectInput8A*>(new fakedinput::FakeDirectInput(shared));
    }
  }
  if (FAILED(result)) InterlockedIncrement(&record.createFailures);
  return result;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return fakedinput::LiveObjects() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* out) {
  if (out != nullptr) *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllRegisterServer() { return S_OK; }

extern "C" HRESULT WINAPI DllUnregisterServer() { return S_OK; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // FreeLibrary; at process exit the system drops the mapping anyway.
    fakedinput::CloseDllShared();
  }
  return TRUE;
}
