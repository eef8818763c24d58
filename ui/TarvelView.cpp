#include "ui/TarvelView.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>

#include "framework/PrintService.h"
#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "model/TarvelDoc.h"
#include "res/resource.h"
#include "ui/ActionDlg.h"
#include "ui/DescriptionDlg.h"
#include "ui/JoysticksDlg.h"
#include "ui/ListPrinter.h"
#include "ui/PointerDlg.h"
#include "ui/TargetWindowDlg.h"
#include "ui/ThresholdsDlg.h"
#include "ui/WideText.h"

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
    {"Action", 80},
};

constexpr COLORREF kImageMask = RGB(255, 255, 255);
// The picture of a capture row that is pressed doubles as overlay 1.
constexpr int kOverlayImage = 7;

void WidthKey(int column, char* key) { std::snprintf(key, 16, "Width%i", column); }

// Wider than any arrangement of screens; a stored width outside 0 to this is no width the user
// dragged, and the column gets its default width back.
constexpr int kMaxColumnWidth = 16384;
// What the settings give for a width never stored.
constexpr int kNoWidth = -1;
// Room around a title in its header: the header's own margins on both sides.
constexpr int kTitleMargin = 2 * CListViewEx::kSubItemMargin;

// A stored width is kept as it was stored, in pixels; a default is given for 100 %.
int StoredWidth(fw::SettingsStore& settings, const char* section, int column, int dpi) {
  char key[16];
  WidthKey(column, key);
  const int defaultWidth = fw::ScaleForDpi(kColumns[column].defaultWidth, dpi);
  const int width = settings.GetInt(section, key, defaultWidth);
  return width >= 0 && width <= kMaxColumnWidth ? width : defaultWidth;
}

}  // namespace

CTarvelView::CTarvelView(CTarvelDoc& document, fw::SettingsStore& settings, AppServices* app,
                         fw::PrintService* printing)
    : document_(document), settings_(settings), app_(app), printing_(printing) {
  document_.AddView(this);
}

CTarvelView::~CTarvelView() {
  document_.RemoveView(this);
  DestroyQuietly();
  if (largeImages_ != nullptr) ImageList_Destroy(largeImages_);
  if (smallImages_ != nullptr) ImageList_Destroy(smallImages_);
  if (font_ != nullptr) DeleteObject(font_);
}

HIMAGELIST CTarvelView::LoadRowImages(int dpi) const {
  // Drawn at 16, 24 and 32 pixels; the nearest to the size asked for.
  const int wanted = fw::ScaleForDpi(16, dpi);
  const int size = wanted < 20 ? 16 : wanted < 28 ? 24 : 32;
  const int bitmap = size == 16   ? IDB_ROW_IMAGES_SMALL
                     : size == 24 ? IDB_ROW_IMAGES_24
                                  : IDB_ROW_IMAGES_LARGE;
  HIMAGELIST list = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmap), size,
                                         1, kImageMask, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  if (list != nullptr) ImageList_SetOverlayImage(list, kOverlayImage, 1);
  return list;
}

void CTarvelView::OnDpiChanged(int oldDpi, int newDpi) {
  if (Handle() == nullptr || oldDpi <= 0 || newDpi <= 0 || oldDpi == newDpi) return;
  dpi_ = newDpi;
  const fw::ListView list = List();
  if (HIMAGELIST images = LoadRowImages(newDpi)) {
    list.SetImageList(images, LVSIL_SMALL);
    if (smallImages_ != nullptr) ImageList_Destroy(smallImages_);
    smallImages_ = images;
  }
  for (int i = 0; i < kColumnCount; ++i)
    list.SetColumnWidth(i, MulDiv(list.ColumnWidth(i), newDpi, oldDpi));
  HFONT current = reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0));
  if (HFONT font = fw::ScaledFont(current, oldDpi, newDpi)) {
    SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
  }
}

void CTarvelView::PreCreateWindow(DWORD& style, DWORD& exStyle) {
  // The view destroys its image lists itself; the list must not destroy them a second time.
  style |= WS_CLIPSIBLINGS | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
  CListViewEx::PreCreateWindow(style, exStyle);
}

