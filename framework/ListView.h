#pragma once
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <string>

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
  bool SetColumnWidth(int index, int width) const {
    return SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, index, MAKELPARAM(width, 0)) != 0;
  }
  int ItemCount() const { return static_cast<int>(SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }
  bool DeleteAllItems() const { return SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0) != 0; }
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
  void SetImageList(HIMAGELIST list, int which) const {
    SendMessageA(hwnd_, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list));
  }
  void SetExtendedStyle(DWORD mask, DWORD style) const {
    SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
  }

 private:
  HWND hwnd_;
};

}  // namespace tarvel::fw
