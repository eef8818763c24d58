#include "platform/win32/Win32KeySender.h"

#include <windows.h>

namespace tarvel {

void Win32KeySender::InjectKey(uint8_t virtualKey, uint8_t scanCode, bool keyUp) {
  const KeyEvent event{virtualKey, scanCode, keyUp};
  InjectKeys(&event, 1);
}

Delivery Win32KeySender::InjectKeys(const KeyEvent* events, int count) {
  INPUT inputs[16] = {};
  if (count <= 0 || count > 16) return Delivery{};
  for (int i = 0; i < count; ++i) {
    const KeyEvent& e = events[i];
    KEYBDINPUT& key = inputs[i].ki;
    inputs[i].type = INPUT_KEYBOARD;
    key.wVk = e.virtualKey;
    key.wScan = e.scanCode != 0 ? e.scanCode
                                : static_cast<WORD>(MapVirtualKeyA(e.virtualKey, MAPVK_VK_TO_VSC));
    key.dwFlags =
        (e.keyUp ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(e.virtualKey) ? KEYEVENTF_EXTENDEDKEY : 0);
  }
  SetLastError(0);
  const UINT taken = SendInput(static_cast<UINT>(count), inputs, sizeof(INPUT));
  Delivery delivery;
  if (taken < static_cast<UINT>(count)) {
    delivery.fault = DeliveryFault::PartlyInserted;
    delivery.systemError = GetLastError();
    delivery.taken = static_cast<int>(taken);
    delivery.given = count;
  }
  return delivery;
}

WindowHandle Win32KeySender::FindTopLevelWindow(const char* className) {
  return FindWindowA(className, nullptr);
}

Delivery Win32KeySender::SendKeyMessage(WindowHandle window, bool keyUp, uint8_t virtualKey) {
  // A keystroke is its key-downs followed by its key-ups: a key-down after a key-up, or a message
  // to another window, begins the next one.
  if (window != window_ || (!keyUp && sawKeyUp_)) {
    window_ = window;
    sawKeyUp_ = false;
    timedOut_ = false;
  }
  if (keyUp) sawKeyUp_ = true;

  const HWND target = static_cast<HWND>(window);
  const UINT message = keyUp ? WM_KEYUP : WM_KEYDOWN;
  if (timedOut_) {
    // A key-down after one that may be lost could reach the window without the modifiers before
    // it (F4 instead of Alt+F4): the keystroke is given up. Its key-ups still go, so that no key
    // the window did see go down stays down.
    if (keyUp) SendNotifyMessageA(target, message, virtualKey, 0);
    return failure_;
  }
  // SMTO_NORMAL keeps answering messages sent to this thread while it waits, as SendMessageA does.
  DWORD_PTR result = 0;
  SetLastError(0);
  if (SendMessageTimeoutA(target, message, virtualKey, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          kMessageTimeoutMs, &result) == 0) {
    // A window of a program at a higher integrity level refuses with ERROR_ACCESS_DENIED.
    const DWORD error = GetLastError();
    timedOut_ = true;
    failure_ = Delivery{};
    failure_.fault = error == ERROR_TIMEOUT || error == 0 ? DeliveryFault::WindowTimedOut
                                                          : DeliveryFault::WindowRefused;
    failure_.systemError = error;
    return failure_;
  }
  return Delivery{};
}

}  // namespace tarvel
