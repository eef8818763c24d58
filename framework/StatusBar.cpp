#include "framework/StatusBar.h"

#include <commctrl.h>

#include "framework/FrameworkIds.h"
#include "framework/ResourceText.h"

namespace tarvel::fw {

namespace {

// The lock key of an indicator, or 0 for a pane that is not one.
int LockKeyOf(UINT id) {
  switch (id) {
    case ID_INDICATOR_CAPS:
      return VK_CAPITAL;
    case ID_INDICATOR_NUM:
      return VK_NUMLOCK;
    case ID_INDICATOR_SCRL:
      return VK_SCROLL;
    default:
      return 0;
  }
}

}  // namespace

bool StatusBar::Create(HWND parent, DWORD style, int id) {
  hwnd_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", style, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleA(nullptr), nullptr);
  return hwnd_ != nullptr;
}

bool StatusBar::SetIndicators(const UINT* ids, int count) {
  if (count <= 0 || count > kMaxPanes) return false;
  paneCount_ = count;
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
  for (int i = 0; i < count; ++i) {
    ids_[i] = ids[i];
    texts_[i] = ids[i] == 0 ? std::string() : LoadResourceString(ids[i]);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, texts_[i].c_str(), static_cast<int>(texts_[i].size()), &extent);
    widths_[i] = extent.cx + 2 * GetSystemMetrics(SM_CXEDGE) + 8;
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  RecalcPanes();
  return true;
}

void StatusBar::SetPaneText(int index, const char* text) const {
  SendMessageA(hwnd_, SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
}

std::string StatusBar::PaneText(int index) const {
  const LRESULT info = SendMessageA(hwnd_, SB_GETTEXTLENGTHA, static_cast<WPARAM>(index), 0);
  std::string text(LOWORD(info) + 1, '\0');
  SendMessageA(hwnd_, SB_GETTEXTA, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(LOWORD(info));
  return text;
}

void StatusBar::RecalcPanes() {
  if (hwnd_ == nullptr || paneCount_ == 0) return;
  RECT client = {};
  GetClientRect(hwnd_, &client);
  // Right edges, from the last pane back; the last pane also covers the size grip.
  int rights[kMaxPanes] = {};
  int right = client.right - GetSystemMetrics(SM_CXVSCROLL);
  rights[paneCount_ - 1] = -1;
  for (int i = paneCount_ - 1; i > 0; --i) {
    right -= widths_[i];
    rights[i - 1] = right > 0 ? right : 0;
  }
  SendMessageA(hwnd_, SB_SETPARTS, static_cast<WPARAM>(paneCount_),
               reinterpret_cast<LPARAM>(rights));
}

void StatusBar::UpdateIndicators() const {
  for (int i = 0; i < paneCount_; ++i) {
    const int key = LockKeyOf(ids_[i]);
    if (key == 0) continue;
    const char* wanted = (GetKeyState(key) & 1) != 0 ? texts_[i].c_str() : "";
    if (PaneText(i) != wanted) SetPaneText(i, wanted);
  }
}

int StatusBar::Height() const {
  if (hwnd_ == nullptr || !IsWindowVisible(hwnd_)) return 0;
  RECT rect = {};
  GetWindowRect(hwnd_, &rect);
  return rect.bottom - rect.top;
}

}  // namespace tarvel::fw
