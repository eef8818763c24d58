#include "ui/KeyField.h"

namespace tarvel {
namespace {

constexpr const char* kOldProc = "TarvelKeyFieldProc";

bool IsModifierKey(WPARAM key) {
  return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU ||
         (key >= VK_LSHIFT && key <= VK_RMENU);
}

LRESULT CALLBACK KeyFieldProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto old = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kOldProc));
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      if (IsModifierKey(wParam)) return 0;
      KeyStroke stroke;
      stroke.virtualKey = static_cast<uint8_t>(wParam & 0xFF);
      // Bits 16-23 of a key message are the scan code, as the list's key capture keeps it.
      stroke.scanCode = static_cast<uint8_t>((static_cast<DWORD>(lParam) >> 16) & 0xFF);
      if (GetKeyState(VK_SHIFT) < 0) stroke.modifiers |= kModShift;
      if (GetKeyState(VK_CONTROL) < 0) stroke.modifiers |= kModCtrl;
      if (GetKeyState(VK_MENU) < 0) stroke.modifiers |= kModAlt;
      SendMessageA(GetParent(hwnd), kKeyFieldMessage, GetDlgCtrlID(hwnd), PackKeyStroke(stroke));
      return 0;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return 0;  // the key went as a keystroke: no character, no beep, no menu
    case WM_NCDESTROY:
      RemovePropA(hwnd, kOldProc);
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
      break;
    default:
      break;
  }
  return CallWindowProcA(old, hwnd, message, wParam, lParam);
}

}  // namespace

void MakeKeyField(HWND edit) {
  if (edit == nullptr || GetPropA(edit, kOldProc) != nullptr) return;
  const LONG_PTR old =
      SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeyFieldProc));
  SetPropA(edit, kOldProc, reinterpret_cast<HANDLE>(old));
}

}  // namespace tarvel
