#pragma once
#include <windows.h>

#include <string>

namespace tarvel::fw {

// A status bar: a message pane (ID_SEPARATOR) that takes the free width, and indicator panes,
// each as wide as its text from the string table. The lock key indicators show their text while
// the key's lock is on. It does not own the window, which ends with its parent.
class StatusBar {
 public:
  static constexpr int kMaxPanes = 8;

  bool Create(HWND parent, DWORD style, int id);
  HWND Handle() const { return hwnd_; }
  bool SetIndicators(const UINT* ids, int count);
  int PaneCount() const { return paneCount_; }
  UINT PaneId(int index) const { return ids_[index]; }

  void SetPaneText(int index, const char* text) const;
  std::string PaneText(int index) const;
  // Lays the panes out for the bar's current width.
  void RecalcPanes();
  // Shows or blanks CAP, NUM and SCRL by the keyboard's lock states.
  void UpdateIndicators() const;
  int Height() const;

 private:
  HWND hwnd_ = nullptr;
  UINT ids_[kMaxPanes] = {};
  std::string texts_[kMaxPanes];
  int widths_[kMaxPanes] = {};
  int paneCount_ = 0;
};

}  // namespace tarvel::fw
