#include "platform/win32/Win32KeySender.h"

#include <windows.h>

#include <vector>

namespace tarvel {
namespace {

UINT SendInputs(std::vector<INPUT>& inputs) {
  SetLastError(0);
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// What the input stream took of count events.
Delivery Inserted(UINT taken, int count) {
  Delivery delivery;
  if (taken < static_cast<UINT>(count)) {
    delivery.fault = DeliveryFault::PartlyInserted;
    delivery.systemError = GetLastError();
    delivery.taken = static_cast<int>(taken);
    delivery.given = count;
  }
  return delivery;
}

void FillKey(const KeyEvent& e, INPUT* input) {
  KEYBDINPUT& key = input->ki;
  input->type = INPUT_KEYBOARD;
  key.wVk = e.virtualKey;
  key.wScan = e.scanCode != 0 ? e.scanCode
                              : static_cast<WORD>(MapVirtualKeyA(e.virtualKey, MAPVK_VK_TO_VSC));
  key.dwFlags =
      (e.keyUp ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(e.virtualKey) ? KEYEVENTF_EXTENDEDKEY : 0);
}

struct ButtonCodes {
  DWORD down;
  DWORD up;
  DWORD data;
  UINT downMessage;
  UINT upMessage;
};
// By MouseButton: Left, Right, Middle, Back, Forward.
constexpr ButtonCodes kButtons[] = {
    {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0, WM_LBUTTONDOWN, WM_LBUTTONUP},
    {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 0, WM_RBUTTONDOWN, WM_RBUTTONUP},
    {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, WM_MBUTTONDOWN, WM_MBUTTONUP},
    {MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON1, WM_XBUTTONDOWN, WM_XBUTTONUP},
    {MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON2, WM_XBUTTONDOWN, WM_XBUTTONUP},
};

void FillMouse(const InputEvent& e, INPUT* input) {
  MOUSEINPUT& mouse = input->mi;
  input->type = INPUT_MOUSE;
  switch (e.kind) {
    case InputEvent::Kind::Button: {
      const ButtonCodes& codes = kButtons[static_cast<int>(e.button)];
      mouse.dwFlags = e.buttonUp ? codes.up : codes.down;
      mouse.mouseData = codes.data;
      break;
    }
    case InputEvent::Kind::Wheel:
      mouse.dwFlags = e.dy != 0 ? MOUSEEVENTF_WHEEL : MOUSEEVENTF_HWHEEL;
      mouse.mouseData = static_cast<DWORD>(e.dy != 0 ? e.dy : e.dx);
      break;
    default:
      mouse.dwFlags = MOUSEEVENTF_MOVE;
      mouse.dx = e.dx;
      mouse.dy = e.dy;
      break;
  }
}

}  // namespace

void Win32KeySender::InjectKey(uint8_t virtualKey, uint8_t scanCode, bool keyUp) {
  const KeyEvent event{virtualKey, scanCode, keyUp};
  InjectKeys(&event, 1);
}

Delivery Win32KeySender::InjectKeys(const KeyEvent* events, int count) {
  // A sequence of 16 keystrokes with all three modifiers is 128 events.
  if (count <= 0 || count > 256) return Delivery{};
  std::vector<INPUT> inputs(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) FillKey(events[i], &inputs[static_cast<size_t>(i)]);
  return Inserted(SendInputs(inputs), count);
}

Delivery Win32KeySender::InjectInput(const InputEvent* events, int count) {
  if (count <= 0 || count > 256) return Delivery{};
  std::vector<INPUT> inputs(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    INPUT* input = &inputs[static_cast<size_t>(i)];
    if (events[i].kind == InputEvent::Kind::Key)
      FillKey(events[i].key, input);
    else
      FillMouse(events[i], input);
  }
  return Inserted(SendInputs(inputs), count);
}

Delivery Win32KeySender::InjectText(const char16_t* units, int count) {
  if (count <= 0 || count > 4096) return Delivery{};
  std::vector<INPUT> inputs(2 * static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    for (int half = 0; half < 2; ++half) {
      INPUT& input = inputs[2 * static_cast<size_t>(i) + half];
      input.type = INPUT_KEYBOARD;
      if (units[i] == u'\n') {
        input.ki.wVk = VK_RETURN;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(VK_RETURN, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = half == 1 ? KEYEVENTF_KEYUP : 0;
      } else {
        input.ki.wScan = units[i];
        input.ki.dwFlags = KEYEVENTF_UNICODE | (half == 1 ? KEYEVENTF_KEYUP : 0);
      }
    }
  }
  return Inserted(SendInputs(inputs), static_cast<int>(inputs.size()));
}

Delivery Win32KeySender::SendCharMessage(WindowHandle window, char16_t unit) {
  if (window != charWindow_) {
    charWindow_ = window;
    charTimedOut_ = false;
  }
  if (charTimedOut_) return charFailure_;
  // The W form, so that a Unicode window gets the character itself, whatever the code page.
  DWORD_PTR result = 0;
  SetLastError(0);
  if (SendMessageTimeoutW(static_cast<HWND>(window), WM_CHAR, unit, 1,
                          SMTO_NORMAL | SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) == 0) {
    const DWORD error = GetLastError();
    charTimedOut_ = true;
    charFailure_ = Delivery{};
    charFailure_.fault = error == ERROR_TIMEOUT || error == 0 ? DeliveryFault::WindowTimedOut
                                                              : DeliveryFault::WindowRefused;
    charFailure_.systemError = error;
    return charFailure_;
  }
  return Delivery{};
}

bool Win32KeySender::CursorPosition(int32_t* x, int32_t* y) {
  POINT point = {};
  if (!GetCursorPos(&point)) return false;
  *x = point.x;
  *y = point.y;
  return true;
}

bool Win32KeySender::ClientArea(WindowHandle window, ScreenRect* area) {
  const HWND hwnd = static_cast<HWND>(window);
  RECT client = {};
  POINT origin = {0, 0};
  if (!IsWindow(hwnd) || !GetClientRect(hwnd, &client) || !ClientToScreen(hwnd, &origin))
    return false;
  *area = ScreenRect{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  return true;
}

Delivery Win32KeySender::SendMouseMessage(WindowHandle window, const MouseMessage& m) {
  UINT message = 0;
  WPARAM wParam = m.keyFlags;
  switch (m.kind) {
    case MouseMessage::Kind::ButtonDown:
    case MouseMessage::Kind::ButtonUp: {
      const ButtonCodes& codes = kButtons[static_cast<int>(m.button)];
      message = m.kind == MouseMessage::Kind::ButtonDown ? codes.downMessage : codes.upMessage;
      if (codes.data != 0) wParam = MAKEWPARAM(m.keyFlags, codes.data);
      break;
    }
    case MouseMessage::Kind::Wheel:
      message = WM_MOUSEWHEEL;
      wParam = MAKEWPARAM(m.keyFlags, static_cast<WORD>(m.wheelDelta));
      break;
    case MouseMessage::Kind::HorizontalWheel:
      message = WM_MOUSEHWHEEL;
      wParam = MAKEWPARAM(m.keyFlags, static_cast<WORD>(m.wheelDelta));
      break;
  }
  const LPARAM lParam = MAKELPARAM(static_cast<WORD>(m.x), static_cast<WORD>(m.y));
  DWORD_PTR result = 0;
  SetLastError(0);
  if (SendMessageTimeoutA(static_cast<HWND>(window), message, wParam, lParam,
                          SMTO_NORMAL | SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) != 0)
    return Delivery{};
  const DWORD error = GetLastError();
  Delivery failure;
  failure.fault = error == ERROR_TIMEOUT || error == 0 ? DeliveryFault::WindowTimedOut
                                                       : DeliveryFault::WindowRefused;
  failure.systemError = error;
  return failure;
}

WindowHandle Win32KeySender::FindTopLevelWindow(const char* className) {
  // Every output to a window begins with its lookup: a text after one that was given up goes.
  charWindow_ = nullptr;
  charTimedOut_ = false;
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
