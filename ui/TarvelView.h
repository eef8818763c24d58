#pragma once
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include "framework/Dpi.h"
#include "framework/ListView.h"
#include "model/DocView.h"
#include "ui/ListViewEx.h"

namespace tarvel {

class AppServices;
class CTarvelDoc;
namespace fw {
class PrintService;
class SettingsStore;
}  // namespace fw

// The mapping list: a report list with one row per button of every device record, showing the
// device's name, the button's number, the mapped key, the target window class and the
// description. A row's image is its row status: 4 connected, 1 pressed, 2 waiting for a key.
// A double click edits the cell under it: the key (key capture), the target window class or the
// description; while a key is awaited a right click clears the row's key and a left click
// cancels. Print and Print Direct print the whole list as a table.
class CTarvelView final : public CListViewEx, public DocView {
 public:
  static constexpr int kColumnCount = 6;
  static constexpr const char* kSection = "View";
  enum Column {
    kDeviceColumn,
    kButtonColumn,
    kKeyColumn,
    kClassColumn,
    kDescriptionColumn,
    kActionColumn
  };

  // app: the key capture flag; null reads it as off. printing: the printer and the document's
  // title for Print and Print Direct; null prints nothing.
  CTarvelView(CTarvelDoc& document, fw::SettingsStore& settings, AppServices* app = nullptr,
              fw::PrintService* printing = nullptr);
  ~CTarvelView() override;

  bool Create(HWND parent, int id) override;
  void OnInitialUpdate() override;
  void OnDpiChanged(int oldDpi, int newDpi) override;

  // DocView
  void RefreshRowTexts(int row) override;
  void RefreshRowImage(int row) override;
  void SetPressedMark(int row, bool on) override;
  void SetCaptureMark(int row, bool on) override;
  void RebuildRows() override;
  void OnUpdate(DocView* sender, long hint) override;

  bool OnCommand(UINT id) override;
  bool OnUpdateCommand(fw::CmdUI& ui) override;

  HIMAGELIST SmallImages() const { return smallImages_; }
  HIMAGELIST LargeImages() const { return largeImages_; }

 protected:
  void PreCreateWindow(DWORD& style, DWORD& exStyle) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void FillRows();
  // Hat and axis rows are named, not numbered: the Button column is widened to show their names,
  // never narrowed, so a configuration without them keeps the widths it had.
  void FitControlNames();
  void SetImageBit(int row, int bit, bool on);
  // The key cell: the row's key, or a request for one while the row waits for it.
  void ShowKeyText(int row, bool waiting);
  // A first start, with no widths stored: every column as wide as its title at least, and the
  // Description column takes the rest of the window.
  void FitColumnsToWindow();
  bool KeepsImageWhole(int image) const override;
  // The row pictures drawn nearest to the size that dpi asks for.
  HIMAGELIST LoadRowImages(int dpi) const;
  bool CaptureOn() const;
  // The window that owns the view's dialogs: the main frame.
  HWND DialogOwner() const;

  void OnLButtonDblClk(LPARAM point);
  void OnLButtonDown();
  void OnRButtonDown();
  void EditWindowClass(int row);
  void EditDescription(int row);
  void EditAction(int row);
  void EditThresholds(int row);
  void OnJoystickConfigure();
  // The Pointer dialog for the controller of the selected row (the first without a selection).
  void OnJoystickPointer();
  int SelectedRecord() const;
  // Prints every row as a table; showDialog: through the Print dialog, else straight to the
  // kept or default printer.
  void OnFilePrint(bool showDialog);
  void OnDestroy();

  CTarvelDoc& document_;
  fw::SettingsStore& settings_;
  AppServices* app_;
  fw::PrintService* printing_;
  HIMAGELIST largeImages_ = nullptr;
  HIMAGELIST smallImages_ = nullptr;
  bool fitColumns_ = false;
  int dpi_ = fw::kBaseDpi;
  HFONT font_ = nullptr;  // the list's font once the window moved to another density
};

}  // namespace tarvel
