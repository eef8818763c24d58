#include "ui/TarvelView.h"

#include <cstdio>

#include "framework/Settings.h"
#include "model/TarvelDoc.h"
#include "res/resource.h"

namespace tarvel {

namespace {

struct ColumnInfo {
  const char* title;
  int defaultWidth;
};

constexpr ColumnInfo kColumns[CTarvelView::kColumnCount] = {
    {"Device", 300},
    {"Button", 50},
    {"Mapped Keyboard Key", 120},
    {"Target Window Class", 180},
    {"Description", 100},
};

constexpr COLORREF kImageMask = RGB(255, 255, 255);

void WidthKey(int column, char* key) { std::snprintf(key, 16, "Width%i", column); }

}  // namespace

CTarvelView::CTarvelView(CTarvelDoc& document, fw::SettingsStore& settings)
    : document_(document), settings_(settings) {
  document_.AddView(this);
}

CTarvelView::~CTarvelView() {
  document_.RemoveView(this);
  DestroyQuietly();
  if (largeImages_ != nullptr) ImageList_Destroy(largeImages_);
  if (smallImages_ != nullptr) ImageList_Destroy(smallImages_);
}

bool CTarvelView::Create(HWND parent, int id) {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS;
  if (!CreateControl(WC_LISTVIEWA, WS_EX_CLIENTEDGE, style, parent, id)) return false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  largeImages_ = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_ROW_IMAGES_LARGE), 32, 1,
                                      kImageMask, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  smallImages_ = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_ROW_IMAGES_SMALL), 16, 1,
                                      kImageMask, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  for (HIMAGELIST list : {largeImages_, smallImages_})
    if (list != nullptr) ImageList_SetOverlayImage(list, 7, 1);
  const fw::ListView list = List();
  list.SetImageList(largeImages_, LVSIL_NORMAL);
  list.SetImageList(smallImages_, LVSIL_SMALL);
  list.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (int i = 0; i < kColumnCount; ++i) {
    char key[16];
    WidthKey(i, key);
    list.InsertColumn(i, kColumns[i].title,
                      settings_.GetInt(kSection, key, kColumns[i].defaultWidth));
  }
  return true;
}

void CTarvelView::OnInitialUpdate() {
  OnUpdate(nullptr, 0);
  RebuildRows();
}

void CTarvelView::RebuildRows() {
  if (Handle() == nullptr) return;
  SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  List().DeleteAllItems();
  FillRows();
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void CTarvelView::FillRows() {
  const fw::ListView list = List();
  int row = 0;
  for (int d = 0; d < document_.recordCount; ++d) {
    const DeviceRecord& record = *document_.records[d];
    for (int b = 0; b < record.buttonCount; ++b) {
      list.InsertItem(row, record.name, document_.GetButtonStatus(d, b));
      char number[16];
      std::snprintf(number, sizeof(number), "%d", b + 1);
      list.SetItemText(row, 1, number);
      char keyText[kKeyTextSize] = {};
      document_.GetButtonKeyText(d, b, keyText);
      list.SetItemText(row, 2, keyText);
      list.SetItemText(row, 3, record.buttons[b].windowClass);
      list.SetItemText(row, 4, record.buttons[b].description);
      ++row;
    }
  }
}

void CTarvelView::RefreshRowTexts(int row) {
  char keyText[kKeyTextSize] = {};
  char windowClass[kShortTextSize] = {};
  char description[kShortTextSize] = {};
  document_.GetRowKeyText(row, keyText);
  document_.GetRowWindowClass(row, windowClass);
  document_.GetRowDescription(row, description);
  const fw::ListView list = List();
  list.SetItemText(row, 2, keyText);
  list.SetItemText(row, 3, windowClass);
  list.SetItemText(row, 4, description);
}

void CTarvelView::RefreshRowImage(int row) {
  List().SetItemImage(row, document_.GetRowStatus(row));
}

void CTarvelView::SetImageBit(int row, int bit, bool on) {
  const fw::ListView list = List();
  const int image = list.ItemImage(row);
  if (image < 0) return;
  list.SetItemImage(row, on ? (image | bit) : (image & ~bit));
}

void CTarvelView::SetPressedMark(int row, bool on) { SetImageBit(row, kStatusPressed, on); }

void CTarvelView::SetCaptureMark(int row, bool on) { SetImageBit(row, kStatusCaptureRow, on); }

void CTarvelView::OnUpdate(DocView* /*sender*/, long /*hint*/) {
  const int count = List().ItemCount();
  for (int row = 0; row < count; ++row) {
    RefreshRowTexts(row);
    RefreshRowImage(row);
  }
}

void CTarvelView::OnDestroy() {
  const fw::ListView list = List();
  for (int i = 0; i < kColumnCount; ++i) {
    char key[16];
    WidthKey(i, key);
    settings_.WriteInt(kSection, key, list.ColumnWidth(i));
  }
}

LRESULT CTarvelView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      OnDestroy();
      return Default(message, wParam, lParam);
    default:
      return Default(message, wParam, lParam);
  }
}

}  // namespace tarvel
