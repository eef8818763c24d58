#pragma once
#include <windows.h>

namespace tarvel::fw {

// A window of ours. The object is tied to its window when the window is created (WM_NCCREATE)
// or when a control of a system class is subclassed, and every message goes to the one virtual
// HandleMessage; each window class has one switch there that hands messages to short OnXxx
// methods.
class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  // Destroys a window that still exists, without calling back into the object.
  virtual ~Window();

  HWND Handle() const { return hwnd_; }

  // Registers a class of this kind of window once; lpfnWndProc is filled in here.
  static bool RegisterWindowClass(WNDCLASSEXA wc);
  // Creates a window of a class registered with RegisterWindowClass.
  bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                int cx, int cy, HWND parent, HMENU menu, HINSTANCE instance);
  // Creates a control of a system class (list view, ...) and subclasses it.
  bool CreateControl(const char* className, DWORD exStyle, DWORD style, HWND parent, int id);

 protected:
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Destroys the window, if it still exists, without calling back into the object: for
  // destructors, whose derived parts may be gone already.
  void DestroyQuietly();
  // What the window would do without us: DefWindowProc, or the control's own procedure.
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR data);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  bool subclassed_ = false;
};

}  // namespace tarvel::fw
