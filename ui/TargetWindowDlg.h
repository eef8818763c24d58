#pragma once
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "framework/Dialog.h"

namespace tarvel {

// Picks the target window class of a mapping from the top-level windows that exist now, or
// takes a typed one. The list is sorted by class key: the first four bytes of the class name.
class CTargetWindowDlg final : public fw::Dialog {
 public:
  static constexpr int kMaxChars = 63;
  // The row that stands for no target window: keystrokes go to the focused window.
  static constexpr const char* kNoneRow = "-- <none> -- ";
  // Class names and titles are listed with at most this many characters.
  static constexpr int kListedChars = 126;

  CTargetWindowDlg();

  // The first four bytes of a class name, c0 * 2^24 + c1 * 2^16 + c2 * 2^8 + c3, as a signed
  // number; bytes past the name's end count as 0.
  static int32_t ClassKey(const char* className);
  // The sort order of the list: ascending class keys.
  static int CALLBACK CompareClassKeys(LPARAM key1, LPARAM key2, LPARAM sortParameter);

  HWND WindowList() const;

  // In: the current class. Out, after OK: the chosen or typed one.
  std::string m_selection;

 protected:
  bool OnInit() override;
  bool OnOK() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static BOOL CALLBACK AddWindowRow(HWND window, LPARAM dialog);
  void OnClickWindowList();
  // The selected row in the selection's own colours also while the focus is in the edit, where
  // the list would draw it in a pale grey that is easily missed.
  LRESULT OnCustomDrawList(NMLVCUSTOMDRAW* draw) const;
  void SelectRow(int row);
};

}  // namespace tarvel
