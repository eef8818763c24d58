#include "ui/ListViewEx.h"

#include <algorithm>
#include <cstring>

#include "framework/ListView.h"

namespace tarvel {

namespace {

constexpr char kDots[] = "...";
constexpr int kDotCount = 3;

// Windows before version 4 drew no room for a state icon into the label.
bool SystemBeforeVersion4() {
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
  const DWORD version = GetVersion();
  return LOBYTE(LOWORD(version)) < 4;
}

int TextWidth(HDC dc, const char* text, int length) {
  SIZE size = {};
  GetTextExtentPoint32A(dc, text, length, &size);
  return size.cx;
}

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  if (color == CLR_NONE) return;
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

constexpr UINT kCellTextFormat = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_VCENTER;

UINT Justification(int columnFormat) {
  switch (columnFormat & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
      return DT_RIGHT;
    case LVCFMT_CENTER:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

// A row's text colour (when given), background colour and transparent text background in the
// DC; the previous ones come back at the end of the scope.
class RowColors {
 public:
  RowColors(HDC dc, const COLORREF* text, COLORREF back)
      : dc_(dc),
        oldText_(text != nullptr ? SetTextColor(dc, *text) : GetTextColor(dc)),
        oldBack_(SetBkColor(dc, back)),
        oldMode_(SetBkMode(dc, TRANSPARENT)) {}
  ~RowColors() {
    SetBkMode(dc_, oldMode_);
    SetBkColor(dc_, oldBack_);
    SetTextColor(dc_, oldText_);
  }
  RowColors(const RowColors&) = delete;
  RowColors& operator=(const RowColors&) = delete;

 private:
  HDC dc_;
  COLORREF oldText_;
  COLORREF oldBack_;
  int oldMode_;
};

}  // namespace

CListViewEx::CListViewEx()
    : m_selBackColor(RGB(224, 224, 224)),
      m_selTextColor(GetSysColor(COLOR_WINDOWTEXT)),
      m_itemBackColor(GetSysColor(COLOR_WINDOW)),
      m_backColor(GetSysColor(COLOR_WINDOW)) {}

CListViewEx::~CListViewEx() { DestroyQuietly(); }

void CListViewEx::PreCreateWindow(DWORD& style, DWORD& /*exStyle*/) {
  style = (style & ~static_cast<DWORD>(LVS_TYPEMASK)) | LVS_REPORT | LVS_OWNERDRAWFIXED;
  m_fullRow = TRUE;
}

bool CListViewEx::Create(HWND parent, int id) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD exStyle = WS_EX_CLIENTEDGE;
  PreCreateWindow(style, exStyle);
  return CreateControl(WC_LISTVIEWA, exStyle, style, parent, id);
}

bool CListViewEx::IsReport() const {
  return (GetWindowLongPtrA(Handle(), GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT;
}

bool CListViewEx::SetFullRowMode(bool on) {
  HWND list = Handle();
  m_fullRow = on ? TRUE : FALSE;
  if (list == nullptr) return false;
  const LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
  const LONG_PTR wanted =
      on ? (style | LVS_OWNERDRAWFIXED) : (style & ~LONG_PTR{LVS_OWNERDRAWFIXED});
  if (wanted == style) return false;
  SetWindowLongPtrA(list, GWL_STYLE, wanted);
  if (IsReport()) InvalidateRect(list, nullptr, TRUE);
  return true;
}

bool CListViewEx::RowBand(int row, RECT* band) const {
  const fw::ListView list = List();
  RECT label = {};
  if (!list.ItemRect(row, LVIR_BOUNDS, band) || !list.ItemRect(row, LVIR_LABEL, &label))
    return false;
  band->left = label.left;
  return true;
}

const char* CListViewEx::FitTextWithEllipsis(HDC dc, const char* text, int columnWidth,
                                             int margin) {
  const int length = static_cast<int>(std::strlen(text));
  if (length == 0) return text;
  if (TextWidth(dc, text, length) + margin <= columnWidth) return text;

  // Room for the kept characters, the dots and the terminating zero.
  int kept = std::max(1, std::min(length - 1, kTextBufferSize - kDotCount - 1));
  std::memcpy(fitText_, text, static_cast<size_t>(kept));
  const int dots = TextWidth(dc, kDots, kDotCount);
  while (kept > 1 && TextWidth(dc, fitText_, kept) + margin + dots > columnWidth) --kept;
  std::memcpy(fitText_ + kept, kDots, sizeof(kDots));
  return fitText_;
}

bool CListViewEx::ReadRow(int row, RowLook* look) {
  const fw::ListView list = List();
  const bool focus = GetFocus() == list.Handle();
  const LONG_PTR style = GetWindowLongPtrA(list.Handle(), GWL_STYLE);

  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
  item.iItem = row;
  item.stateMask = 0xFFFF;
  item.pszText = itemText_;
  item.cchTextMax = kTextBufferSize;
  itemText_[0] = '\0';
  if (!list.GetItem(&item)) return false;

  look->row = row;
  look->state = item.state;
  look->image = item.iImage;
  look->label = item.pszText != nullptr ? item.pszText : "";
  look->selected =
      ((focus || (style & LVS_SHOWSELALWAYS) != 0) && (item.state & LVIS_SELECTED) != 0) ||
      (item.state & LVIS_DROPHILITED) != 0;
  look->focusRect = focus && (item.state & LVIS_FOCUSED) != 0;
  look->band = RECT{};
  RowBand(row, &look->band);
  if (m_selectToClientEdge && look->band.right < m_clientCx) look->band.right = m_clientCx;
  return true;
}

void CListViewEx::DrawImages(const DRAWITEMSTRUCT& draw, const RowLook& look) const {
  const fw::ListView list = List();
  UINT iconStyle = ILD_TRANSPARENT;
  COLORREF iconColor = m_backColor;
  if ((look.state & LVIS_CUT) != 0) {
    iconStyle = ILD_TRANSPARENT | ILD_BLEND50;
  } else if (look.selected && !KeepsImageWhole(look.image)) {
    iconStyle = ILD_TRANSPARENT | ILD_BLEND25;
    iconColor = m_selBackColor;
  }

  const UINT stateImage = (look.state & LVIS_STATEIMAGEMASK) >> 12;
  HIMAGELIST stateList = list.ImageList(LVSIL_STATE);
  if (stateImage != 0 && stateList != nullptr)
    ImageList_Draw(stateList, static_cast<int>(stateImage) - 1, draw.hDC, draw.rcItem.left,
                   draw.rcItem.top, ILD_TRANSPARENT);

  HIMAGELIST smallList = list.ImageList(LVSIL_SMALL);
  RECT icon = {};
  int cx = 0;
  int cy = 0;
  if (smallList != nullptr && draw.rcItem.left < draw.rcItem.right - 1 &&
      list.ItemRect(look.row, LVIR_ICON, &icon) && ImageList_GetIconSize(smallList, &cx, &cy))
    ImageList_DrawEx(smallList, look.image, draw.hDC, icon.left, icon.top, cx, cy, m_backColor,
                     iconColor, iconStyle | (look.state & LVIS_OVERLAYMASK));
}

RECT CListViewEx::DrawLabel(HDC dc, const RowLook& look) {
  RECT cell = {};
  List().ItemRect(look.row, LVIR_LABEL, &cell);
  cell.right -= m_stateIconIndent;
  const char* shown = FitTextWithEllipsis(dc, look.label, cell.right - cell.left, kLabelMargin);
  RECT text = {cell.left + 2, cell.top, cell.right - 2, cell.bottom};
  DrawTextA(dc, shown, -1, &text, DT_LEFT | kCellTextFormat);
  return cell;
}

void CListViewEx::DrawSubItems(HDC dc, int row, RECT cell) {
  const fw::ListView list = List();
  for (int column = 1;; ++column) {
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_WIDTH;
    if (!list.GetColumn(column, &info)) break;
    cell.left = cell.right;
    cell.right = cell.left + info.cx;

    const char* text = list.ItemText(row, column, itemText_, kTextBufferSize);
    if (text[0] == '\0') continue;
    const char* shown = FitTextWithEllipsis(dc, text, cell.right - cell.left, kSubItemMargin);
    // A shortened text starts at the left edge, whatever the column's alignment.
    const UINT justify = shown == text ? Justification(info.fmt) : DT_LEFT;
    RECT inner = {cell.left + 6, cell.top, cell.right - 6, cell.bottom};
    DrawTextA(dc, shown, -1, &inner, justify | kCellTextFormat);
  }
}

void CListViewEx::DrawItem(const DRAWITEMSTRUCT& draw) {
  RowLook look;
  if (!ReadRow(static_cast<int>(draw.itemID), &look)) return;
  const COLORREF band = look.selected ? m_selBackColor : m_itemBackColor;
  // The texts are drawn on the band's colour, whatever colours the control left in the DC.
  const RowColors colors(draw.hDC, look.selected ? &m_selTextColor : nullptr, band);
  Fill(draw.hDC, look.band, band);
  DrawImages(draw, look);
  const RECT label = DrawLabel(draw.hDC, look);
  DrawSubItems(draw.hDC, look.row, label);
  if (look.focusRect) DrawFocusRect(draw.hDC, &look.band);
}

void CListViewEx::InvalidateMarkedRows() {
  HWND list = Handle();
  const fw::ListView rows(list);
  RECT band = {};
  const int focused = rows.NextItem(-1, LVNI_FOCUSED);
  if (focused >= 0 && RowBand(focused, &band)) InvalidateRect(list, &band, FALSE);
  if ((GetWindowLongPtrA(list, GWL_STYLE) & LVS_SHOWSELALWAYS) == 0) {
    int row = -1;
    while ((row = rows.NextItem(row, LVNI_SELECTED)) >= 0) {
      if (RowBand(row, &band)) InvalidateRect(list, &band, FALSE);
    }
  }
  UpdateWindow(list);
}

void CListViewEx::OnPaint() {
  if (!m_selectToClientEdge || !m_fullRow || !IsReport()) return;
  RECT first = {};
  if (!List().ItemRect(0, LVIR_BOUNDS, &first) || first.right >= m_clientCx) return;
  // The control repaints only as far as its columns reach; a selected row's band goes on to the
  // window's edge, so the area to repaint does too.
  RECT clip = {};
  if (!GetUpdateRect(Handle(), &clip, FALSE)) return;
  clip.left = std::min(first.right - 1, clip.left);
  clip.right = m_clientCx;
  InvalidateRect(Handle(), &clip, FALSE);
}

void CListViewEx::OnFocusChange(UINT /*message*/, HWND other) {
  // A child of the list, such as a label editor, taking or giving back the focus changes nothing.
  if (other != nullptr && GetParent(other) == Handle()) return;
  if (m_fullRow && IsReport()) InvalidateMarkedRows();
}

void CListViewEx::OnSetImageList(WPARAM kind, LPARAM list) {
  if (kind != LVSIL_STATE || !SystemBeforeVersion4()) return;
  int cx = 0;
  int cy = 0;
  m_stateIconIndent = ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(list), &cx, &cy) ? cx : 0;
}

bool CListViewEx::OnReflectedMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam,
                                     LRESULT* result) {
  if (message != WM_DRAWITEM) return false;
  const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (draw->CtlType != ODT_LISTVIEW || draw->hwndItem != Handle()) return false;
  DrawItem(*draw);
  *result = TRUE;
  return true;
}

LRESULT CListViewEx::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      m_clientCx = LOWORD(lParam);
      return Default(message, wParam, lParam);
    case WM_PAINT:
      if (wParam == 0) OnPaint();
      return Default(message, wParam, lParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const LRESULT result = Default(message, wParam, lParam);
      OnFocusChange(message, reinterpret_cast<HWND>(wParam));
      return result;
    }
    case LVM_SETIMAGELIST:
      OnSetImageList(wParam, lParam);
      return Default(message, wParam, lParam);
    case LVM_SETTEXTBKCOLOR:
      m_itemBackColor = static_cast<COLORREF>(lParam);
      return Default(message, wParam, lParam);
    case LVM_SETBKCOLOR:
      m_backColor = static_cast<COLORREF>(lParam);
      return Default(message, wParam, lParam);
    default:
      return Default(message, wParam, lParam);
  }
}

}  // namespace tarvel
