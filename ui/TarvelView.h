#pragma once
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include "framework/ListView.h"
#include "framework/View.h"
#include "model/DocView.h"

namespace tarvel {

class CTarvelDoc;
namespace fw {
class SettingsStore;
}

// The mapping list: a report list with one row per button of every device record, showing the
// device's name, the button's number, the mapped key, the target window class and the
// description. A row's image is its row status: 4 connected, 1 pressed, 2 waiting for a key.
class CTarvelView final : public fw::View, public DocView {
 public:
  static constexpr int kColumnCount = 5;
  static constexpr const char* kSection = "View";

  CTarvelView(CTarvelDoc& document, fw::SettingsStore& settings);
  ~CTarvelView() override;

  bool Create(HWND parent, int id) override;
  void OnInitialUpdate() override;
  fw::ListView List() const { return fw::ListView(Handle()); }

  // DocView
  void RefreshRowTexts(int row) override;
  void RefreshRowImage(int row) override;
  void SetPressedMark(int row, bool on) override;
  void SetCaptureMark(int row, bool on) override;
  void RebuildRows() override;
  void OnUpdate(DocView* sender, long hint) override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void FillRows();
  void SetImageBit(int row, int bit, bool on);
  void OnDestroy();

  CTarvelDoc& document_;
  fw::SettingsStore& settings_;
  HIMAGELIST largeImages_ = nullptr;
  HIMAGELIST smallImages_ = nullptr;
};

}  // namespace tarvel
