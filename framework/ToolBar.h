#pragma once
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

namespace tarvel::fw {

// A toolbar control made from a toolbar resource (button size and commands) and the bitmap of
// the same number (the buttons' pictures side by side, magenta as the transparent colour).
// It does not own the window, which ends with its parent; it owns the image list.
class ToolBar {
 public:
  static constexpr COLORREF kMaskColor = RGB(255, 0, 255);
  static constexpr int kMaxButtons = 32;

  ToolBar() = default;
  ToolBar(const ToolBar&) = delete;
  ToolBar& operator=(const ToolBar&) = delete;
  ~ToolBar();

  bool Create(HWND parent, DWORD style, int id);
  bool LoadToolBar(int resourceId);
  // The buttons' pictures from another bitmap of the same buttons, width x height each (a
  // larger one for a denser screen).
  bool SetImages(int bitmapId, int width, int height);
  SIZE ImageSize() const;
  HWND Handle() const { return hwnd_; }

  // Toolbar commands and notifications go to this window (the frame, also when the toolbar sits
  // in a rebar).
  void SetNotifyWindow(HWND window) const {
    SendMessageA(hwnd_, TB_SETPARENT, reinterpret_cast<WPARAM>(window), 0);
  }
  int ButtonCount() const { return buttonCount_; }
  // The command of button index, 0 for a separator.
  UINT CommandAt(int index) const { return commands_[index]; }
  void EnableButton(UINT id, bool on) const {
    SendMessageA(hwnd_, TB_ENABLEBUTTON, id, MAKELPARAM(on ? TRUE : FALSE, 0));
  }
  bool IsButtonEnabled(UINT id) const {
    return SendMessageA(hwnd_, TB_ISBUTTONENABLED, id, 0) != 0;
  }
  void CheckButton(UINT id, bool on) const {
    SendMessageA(hwnd_, TB_CHECKBUTTON, id, MAKELPARAM(on ? TRUE : FALSE, 0));
  }
  SIZE IdealSize() const;

 private:
  bool LoadImages(int bitmapId, int width, int height);
  HWND hwnd_ = nullptr;
  HIMAGELIST images_ = nullptr;
  UINT commands_[kMaxButtons] = {};
  int buttonCount_ = 0;
};

// A rebar control: bands side by side, each holding one child window.
class ReBar {
 public:
  bool Create(HWND parent, DWORD style, int id);
  HWND Handle() const { return hwnd_; }
  // Adds a band for child at the end, at least minSize large.
  bool AddBar(HWND child, SIZE minSize, UINT bandStyle) const;
  // The band's child grew or shrank: the band takes its new size.
  bool SetBandMinSize(int index, SIZE minSize) const;
  int BandCount() const { return static_cast<int>(SendMessageA(hwnd_, RB_GETBANDCOUNT, 0, 0)); }
  void ShowBand(int index, bool show) const {
    SendMessageA(hwnd_, RB_SHOWBAND, index, show ? TRUE : FALSE);
  }
  bool IsBandVisible(int index) const;
  int Height() const;

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace tarvel::fw
