#include "framework/FrameWindow.h"

#include <commctrl.h>

#include "framework/App.h"
#include "framework/FrameworkIds.h"
#include "framework/RecentFileList.h"
#include "framework/ResourceText.h"
#include "framework/StatusBar.h"
#include "framework/ToolBar.h"
#include "framework/View.h"

namespace tarvel::fw {

bool FrameWindow::LoadFrame(int resourceId, const char* title) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc = {};
  wc.style = CS_DBLCLKS;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(resourceId));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className_;
  if (!RegisterWindowClass(wc)) return false;

  CREATESTRUCTA cs = {};
  cs.lpszClass = className_;
  cs.lpszName = title;
  cs.style = WS_OVERLAPPEDWINDOW;
  cs.x = CW_USEDEFAULT;
  cs.y = CW_USEDEFAULT;
  cs.cx = CW_USEDEFAULT;
  cs.cy = CW_USEDEFAULT;
  cs.hInstance = instance;
  cs.hMenu = LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));
  if (!PreCreateWindow(cs)) {
    if (cs.hMenu != nullptr) DestroyMenu(cs.hMenu);
    return false;
  }
  accelerators_ = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(resourceId));
  idleMessage_ = LoadResourceString(IDS_IDLE_MESSAGE);
  if (!CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                cs.hwndParent, cs.hMenu, cs.hInstance)) {
    // A window that failed its WM_CREATE has destroyed its menu with it; one never made has not.
    if (cs.hMenu != nullptr && IsMenu(cs.hMenu)) DestroyMenu(cs.hMenu);
    return false;
  }
  return true;
}

void FrameWindow::SetCommandRoute(CommandTarget* document, CommandTarget* application) {
  documentTarget_ = document;
  appTarget_ = application;
}

void FrameWindow::SetBars(ToolBar* toolBar, ReBar* reBar, StatusBar* statusBar) {
  toolBar_ = toolBar;
  reBar_ = reBar;
  statusBar_ = statusBar;
}

bool FrameWindow::PreCreateWindow(CREATESTRUCTA& /*cs*/) { return true; }

int FrameWindow::OnCreate(CREATESTRUCTA* /*cs*/) {
  if (view_ != nullptr && !view_->Create(Handle(), IDW_VIEW)) return -1;
  return 0;
}

bool FrameWindow::RouteUpdate(CmdUI& ui) {
  CommandTarget* chain[] = {view_, documentTarget_, this, appTarget_};
  for (CommandTarget* target : chain)
    if (target != nullptr && target->OnUpdateCommand(ui)) return true;
  ui.enabled = false;
  return false;
}

bool FrameWindow::RouteCommand(UINT id) {
  // A command that has become disabled since its menu or button was drawn does not run.
  CmdUI ui(id);
  if (!RouteUpdate(ui) || !ui.enabled) return false;
  CommandTarget* chain[] = {view_, documentTarget_, this, appTarget_};
  for (CommandTarget* target : chain)
    if (target != nullptr && target->OnCommand(id)) return true;
  return false;
}

bool FrameWindow::OnCommand(UINT id) {
  switch (id) {
    case ID_VIEW_TOOLBAR:
      ToggleToolBar();
      return true;
    case ID_VIEW_STATUS_BAR:
      ToggleStatusBar();
      return true;
    default:
      return false;
  }
}

bool FrameWindow::OnUpdateCommand(CmdUI& ui) {
  switch (ui.id) {
    case ID_VIEW_TOOLBAR:
      if (reBar_ == nullptr) return false;
      ui.SetCheck(reBar_->IsBandVisible(0));
      return true;
    case ID_VIEW_STATUS_BAR:
      if (statusBar_ == nullptr) return false;
      ui.SetCheck(IsWindowVisible(statusBar_->Handle()) != FALSE);
      return true;
    default:
      return false;
  }
}

void FrameWindow::ToggleToolBar() {
  if (reBar_ == nullptr) return;
  reBar_->ShowBand(0, !reBar_->IsBandVisible(0));
  RecalcLayout();
}

