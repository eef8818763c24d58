#pragma once
#include <windows.h>

#include <cstdint>

#include "model/DeviceRecord.h"

namespace tarvel {

// A read-only edit control that takes every key pressed in it (Tab, Enter and Esc too) as a
// keystroke with the Shift, Ctrl and Alt held, and tells its dialog with kKeyFieldMessage:
// wParam the control's identifier, lParam a KeyStroke packed by PackKeyStroke.
constexpr UINT kKeyFieldMessage = WM_APP + 0x21;
void MakeKeyField(HWND edit);

constexpr LPARAM PackKeyStroke(const KeyStroke& k) {
  return static_cast<LPARAM>(k.virtualKey | (k.scanCode << 8) | (k.modifiers << 16));
}
constexpr KeyStroke UnpackKeyStroke(LPARAM packed) {
  return KeyStroke{static_cast<uint8_t>(packed & 0xFF), static_cast<uint8_t>((packed >> 8) & 0xFF),
                   static_cast<uint8_t>((packed >> 16) & 0xFF)};
}

}  // namespace tarvel
