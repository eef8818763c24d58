#include "tests/shell/EditingSupport.h"

// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <map>

#include "framework/ListView.h"

namespace tarvel::test {

namespace {

std::map<UINT_PTR, WindowWatch*>& Watches() {
  static std::map<UINT_PTR, WindowWatch*> watches;
  return watches;
}

struct Search {
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char className[32] = {};
  GetClassNameA(window, className, sizeof(className));
  char text[256] = {};
  GetWindowTextA(window, text, sizeof(text));
  if (IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0 &&
      lstrcmpA(text, search->caption) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

LPARAM PointParam(POINT point) { return MAKELPARAM(point.x, point.y); }

}  // namespace

WindowWatch::WindowWatch(Finder find, Action act, int timeoutMs)
    : find_(std::move(find)),
      act_(std::move(act)),
      deadline_(GetTickCount() + static_cast<DWORD>(timeoutMs)) {
  timer_ = SetTimer(nullptr, 0, 10, OnTimer);
  Watches()[timer_] = this;
}

WindowWatch::~WindowWatch() { Stop(); }

void WindowWatch::Stop() {
  if (timer_ == 0) return;
  KillTimer(nullptr, timer_);
  Watches().erase(timer_);
  timer_ = 0;
}

void CALLBACK WindowWatch::OnTimer(HWND /*window*/, UINT /*message*/, UINT_PTR id, DWORD /*time*/) {
  auto found = Watches().find(id);
  if (found == Watches().end()) {
    KillTimer(nullptr, id);
    return;
  }
  WindowWatch* watch = found->second;
  HWND target = watch->find_();
  if (target == nullptr) {
    if (static_cast<LONG>(GetTickCount() - watch->deadline_) > 0) watch->Stop();
    return;
  }
  // Once: the action may run a modal loop of its own, in which this timer must not fire again.
  watch->Stop();
  watch->fired_ = true;
  watch->act_(target);
}

HWND FindDialog(const char* caption) {
  Search search = {caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

WindowWatch::Finder DialogCalled(const char* caption) {
  std::string text = caption;
  return [text] { return FindDialog(text.c_str()); };
}

void ClickButton(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool IsButtonEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

void PostLeftClick(HWND window, POINT point) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(point));
  PostMessageA(window, WM_LBUTTONUP, 0, PointParam(point));
}

void PostDoubleClick(HWND window, POINT point) {
  PostLeftClick(window, point);
  PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(point));
  PostMessageA(window, WM_LBUTTONUP, 0, PointParam(point));
}

void PostRightClick(HWND window, POINT point) {
  PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, PointParam(point));
  PostMessageA(window, WM_RBUTTONUP, 0, PointParam(point));
}

POINT CellCentre(HWND list, int row, int column) {
  RECT cell = {};
  cell.top = column;
  cell.left = column == 0 ? LVIR_LABEL : LVIR_BOUNDS;
  SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
  return POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

void PostKey(HWND window, UINT message, UINT virtualKey, UINT scanCode, bool extended) {
  LPARAM lParam = 1 | (static_cast<LPARAM>(scanCode & 0xFF) << 16);
  if (extended) lParam |= LPARAM{1} << 24;
  if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) lParam |= LPARAM{1} << 29;
  if (message == WM_KEYUP || message == WM_SYSKEYUP)
    lParam |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
  PostMessageA(window, message, virtualKey, lParam);
}

std::string CellText(HWND list, int row, int column) {
  return fw::ListView(list).ItemText(row, column);
}

int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

}  // namespace tarvel::test