void FrameWindow::ToggleStatusBar() {
  if (statusBar_ == nullptr) return;
  ShowWindow(statusBar_->Handle(), IsWindowVisible(statusBar_->Handle()) ? SW_HIDE : SW_SHOW);
  RecalcLayout();
}

void FrameWindow::UpdateMenuPopup(HMENU popup) {
  if (recentFiles_ != nullptr) recentFiles_->UpdateMenu(popup);
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(popup, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or submenu
    CmdUI ui(id);
    RouteUpdate(ui);
    EnableMenuItem(popup, i, MF_BYPOSITION | (ui.enabled ? MF_ENABLED : MF_GRAYED));
    if (ui.check >= 0)
      CheckMenuItem(popup, i, MF_BYPOSITION | (ui.check != 0 ? MF_CHECKED : MF_UNCHECKED));
  }
}

bool FrameWindow::PreTranslateMessage(MSG* msg) {
  if (accelerators_ == nullptr || Handle() == nullptr) return false;
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
  if (msg->hwnd != Handle() && !IsChild(Handle(), msg->hwnd)) return false;
  return TranslateAcceleratorA(Handle(), accelerators_, msg) != 0;
}

void FrameWindow::OnIdleUpdate() {
  if (Handle() == nullptr) return;
  if (toolBar_ != nullptr && toolBar_->Handle() != nullptr) {
    for (int i = 0; i < toolBar_->ButtonCount(); ++i) {
      const UINT id = toolBar_->CommandAt(i);
      if (id == 0) continue;
      CmdUI ui(id);
      RouteUpdate(ui);
      if (toolBar_->IsButtonEnabled(id) != ui.enabled) toolBar_->EnableButton(id, ui.enabled);
      if (ui.check >= 0) toolBar_->CheckButton(id, ui.check != 0);
    }
  }
  if (statusBar_ != nullptr && statusBar_->Handle() != nullptr) {
    statusBar_->UpdateIndicators();
    if (!inMenu_ && hotButton_ == 0) ShowIdleMessage();
  }
}

void FrameWindow::ActivateFrame(int showCommand) {
  if (showCommand == SW_HIDE) return;
  ShowWindow(Handle(), showCommand);
  BringWindowToTop(Handle());
}

