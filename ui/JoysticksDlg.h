#pragma once
#include <windows.h>

#include "framework/Dialog.h"

namespace tarvel {

class CTarvelDoc;

// Puts the document's device records in another order and deletes records. The rows stand for
// the records by their index when the dialog opened (the row's item data); Move Up, Move Down
// and Delete change the rows only, and OK applies them to the document in one step.
class CJoysticksDlg final : public fw::Dialog {
 public:
  CJoysticksDlg();

  HWND JoystickList() const;

  // The document whose records are edited; not owned.
  CTarvelDoc* m_doc = nullptr;

 protected:
  bool OnInit() override;
  bool OnOK() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  int FirstSelected() const;
  void UpdateButtons();
  void OnMoveUp();
  void OnMoveDown();
  void OnDelete();
  // Exchanges the texts and item data of two rows and moves the selection from row to other.
  void MoveRow(int row, int other);
};

}  // namespace tarvel
