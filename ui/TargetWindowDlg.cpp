#include "ui/TargetWindowDlg.h"

// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include "framework/ListView.h"
#include "res/resource.h"
#include "ui/DialogPlacement.h"

namespace tarvel {

namespace {

constexpr int kNameBufferSize = 128;

}  // namespace

CTargetWindowDlg::CTargetWindowDlg() : Dialog(IDD_TARGET_WINDOW) {}

HWND CTargetWindowDlg::WindowList() const { return GetDlgItem(Handle(), IDC_WINDOW_LIST); }

int32_t CTargetWindowDlg::ClassKey(const char* className) {
  uint32_t key = 0;
  bool ended = false;
  for (int i = 0; i < 4; ++i) {
    const unsigned char byte = ended ? 0 : static_cast<unsigned char>(className[i]);
    if (byte == 0) ended = true;
    key = (key << 8) | byte;
  }
  return static_cast<int32_t>(key);
}

int CALLBACK CTargetWindowDlg::CompareClassKeys(LPARAM key1, LPARAM key2, LPARAM /*sort*/) {
  const auto a = static_cast<int32_t>(key1);
  const auto b = static_cast<int32_t>(key2);
  if (a > b) return 1;
  if (a < b) return -1;
  return 0;
}

bool CTargetWindowDlg::OnInit() {
  CenterOnOwner(Handle());
  SetItemText(IDC_SELECTION, m_selection.c_str());
  SendDlgItemMessageA(Handle(), IDC_SELECTION, EM_LIMITTEXT, kMaxChars, 0);

  const fw::ListView list(WindowList());
  RECT client = {};
  GetClientRect(list.Handle(), &client);
  list.InsertColumn(0, "Window Class", 180);
  list.InsertColumn(1, "Window Name", client.right - client.left - 200);

  LVITEMA none = {};
  none.mask = LVIF_TEXT | LVIF_IMAGE;
  none.pszText = const_cast<char*>(kNoneRow);
  list.InsertItem(none);

  EnumWindows(AddWindowRow, reinterpret_cast<LPARAM>(this));
  list.SortItems(CompareClassKeys, 0);

  if (m_selection.empty()) {
    SelectRow(0);
  } else {
    const int row = list.FindItem(-1, m_selection.c_str());
    if (row >= 0) {
      SelectRow(row);
      list.EnsureVisible(row, false);
    }
  }
  return true;
}

void CTargetWindowDlg::SelectRow(int row) {
  fw::ListView(WindowList()).SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

BOOL CALLBACK CTargetWindowDlg::AddWindowRow(HWND window, LPARAM dialog) {
  auto* self = reinterpret_cast<CTargetWindowDlg*>(dialog);
  char title[kNameBufferSize] = {};
  char className[kNameBufferSize] = {};
  GetWindowTextA(window, title, kListedChars + 1);
  GetClassNameA(window, className, kListedChars + 1);
  if (title[0] == '\0' || className[0] == '\0') return TRUE;

  const fw::ListView list(self->WindowList());
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = list.ItemCount();
  item.pszText = className;
  item.lParam = ClassKey(className);
  const int row = list.InsertItem(item);
  if (row < 0) return TRUE;
  list.SetItemText(row, 1, title);
  return TRUE;
}

void CTargetWindowDlg::OnClickWindowList() {
  const fw::ListView list(WindowList());
  const int row = list.NextItem(-1, LVNI_SELECTED);
  m_selection.clear();
  if (row >= 0) {
    char className[kNameBufferSize] = {};
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = className;
    item.cchTextMax = sizeof(className);
    list.GetItem(&item);
    // Every listed class has a key: only the "none" row has 0.
    if (item.lParam != 0) m_selection = className;
  }
  SetItemText(IDC_SELECTION, m_selection.c_str());
}

bool CTargetWindowDlg::OnOK() {
  // A longer class could not be stored whole, and a cut one names no window.
  if (!CheckMaxChars(IDC_SELECTION, kMaxChars)) return false;
  char text[kMaxChars + 1] = {};
  GetItemText(IDC_SELECTION, text, sizeof(text));
  m_selection = text;
  return true;
}

LRESULT CTargetWindowDlg::OnCustomDrawList(NMLVCUSTOMDRAW* draw) const {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      const HWND list = WindowList();
      const int row = static_cast<int>(draw->nmcd.dwItemSpec);
      if (GetFocus() == list ||
          ListView_GetItemState(list, row, LVIS_SELECTED) != static_cast<UINT>(LVIS_SELECTED))
        return CDRF_DODEFAULT;
      // Drawn as an ordinary row in the selection's colours.
      draw->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
      draw->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
      draw->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
      return CDRF_NEWFONT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

INT_PTR CTargetWindowDlg::HandleMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam) {
  if (message != WM_NOTIFY) return FALSE;
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->idFrom != IDC_WINDOW_LIST) return FALSE;
  LRESULT result = 0;
  if (header->code == static_cast<UINT>(NM_CLICK))
    OnClickWindowList();
  else if (header->code == static_cast<UINT>(NM_CUSTOMDRAW))
    result = OnCustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
  else
    return FALSE;
  SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace tarvel
