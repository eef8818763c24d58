#include "framework/Dialog.h"

#include <string>

#include "framework/FrameworkIds.h"
#include "framework/ResourceText.h"
#include "model/FileOps.h"

namespace tarvel::fw {

INT_PTR Dialog::DoModal(HWND parent) {
  if (wide_)
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                           DialogProc, reinterpret_cast<LPARAM>(this));
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent,
                         DialogProc, reinterpret_cast<LPARAM>(this));
}

void Dialog::EndWith(int result) {
  if (hwnd_ == nullptr) return;
  if (result == IDOK && !OnOK()) return;
  if (result == IDCANCEL) OnCancel();
  EndDialog(hwnd_, result);
}

INT_PTR Dialog::HandleMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  return FALSE;
}

void Dialog::SetItemText(int id, const char* text) const { SetDlgItemTextA(hwnd_, id, text); }

void Dialog::GetItemText(int id, char* buffer, int size) const {
  if (size <= 0) return;
  buffer[0] = '\0';
  GetDlgItemTextA(hwnd_, id, buffer, size);
}

void Dialog::SetItemTextUtf8(int id, const std::string& text) const {
  SetDlgItemTextW(hwnd_, id, WideText(text.c_str()).c_str());
}

std::string Dialog::ItemTextUtf8(int id) const {
  HWND control = GetDlgItem(hwnd_, id);
  if (control == nullptr) return std::string();
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
  return Utf8Text(text.c_str());
}

bool Dialog::CheckMaxChars(int id, int maxChars) const {
  HWND control = GetDlgItem(hwnd_, id);
  if (control == nullptr || GetWindowTextLengthA(control) <= maxChars) return true;
  const std::string text = "Please enter no more than " + std::to_string(maxChars) + " characters.";
  // Titled with the program's name, as its other messages are; the system's title without one.
  const std::string title = LoadResourceString(IDS_APP_TITLE);
  MessageBoxA(hwnd_, text.c_str(), title.empty() ? nullptr : title.c_str(),
              MB_OK | MB_ICONEXCLAMATION);
  SetFocus(control);
  SendMessageA(control, EM_SETSEL, 0, -1);
  return false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    return self->OnInit() ? TRUE : FALSE;
  }
  self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    self->EndWith(LOWORD(wParam));
    return TRUE;
  }
  const INT_PTR result = self->HandleMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) self->hwnd_ = nullptr;
  return result;
}

DialogBar::~DialogBar() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool DialogBar::Create(HWND parent, int templateId, int id) {
  if (hwnd_ != nullptr) return false;
  hwnd_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent,
                             DialogProc, reinterpret_cast<LPARAM>(this));
  if (hwnd_ == nullptr) return false;
  SetWindowLongPtrA(hwnd_, GWLP_ID, id);
  ShowWindow(hwnd_, SW_SHOW);
  return true;
}

void DialogBar::SetItemText(int id, const char* text) const {
  SetDlgItemTextA(hwnd_, id, text);
  // The controls are drawn without a background of their own: the old text goes with the
  // background beneath.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool DialogBar::PaintParentBackground(HWND hwnd, HDC dc) {
  const HWND parent = GetParent(hwnd);
  if (parent == nullptr) return false;
  POINT origin = {0, 0};
  MapWindowPoints(hwnd, parent, &origin, 1);
  POINT old = {};
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, &old);
  SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SetViewportOrgEx(dc, old.x, old.y, nullptr);
  return true;
}

SIZE DialogBar::Size() const {
  RECT rect = {};
  GetWindowRect(hwnd_, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

INT_PTR CALLBACK DialogBar::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    return FALSE;
  }
  // The bar shows the background of the band it sits in (in a rebar, the band's colours or
  // theme), not a box of the dialog colour.
  if (message == WM_ERASEBKGND && PaintParentBackground(hwnd, reinterpret_cast<HDC>(wParam))) {
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORDLG) {
    SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
  }
  if (message == WM_NCDESTROY) {
    auto* self = reinterpret_cast<DialogBar*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (self != nullptr) self->hwnd_ = nullptr;
  }
  return FALSE;
}

}  // namespace tarvel::fw
