#include "platform/win32/XInputLibrary.h"

#include <cstring>

namespace tarvel {
namespace {

constexpr const wchar_t* kLibraries[] = {L"xinput1_4.dll", L"xinput1_3.dll", L"xinput9_1_0.dll"};
constexpr WORD kGetStateExOrdinal = 100;

}  // namespace

XInputLibrary::XInputLibrary() {
  for (const wchar_t* name : kLibraries) {
    module_ = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module_ == nullptr) continue;
    auto* plain = reinterpret_cast<GetStateProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "XInputGetState")));
    if (plain == nullptr) {
      FreeLibrary(module_);
      module_ = nullptr;
      continue;
    }
    auto* withGuide = reinterpret_cast<GetStateProc>(
        reinterpret_cast<void*>(GetProcAddress(module_, MAKEINTRESOURCEA(kGetStateExOrdinal))));
    getState_ = withGuide != nullptr ? withGuide : plain;
    hasGuide_ = withGuide != nullptr;
    name_ = name;
    return;
  }
}

XInputLibrary::~XInputLibrary() {
  if (module_ != nullptr) FreeLibrary(module_);
}

uint32_t XInputLibrary::GetState(uint32_t user, XInputState* state) {
  if (getState_ == nullptr) return kXInputNotConnected;
  // XINPUT_STATE, and XInputGetStateEx's larger one: room for both, the first 16 bytes taken.
  alignas(4) unsigned char buffer[64] = {};
  const DWORD result = getState_(user, buffer);
  if (result == ERROR_SUCCESS) std::memcpy(state, buffer, sizeof(XInputState));
  return result;
}

}  // namespace tarvel