bool CTarvelView::Create(HWND parent, int id) {
  if (!CListViewEx::Create(parent, id)) return false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  dpi_ = fw::DpiOf(Handle());
  largeImages_ = ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_ROW_IMAGES_LARGE), 32, 1,
                                      kImageMask, IMAGE_BITMAP, LR_CREATEDIBSECTION);
  if (largeImages_ != nullptr) ImageList_SetOverlayImage(largeImages_, kOverlayImage, 1);
  smallImages_ = LoadRowImages(dpi_);
  const fw::ListView list = List();
  list.SetImageList(largeImages_, LVSIL_NORMAL);
  list.SetImageList(smallImages_, LVSIL_SMALL);
  list.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  fitColumns_ = true;
  for (int i = 0; i < kColumnCount; ++i) {
    char key[16];
    WidthKey(i, key);
    if (settings_.GetInt(kSection, key, kNoWidth) != kNoWidth) fitColumns_ = false;
    list.InsertColumn(i, kColumns[i].title, StoredWidth(settings_, kSection, i, dpi_));
  }
  return true;
}

bool CTarvelView::CaptureOn() const { return app_ != nullptr && app_->CaptureOn() != 0; }

HWND CTarvelView::DialogOwner() const { return GetAncestor(Handle(), GA_ROOT); }

void CTarvelView::OnInitialUpdate() {
  // The row that waited for a key belongs to the configuration that is being replaced.
  if (CaptureOn()) document_.SetKeyCapture(false, 0);
  OnUpdate(nullptr, 0);
  RebuildRows();
  SetFullRowMode(true);
  if (fitColumns_) FitColumnsToWindow();
}

void CTarvelView::FitColumnsToWindow() {
  RECT client = {};
  if (Handle() == nullptr || !GetClientRect(Handle(), &client) || client.right <= 0) return;
  fitColumns_ = false;
  const fw::ListView list = List();
  int others = 0;
  int widths[kColumnCount] = {};
  for (int i = 0; i < kColumnCount; ++i) {
    widths[i] = std::max(list.ColumnWidth(i),
                         list.StringWidth(kColumns[i].title) + fw::ScaleForDpi(kTitleMargin, dpi_));
    if (i != kDescriptionColumn) others += widths[i];
  }
  widths[kDescriptionColumn] = std::max<int>(widths[kDescriptionColumn], client.right - others);
  for (int i = 0; i < kColumnCount; ++i) list.SetColumnWidth(i, widths[i]);
}

bool CTarvelView::KeepsImageWhole(int image) const {
  // The red picture of the row that waits for its key stays red when the row is selected.
  return image >= 0 && (image & kStatusCaptureRow) != 0;
}

void CTarvelView::ShowKeyText(int row, bool waiting) {
  char keyText[kOutputTextSize] = {};
  if (waiting)
    lstrcpynA(keyText, fw::LoadResourceString(IDS_WAITING_FOR_KEY, "Press a key...").c_str(),
              kKeyTextSize);
  else
    document_.GetRowOutputText(row, keyText);
  List().SetItemText(row, kKeyColumn, OutputTextForList(keyText).c_str());
}