void FrameWindow::RecalcLayout() {
  if (Handle() == nullptr) return;
  RECT client = {};
  GetClientRect(Handle(), &client);
  int top = 0;
  int bottom = client.bottom;
  if (reBar_ != nullptr && reBar_->Handle() != nullptr) {
    SendMessageA(reBar_->Handle(), WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    top = reBar_->Height();
  }
  if (statusBar_ != nullptr && statusBar_->Handle() != nullptr) {
    SendMessageA(statusBar_->Handle(), WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    statusBar_->RecalcPanes();
    bottom -= statusBar_->Height();
  }
  if (view_ != nullptr && view_->Handle() != nullptr)
    SetWindowPos(view_->Handle(), nullptr, 0, top, client.right, bottom > top ? bottom - top : 0,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FrameWindow::SetMessageText(const char* text) {
  if (statusBar_ != nullptr && statusBar_->Handle() != nullptr) statusBar_->SetPaneText(0, text);
}

std::string FrameWindow::MessageText() const {
  if (statusBar_ == nullptr || statusBar_->Handle() == nullptr) return std::string();
  return statusBar_->PaneText(0);
}

void FrameWindow::ShowPrompt(UINT id) {
  SetMessageText(TextPart(LoadResourceString(id), 0).c_str());
}

void FrameWindow::SetIdleMessage(const std::string& text) {
  idleMessage_ = text.empty() ? LoadResourceString(IDS_IDLE_MESSAGE) : text;
  if (!inMenu_ && hotButton_ == 0) ShowIdleMessage();
}

void FrameWindow::SetNotice(const std::string& text) {
  notice_ = text;
  if (!inMenu_ && hotButton_ == 0) ShowIdleMessage();
}

void FrameWindow::ShowIdleMessage() {
  const std::string& shown = notice_.empty() ? idleMessage_ : notice_;
  if (MessageText() != shown) SetMessageText(shown.c_str());
}

void FrameWindow::OnSize(WPARAM /*type*/) { RecalcLayout(); }

void FrameWindow::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
  if (flags == 0xFFFF && menu == nullptr) {  // the menu closed
    ShowIdleMessage();
    return;
  }
  if ((flags & (MF_POPUP | MF_SEPARATOR)) != 0) {
    SetMessageText("");
    return;
  }
  if ((flags & MF_SYSMENU) != 0) {
    ShowPrompt(IDS_SYSTEM_PROMPTS + ((item & 0x0FF0) >> 4));
    return;
  }
  ShowPrompt(item);
}

void FrameWindow::OnClose() {
  // A question or dialog of the program is open and has disabled the window (the tray menu still
  // reaches it): closing now would ask a second time, or end the program under an unanswered
  // question. The open window is brought forward instead.
  if (!IsWindowEnabled(Handle())) {
    const HWND popup = GetLastActivePopup(Handle());
    if (popup != Handle()) SetForegroundWindow(popup);
    return;
  }
  if (closeQuery_ != nullptr && !closeQuery_->CanCloseFrame()) return;
  DestroyWindow(Handle());
}

LRESULT FrameWindow::OnNotify(NMHDR* header) {
  switch (header->code) {
    case TTN_GETDISPINFOA: {
      auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
      const std::string tip = TextPart(LoadResourceString(static_cast<UINT>(header->idFrom)), 1);
      lstrcpynA(tipText_, tip.c_str(), sizeof(tipText_));
      info->lpszText = tipText_;
      return 0;
    }
    case TTN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
      const std::string tip = TextPart(LoadResourceString(static_cast<UINT>(header->idFrom)), 1);
      tipTextW_[0] = L'\0';
      MultiByteToWideChar(CP_ACP, 0, tip.c_str(), -1, tipTextW_, 128);
      info->lpszText = tipTextW_;
      return 0;
    }
    case TBN_HOTITEMCHANGE: {
      auto* hot = reinterpret_cast<NMTBHOTITEM*>(header);
      if ((hot->dwFlags & HICF_LEAVING) != 0 || hot->idNew == 0) {
        hotButton_ = 0;
        ShowIdleMessage();
      } else {
        hotButton_ = static_cast<UINT>(hot->idNew);
        ShowPrompt(hotButton_);
      }
      return 0;
    }
    case RBN_HEIGHTCHANGE:
      RecalcLayout();
      return 0;
    default:
      break;
  }
  LRESULT result = 0;
  if (view_ != nullptr && header->hwndFrom == view_->Handle() &&
      view_->OnReflectedMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(header), &result))
    return result;
  return 0;
}

LRESULT FrameWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam));
    case WM_SIZE:
      OnSize(wParam);
      return 0;
    case WM_SETFOCUS:
      if (view_ != nullptr && view_->Handle() != nullptr) SetFocus(view_->Handle());
      return 0;
    case WM_COMMAND:
      // Menus and accelerators (no control), and the buttons of the bars.
      if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) RouteCommand(LOWORD(wParam));
      return 0;
    case WM_INITMENUPOPUP:
      if (HIWORD(lParam) == 0) UpdateMenuPopup(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_ENTERMENULOOP:
      inMenu_ = true;
      return 0;
    case WM_EXITMENULOOP:
      inMenu_ = false;
      ShowIdleMessage();
      return 0;
    case WM_MENUSELECT:
      OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      return closeQuery_ == nullptr || closeQuery_->CanCloseFrame() ? TRUE : FALSE;
    case WM_ENDSESSION:
      // Windows ends: leave as at a normal exit, storing what the exit stores.
      if (wParam != FALSE && quitOnDestroy_) {
        DestroyWindow(Handle());
        if (App* app = App::Current()) app->ExitInstance();
      }
      return 0;
    case WM_NCDESTROY:
      if (quitOnDestroy_) PostQuitMessage(0);
      return Default(message, wParam, lParam);
    default:
      if (view_ != nullptr && view_->Handle() != nullptr &&
          (message == WM_DRAWITEM || message == WM_MEASUREITEM) && wParam == IDW_VIEW) {
        LRESULT result = 0;
        if (view_->OnReflectedMessage(message, wParam, lParam, &result)) return result;
      }
      return Default(message, wParam, lParam);
  }
}

}  // namespace tarvel::fw
