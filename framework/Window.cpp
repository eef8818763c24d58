#include "framework/Window.h"

#include <commctrl.h>

namespace tarvel::fw {

namespace {
constexpr UINT_PTR kSubclassId = 1;
}

Window::~Window() { DestroyQuietly(); }

void Window::DestroyQuietly() {
  if (hwnd_ == nullptr) return;
  HWND hwnd = hwnd_;
  if (subclassed_)
    RemoveWindowSubclass(hwnd, ControlProc, kSubclassId);
  else
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  subclassed_ = false;
  DestroyWindow(hwnd);
}

bool Window::RegisterWindowClass(WNDCLASSEXA wc) {
  WNDCLASSEXA existing = {};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExA(wc.hInstance, wc.lpszClassName, &existing)) return true;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  return RegisterClassExA(&wc) != 0;
}

bool Window::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                      int y, int cx, int cy, HWND parent, HMENU menu, HINSTANCE instance) {
  if (hwnd_ != nullptr) return false;
  // WindowProc stores hwnd_ at WM_NCCREATE; a failed creation leaves it null again.
  HWND hwnd =
      CreateWindowExA(exStyle, className, title, style, x, y, cx, cy, parent, menu, instance, this);
  if (hwnd == nullptr) hwnd_ = nullptr;
  return hwnd != nullptr;
}

bool Window::CreateControl(const char* className, DWORD exStyle, DWORD style, HWND parent, int id) {
  if (hwnd_ != nullptr) return false;
  HWND hwnd = CreateWindowExA(exStyle, className, "", style, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleA(nullptr), nullptr);
  if (hwnd == nullptr) return false;
  hwnd_ = hwnd;
  subclassed_ = true;
  if (!SetWindowSubclass(hwnd, ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    hwnd_ = nullptr;
    subclassed_ = false;
    DestroyWindow(hwnd);
    return false;
  }
  return true;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  if (subclassed_) return DefSubclassProc(hwnd_, message, wParam, lParam);
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window is gone; the object may live on and create another.
    if (subclassed_) RemoveWindowSubclass(hwnd_, ControlProc, kSubclassId);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    subclassed_ = false;
  }
  return result;
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    self = static_cast<Window*>(create->lpCreateParams);
    if (self != nullptr) {
      self->hwnd_ = hwnd;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  return self->Dispatch(message, wParam, lParam);
}

LRESULT CALLBACK Window::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR /*id*/, DWORD_PTR data) {
  auto* self = reinterpret_cast<Window*>(data);
  if (self == nullptr || self->hwnd_ != hwnd) return DefSubclassProc(hwnd, message, wParam, lParam);
  return self->Dispatch(message, wParam, lParam);
}

}  // namespace tarvel::fw
