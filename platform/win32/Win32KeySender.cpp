#include "platform/win32/Win32KeySender.h"

#include <windows.h>

namespace tarvel {

void Win32KeySender::InjectKey(uint8_t virtualKey, uint8_t scanCode, bool keyUp) {
  keybd_event(virtualKey, scanCode, keyUp ? KEYEVENTF_KEYUP : 0, 0);
}

WindowHandle Win32KeySender::FindTopLevelWindow(const char* className) {
  return FindWindowA(className, nullptr);
}

void Win32KeySender::SendKeyMessage(WindowHandle window, bool keyUp, uint8_t virtualKey) {
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
    return;
  }
  // SMTO_NORMAL keeps answering messages sent to this thread while it waits, as SendMessageA does.
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(target, message, virtualKey, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          kMessageTimeoutMs, &result) == 0) {
    timedOut_ = true;
  }
}

}  // namespace tarvel