void CTarvelView::RebuildRows() {
  if (Handle() == nullptr) return;
  SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  List().DeleteAllItems();
  FillRows();
  FitControlNames();
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void CTarvelView::FillRows() {
  const fw::ListView list = List();
  int row = 0;
  for (int d = 0; d < document_.recordCount; ++d) {
    const DeviceRecord& record = *document_.records[d];
    for (int n = 0; n < record.RowCount(); ++n) {
      const int b = record.IndexOfRow(n);
      const ButtonMapping& mapping = record.Mapping(b);
      list.InsertItem(row, record.name, document_.GetButtonStatus(d, b));
      char name[kRowNameSize] = {};
      document_.GetRowControlName(row, name, sizeof(name));
      list.SetItemText(row, kButtonColumn, name);
      char keyText[kOutputTextSize] = {};
      document_.GetRowOutputText(row, keyText);
      list.SetItemText(row, kKeyColumn, OutputTextForList(keyText).c_str());
      list.SetItemText(row, kClassColumn, mapping.windowClass);
      list.SetItemText(row, kDescriptionColumn, mapping.description);
      char action[16] = {};
      FormatAction(mapping.action, mapping.turboRate, action, sizeof(action));
      list.SetItemText(row, kActionColumn, action);
      ++row;
    }
  }
}

void CTarvelView::FitControlNames() {
  const fw::ListView list = List();
  int needed = 0;
  for (int row = 0; row < list.ItemCount(); ++row) {
    int record = 0;
    int index = 0;
    char name[kRowNameSize] = {};
    if (!document_.RowToButton(row, &record, &index) ||
        (index < kFirstControl && !document_.IsPadRecord(record)) ||
        !document_.GetRowControlName(row, name, sizeof(name)))
      continue;
    const int width = list.StringWidth(name);
    needed = std::max(needed, width + kSubItemMargin + 4);
  }
  if (needed > list.ColumnWidth(kButtonColumn)) list.SetColumnWidth(kButtonColumn, needed);
}

void CTarvelView::RefreshRowTexts(int row) {
  char windowClass[kShortTextSize] = {};
  char description[kShortTextSize] = {};
  ShowKeyText(row, (document_.GetRowStatus(row) & kStatusCaptureRow) != 0);
  document_.GetRowWindowClass(row, windowClass);
  document_.GetRowDescription(row, description);
  const fw::ListView list = List();
  list.SetItemText(row, kClassColumn, windowClass);
  list.SetItemText(row, kDescriptionColumn, description);
  KeyAction action = KeyAction::Tap;
  int turboRate = kDefaultTurboRate;
  char actionText[16] = {};
  if (document_.GetRowAction(row, &action, &turboRate))
    FormatAction(action, turboRate, actionText, sizeof(actionText));
  list.SetItemText(row, kActionColumn, actionText);
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

void CTarvelView::SetCaptureMark(int row, bool on) {
  SetImageBit(row, kStatusCaptureRow, on);
  ShowKeyText(row, on);
}

void CTarvelView::OnUpdate(DocView* /*sender*/, long /*hint*/) {
  const int count = List().ItemCount();
  for (int row = 0; row < count; ++row) {
    RefreshRowTexts(row);
    RefreshRowImage(row);
  }
}

void CTarvelView::OnLButtonDblClk(LPARAM point) {
  const fw::ListView list = List();
  LVHITTESTINFO hit = {};
  hit.pt = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  const int row = list.HitTest(&hit);
  if (row < 0 || (hit.flags & LVHT_ONITEM) == 0) return;

  LVHITTESTINFO cell = {};
  cell.pt = hit.pt;
  list.SubItemHitTest(&cell);
  if ((cell.flags & LVHT_ONITEM) == 0) return;

  switch (cell.iSubItem) {
    case kKeyColumn:
      document_.SetKeyCapture(true, row);
      break;
    case kClassColumn:
      EditWindowClass(row);
      break;
    case kDescriptionColumn:
      EditDescription(row);
      break;
    case kActionColumn:
      EditAction(row);
      break;
    case kButtonColumn:
      EditThresholds(row);
      break;
    default:
      break;
  }
}

void CTarvelView::EditWindowClass(int row) {
  char current[kShortTextSize] = {};
  document_.GetRowWindowClass(row, current);
  CTargetWindowDlg dialog;
  dialog.m_selection = current;
  if (dialog.DoModal(DialogOwner()) != IDOK) return;
  document_.SetRowWindowClass(row, dialog.m_selection.c_str());
  RefreshRowTexts(row);
}

void CTarvelView::EditDescription(int row) {
  char current[kShortTextSize] = {};
  document_.GetRowDescription(row, current);
  CDescriptionDlg dialog;
  dialog.m_description = current;
  if (dialog.DoModal(DialogOwner()) != IDOK) return;
  document_.SetRowDescription(row, dialog.m_description.c_str());
  RefreshRowTexts(row);
}

void CTarvelView::EditAction(int row) {
  CActionDlg dialog;
  if (!document_.GetRowAction(row, &dialog.m_action, &dialog.m_turboRate) ||
      !document_.GetRowOutput(row, &dialog.m_output) ||
      !document_.GetRowMouseAction(row, &dialog.m_mouse, &dialog.m_mouseModifiers))
    return;
  // The document takes the choice on OK, or says why not and the dialog stays. A mouse action
  // then replaces the row's key; the keyboard chosen for a mouse row takes its keys back.
  dialog.m_apply = [this, row, &dialog](const RowOutput& output) {
    const RowOutputResult result = document_.SetRowOutput(row, output);
    if (result != RowOutputResult::Done) return result;
    MouseAction mouse = MouseAction::None;
    uint8_t modifiers = 0;
    document_.GetRowMouseAction(row, &mouse, &modifiers);
    if (dialog.m_mouse != mouse ||
        (mouse != MouseAction::None && dialog.m_mouseModifiers != modifiers))
      document_.SetRowMouseAction(row, dialog.m_mouse, dialog.m_mouseModifiers);
    return result;
  };
  if (dialog.DoModal(DialogOwner()) != IDOK) return;
  RefreshRowTexts(row);
}

void CTarvelView::EditThresholds(int row) {
  CThresholdsDlg dialog;
  // Only a half-axis row has thresholds; a double click on any other Button cell does nothing.
  if (!document_.GetRowThresholds(row, &dialog.m_pressPercent, &dialog.m_releasePercent)) return;
  if (dialog.DoModal(DialogOwner()) != IDOK) return;
  if (!document_.SetRowThresholds(row, dialog.m_pressPercent, dialog.m_releasePercent)) return;
  char name[kRowNameSize] = {};
  if (document_.GetRowControlName(row, name, sizeof(name)))
    List().SetItemText(row, kButtonColumn, name);
  FitControlNames();
}

void CTarvelView::OnLButtonDown() { document_.SetKeyCapture(false, 0); }

void CTarvelView::OnRButtonDown() {
  if (!CaptureOn()) return;
  const int row = document_.captureRow;
  document_.SetKeyCapture(false, 0);
  document_.ClearRowKey(row);
}

void CTarvelView::OnJoystickConfigure() {
  // The records may move: a row that waits for a key would then stand for another button.
  if (CaptureOn()) document_.SetKeyCapture(false, 0);
  CJoysticksDlg dialog;
  dialog.m_doc = &document_;
  // On OK the dialog has applied the new order; the document is marked modified and the rows
  // are rebuilt in that same step.
  dialog.DoModal(DialogOwner());
}

int CTarvelView::SelectedRecord() const {
  const int row = List().NextItem(-1, LVNI_SELECTED);
  int record = 0;
  int button = 0;
  if (row >= 0 && document_.RowToButton(row, &record, &button)) return record;
  return document_.recordCount > 0 ? 0 : -1;
}

void CTarvelView::OnJoystickPointer() {
  const int record = SelectedRecord();
  CPointerDlg dialog;
  if (!document_.GetRecordPointer(record, &dialog.m_pointer, &dialog.m_scroll)) return;
  dialog.m_deviceName = document_.records[record]->name;
  if (dialog.DoModal(DialogOwner()) != IDOK) return;
  // The record is looked up again: the document may have changed while the dialog was open.
  if (record < document_.recordCount)
    document_.SetRecordPointer(record, dialog.m_pointer, dialog.m_scroll);
}

void CTarvelView::OnFilePrint(bool showDialog) {
  if (printing_ == nullptr || Handle() == nullptr) return;
  HWND owner = DialogOwner();
  HDC printer = printing_->OpenPrinterDC(owner, showDialog);
  if (printer == nullptr) return;

  const fw::ListView list = List();
  ListPrintJob job;
  job.title = printing_->PrintTitle();
  job.columnCount = kColumnCount;
  for (int i = 0; i < kColumnCount; ++i) job.columns[i] = {kColumns[i].title, list.ColumnWidth(i)};
  job.rowCount = list.ItemCount();
  job.cellText = [&list](int row, int column) { return list.ItemText(row, column); };
  const int pages = PrintListDocument(printer, job);
  DeleteDC(printer);
  if (pages < 0) {
    const std::string text = fw::LoadResourceString(IDS_PRINT_FAILED, "%1 could not be printed.");
    printing_->ShowPrintError(owner, fw::FormatString1(text, job.title));
  }
}

bool CTarvelView::OnCommand(UINT id) {
  switch (id) {
    case ID_JOYSTICK_CONFIGURE:
      OnJoystickConfigure();
      return true;
    case ID_JOYSTICK_POINTER:
      OnJoystickPointer();
      return true;
    case ID_FILE_PRINT:
      OnFilePrint(true);
      return true;
    case ID_FILE_PRINT_DIRECT:
      OnFilePrint(false);
      return true;
    default:
      return false;
  }
}

bool CTarvelView::OnUpdateCommand(fw::CmdUI& ui) {
  switch (ui.id) {
    case ID_JOYSTICK_POINTER:
      ui.Enable(document_.recordCount > 0);
      return true;
    case ID_JOYSTICK_CONFIGURE:
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_DIRECT:
      ui.Enable(true);
      return true;
    default:
      return false;
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
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(lParam);
      return Default(message, wParam, lParam);
    case WM_LBUTTONDOWN:
      OnLButtonDown();
      return Default(message, wParam, lParam);
    case WM_RBUTTONDOWN:
      OnRButtonDown();
      return Default(message, wParam, lParam);
    case WM_DESTROY:
      OnDestroy();
      return CListViewEx::HandleMessage(message, wParam, lParam);
    default:
      return CListViewEx::HandleMessage(message, wParam, lParam);
  }
}

}  // namespace tarvel
