#pragma once
#include <windows.h>

#include "input/XInputBackend.h"

namespace tarvel {

// XInput from the Windows system folder only: xinput1_4.dll, else xinput1_3.dll, else
// xinput9_1_0.dll, never a file beside the program. Where the library has ordinal 100
// (XInputGetStateEx) its states carry the guide button.
class XInputLibrary final : public XInputBackend {
 public:
  XInputLibrary();
  ~XInputLibrary();
  XInputLibrary(const XInputLibrary&) = delete;
  XInputLibrary& operator=(const XInputLibrary&) = delete;

  // A library with XInputGetState was found.
  bool Loaded() const { return getState_ != nullptr; }
  // The file name of the library that was loaded, or empty.
  const wchar_t* LibraryName() const { return name_; }

  uint32_t GetState(uint32_t user, XInputState* state) override;
  bool HasGuide() const override { return hasGuide_; }

 private:
  using GetStateProc = DWORD(WINAPI*)(DWORD, void*);
  HMODULE module_ = nullptr;
  GetStateProc getState_ = nullptr;
  bool hasGuide_ = false;
  const wchar_t* name_ = L"";
};

}  // namespace tarvel
