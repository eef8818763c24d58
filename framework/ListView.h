#pragma once
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <string>

#include "model/FileOps.h"

namespace tarvel::fw {

// Calls on a list-view control. It does not own the window.
class ListView {
 public:
  explicit ListView(HWND hwnd = nullptr) : hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }

  int InsertColumn(int index, const char* text, int width) const {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(text);
    column.iSubItem = index;
    return static_cast<int>(
        SendMessageA(hwnd_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
  }
  int ColumnWidth(int index) const {
    return static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, index, 0));
  }
  // The width of text in the list's font.
  int StringWidth(const char* text) const {
    return static_cast<int>(
        SendMessageA(hwnd_, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
  }
  bool SetColumnWidth(int index, int width) const {
    return SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, index, MAKELPARAM(width, 0)) != 0;
  }
  // The column's format and width as mask asks (LVCF_FMT, LVCF_WIDTH); false past the last one.
  bool GetColumn(int index, LVCOLUMNA* column) const {
    return SendMessageA(hwnd_, LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(column)) != 0;
  }
  int ItemCount() const { return static_cast<int>(SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }
  bool DeleteAllItems() const { return SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0) != 0; }
  bool DeleteItem(int index) const { return SendMessageA(hwnd_, LVM_DELETEITEM, index, 0) != 0; }
  // The item as item->mask asks, at item->iItem; returns its index, or -1.
  int InsertItem(const LVITEMA& item) const {
    return static_cast<int>(
        SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  }
  int InsertItem(int index, const char* text, int image) const {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.iImage = image;
    return static_cast<int>(
        SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  }
  bool SetItemText(int index, int subItem, const char* text) const {
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text);
    return SendMessageA(hwnd_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)) != 0;
  }
  std::string ItemText(int index, int subItem) const {
    char buffer[600] = {};
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = buffer;
    item.cchTextMax = sizeof(buffer);
    SendMessageA(hwnd_, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  // The text into buffer; returns the text, which the control may keep elsewhere than buffer.
  const char* ItemText(int index, int subItem, char* buffer, int size) const {
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = buffer;
    item.cchTextMax = size;
    buffer[0] = '\0';
    SendMessageA(hwnd_, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return item.pszText != nullptr ? item.pszText : "";
  }
  // What item->mask asks of item->iItem; false when there is no such item.
  bool GetItem(LVITEMA* item) const {
    return SendMessageA(hwnd_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)) != 0;
  }
  bool SetItem(const LVITEMA& item) const {
    return SendMessageA(hwnd_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
  }
  UINT ItemState(int index, UINT mask) const {
    return static_cast<UINT>(SendMessageA(hwnd_, LVM_GETITEMSTATE, index, mask));
  }
  bool SetItemState(int index, UINT state, UINT mask) const {
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    return SendMessageA(hwnd_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
  }
  // The next item after start (-1: from the first) with the LVNI_ flags, or -1.
  int NextItem(int start, UINT flags) const {
    return static_cast<int>(SendMessageA(hwnd_, LVM_GETNEXTITEM, start, flags));
  }
  // The first item after start (-1: from the first) whose label is text, or -1.
  int FindItem(int start, const char* text) const {
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = text;
    return static_cast<int>(
        SendMessageA(hwnd_, LVM_FINDITEMA, start, reinterpret_cast<LPARAM>(&find)));
  }
  bool EnsureVisible(int index, bool partialOk) const {
    return SendMessageA(hwnd_, LVM_ENSUREVISIBLE, index, partialOk ? TRUE : FALSE) != 0;
  }
  bool SortItems(PFNLVCOMPARE compare, LPARAM data) const {
    return SendMessageA(hwnd_, LVM_SORTITEMS, data, reinterpret_cast<LPARAM>(compare)) != 0;
  }
  // The item under hit->pt, or -1; hit->flags says where on it.
  int HitTest(LVHITTESTINFO* hit) const {
    return static_cast<int>(SendMessageA(hwnd_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(hit)));
  }
  // The item and hit->iSubItem the column under hit->pt, or -1.
  int SubItemHitTest(LVHITTESTINFO* hit) const {
    return static_cast<int>(
        SendMessageA(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(hit)));
  }
  // part: LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL or LVIR_SELECTBOUNDS.
  bool ItemRect(int index, int part, RECT* rect) const {
    rect->left = part;
    return SendMessageA(hwnd_, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)) != 0;
  }
  bool SubItemRect(int index, int subItem, int part, RECT* rect) const {
    rect->top = subItem;
    rect->left = part;
    return SendMessageA(hwnd_, LVM_GETSUBITEMRECT, index, reinterpret_cast<LPARAM>(rect)) != 0;
  }
  // The item's image index, or -1 when there is no such item.
  int ItemImage(int index) const {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    if (!SendMessageA(hwnd_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return item.iImage;
  }
  bool SetItemImage(int index, int image) const {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    item.iImage = image;
    return SendMessageA(hwnd_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
  }
  HIMAGELIST ImageList(int which) const {
    return reinterpret_cast<HIMAGELIST>(SendMessageA(hwnd_, LVM_GETIMAGELIST, which, 0));
  }
  void SetImageList(HIMAGELIST list, int which) const {
    SendMessageA(hwnd_, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list));
  }
  void SetExtendedStyle(DWORD mask, DWORD style) const {
    SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
  }
  // Texts in any language (paths): UTF-8 through the wide messages.
  int InsertItemUtf8(int index, const std::string& text) const {
    std::wstring wide = WideText(text.c_str());
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = wide.data();
    return static_cast<int>(
        SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  }
  bool SetItemTextUtf8(int index, int subItem, const std::string& text) const {
    std::wstring wide = WideText(text.c_str());
    LVITEMW item = {};
    item.iSubItem = subItem;
    item.pszText = wide.data();
    return SendMessageW(hwnd_, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)) != 0;
  }

 private:
  HWND hwnd_;
};

}  // namespace tarvel::fw
