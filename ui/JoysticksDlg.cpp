#include "ui/JoysticksDlg.h"

// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <string>

#include "framework/ListView.h"
#include "model/TarvelDoc.h"
#include "res/resource.h"
#include "ui/DialogPlacement.h"

namespace tarvel {

namespace {

struct Row {
  char name[kNameSize] = {};
  LPARAM record = 0;
};

Row ReadRow(const fw::ListView& list, int index) {
  Row row;
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = row.name;
  item.cchTextMax = sizeof(row.name);
  list.GetItem(&item);
  row.record = item.lParam;
  return row;
}

void WriteRow(const fw::ListView& list, int index, Row& row) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = row.name;
  item.lParam = row.record;
  list.SetItem(item);
}

}  // namespace

CJoysticksDlg::CJoysticksDlg() : Dialog(IDD_JOYSTICKS) {}

HWND CJoysticksDlg::JoystickList() const { return GetDlgItem(Handle(), IDC_JOYSTICK_LIST); }

bool CJoysticksDlg::OnInit() {
  CenterOnOwner(Handle());
  const fw::ListView list(JoystickList());
  list.InsertColumn(0, "Joystick", 280);
  const int count = m_doc != nullptr ? m_doc->recordCount : 0;
  for (int i = 0; i < count; ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    // A pad read through XInput says which player it is.
    char pad[64] = {};
    std::string text = m_doc->records[i]->name;
    if (m_doc->GetRecordPadText(i, pad, sizeof pad)) text = text + " - " + pad;
    item.pszText = text.data();
    item.lParam = i;
    list.InsertItem(item);
  }
  UpdateButtons();
  return true;
}

int CJoysticksDlg::FirstSelected() const {
  return fw::ListView(JoystickList()).NextItem(-1, LVNI_SELECTED);
}

void CJoysticksDlg::UpdateButtons() {
  const int selected = FirstSelected();
  const int last = fw::ListView(JoystickList()).ItemCount() - 1;
  EnableWindow(GetDlgItem(Handle(), IDC_MOVE_UP), selected > 0);
  EnableWindow(GetDlgItem(Handle(), IDC_MOVE_DOWN), selected >= 0 && selected < last);
  EnableWindow(GetDlgItem(Handle(), IDC_DELETE), selected >= 0);
  // A button that was just disabled under the keyboard focus would leave the dialog without one.
  HWND focus = GetFocus();
  if (focus != nullptr && GetParent(focus) == Handle() && !IsWindowEnabled(focus))
    SetFocus(JoystickList());
}

void CJoysticksDlg::MoveRow(int row, int other) {
  const fw::ListView list(JoystickList());
  Row a = ReadRow(list, row);
  Row b = ReadRow(list, other);
  WriteRow(list, row, b);
  WriteRow(list, other, a);
  list.SetItemState(row, 0, LVIS_SELECTED);
  list.SetItemState(other, LVIS_SELECTED, LVIS_SELECTED);
  UpdateButtons();
}

void CJoysticksDlg::OnMoveUp() {
  const int selected = FirstSelected();
  if (selected <= 0) return;
  MoveRow(selected, selected - 1);
}

void CJoysticksDlg::OnMoveDown() {
  const int selected = FirstSelected();
  const int count = fw::ListView(JoystickList()).ItemCount();
  if (selected < 0 || selected >= count - 1) return;
  MoveRow(selected, selected + 1);
}

void CJoysticksDlg::OnDelete() {
  const int selected = FirstSelected();
  if (selected < 0) return;
  fw::ListView(JoystickList()).DeleteItem(selected);
  UpdateButtons();
}

bool CJoysticksDlg::OnOK() {
  if (m_doc == nullptr) return true;
  const fw::ListView list(JoystickList());
  int order[kMaxRecords] = {};
  int count = list.ItemCount();
  if (count > kMaxRecords) count = kMaxRecords;
  for (int i = 0; i < count; ++i) order[i] = static_cast<int>(ReadRow(list, i).record);
  // One step: the records that no row names are freed only after every slot has been untied,
  // so that nothing reads a deleted record, and polling sees either the old order or the new.
  m_doc->ApplyRecordOrder(order, count);
  return true;
}

INT_PTR CJoysticksDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_MOVE_UP:
          OnMoveUp();
          return TRUE;
        case IDC_MOVE_DOWN:
          OnMoveDown();
          return TRUE;
        case IDC_DELETE:
          OnDelete();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_JOYSTICK_LIST) return FALSE;
      // A click, and any other change of the selection (keyboard, Delete), updates the buttons.
      if (header->code == static_cast<UINT>(NM_CLICK) ||
          (header->code == static_cast<UINT>(LVN_ITEMCHANGED) &&
           (reinterpret_cast<const NMLISTVIEW*>(lParam)->uChanged & LVIF_STATE) != 0)) {
        UpdateButtons();
        SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace tarvel
