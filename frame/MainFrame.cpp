#include "frame/MainFrame.h"

#include <commctrl.h>

#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "input/JoystickTable.h"
#include "input/Polling.h"
#include "model/TarvelDoc.h"
#include "res/resource.h"

namespace tarvel {

namespace {

constexpr UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                                ID_INDICATOR_SCRL};
constexpr UINT kBandStyle = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP;

// A stored placement is used only when it lies at least partly on a monitor: a rectangle left
// from a screen that is gone would put the window where nobody can see it.
bool IsOnScreen(int x, int y, int cx, int cy) {
  if (cx <= 0 || cy <= 0) return false;
  const RECT rect = {x, y, x + cx, y + cy};
  return MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace

CMainFrame::CMainFrame(JoystickTable& joysticks, CTarvelDoc& document, fw::SettingsStore& settings,
                       AppServices* app)
    : joysticks_(joysticks), document_(document), settings_(settings), app_(app) {}

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
  cs.style &= ~static_cast<LONG>(WS_VISIBLE);
  const int x = settings_.GetInt(kSection, "x", cs.x);
  const int y = settings_.GetInt(kSection, "y", cs.y);
  const int cx = settings_.GetInt(kSection, "cx", cs.cx);
  const int cy = settings_.GetInt(kSection, "cy", cs.cy);
  const bool anyDefault =
      x == CW_USEDEFAULT || y == CW_USEDEFAULT || cx == CW_USEDEFAULT || cy == CW_USEDEFAULT;
  if (anyDefault || IsOnScreen(x, y, cx, cy)) {
    cs.x = x;
    cs.y = y;
    cs.cx = cx;
    cs.cy = cy;
  }
  return FrameWindow::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(CREATESTRUCTA* cs) {
  if (FrameWindow::OnCreate(cs) == -1) return -1;

  const DWORD toolStyle = WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                          TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
  if (!toolBar_.Create(Handle(), toolStyle, IDW_TOOLBAR) || !toolBar_.LoadToolBar(IDR_MAINFRAME))
    return -1;
  toolBar_.SetNotifyWindow(Handle());

  if (!hintBar_.Create(Handle(), IDD_HINT_BAR, IDW_HINT_BAR)) return -1;
  hintBar_.SetItemText(IDC_HINT_TEXT, fw::LoadResourceString(IDS_IDLE_HINT).c_str());

  const DWORD reBarStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                           RBS_BANDBORDERS | CCS_NODIVIDER | CCS_TOP;
  if (!reBar_.Create(Handle(), reBarStyle, IDW_REBAR) ||
      !reBar_.AddBar(toolBar_.Handle(), toolBar_.IdealSize(), kBandStyle) ||
      !reBar_.AddBar(hintBar_.Handle(), hintBar_.Size(), kBandStyle))
    return -1;

  if (!statusBar_.Create(Handle(), WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, IDW_STATUS_BAR) ||
      !statusBar_.SetIndicators(kIndicators, 4))
    return -1;

  SetBars(&toolBar_, &reBar_, &statusBar_);
  return 0;
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      PollJoysticks();
      return 0;
    case WM_SIZE:
      OnSize(wParam);
      return 0;
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam, lParam);
    case WM_DESTROY:
      OnDestroy();
      return FrameWindow::HandleMessage(message, wParam, lParam);
    case WM_TRAYNOTIFY:
      return OnTrayNotify(wParam, lParam);
    case WM_ACTIVATE:
      // The key-ups of modifiers released in another window never come here: none stays held.
      if (LOWORD(wParam) == WA_INACTIVE) m_captureModifiers = 0;
      return FrameWindow::HandleMessage(message, wParam, lParam);
    default:
      return FrameWindow::HandleMessage(message, wParam, lParam);
  }
}

bool CMainFrame::OnCommand(UINT id) {
  switch (id) {
    case ID_JOYSTICK_REFRESH:
      OnJoystickRefresh();
      return true;
    case ID_TRAY_SHOW_HIDE:
      ToggleShown();
      return true;
    case ID_VIEW_HIDE_TO_TRAY:
      ShowWindow(Handle(), SW_HIDE);
      return true;
    default:
      return FrameWindow::OnCommand(id);
  }
}

bool CMainFrame::OnUpdateCommand(fw::CmdUI& ui) {
  switch (ui.id) {
    case ID_JOYSTICK_REFRESH:
    case ID_TRAY_SHOW_HIDE:
    case ID_VIEW_HIDE_TO_TRAY:
      ui.Enable(true);
      return true;
    default:
      return FrameWindow::OnUpdateCommand(ui);
  }
}

void CMainFrame::PollJoysticks() { tarvel::PollJoysticks(joysticks_, &document_); }

void CMainFrame::KillPollTimer() { KillTimer(Handle(), kPollTimer); }

void CMainFrame::SetPollTimer() { SetTimer(Handle(), kPollTimer, kPollPeriodMs, nullptr); }

void CMainFrame::OnJoystickRefresh() {
  joysticks_.RefreshJoysticks(this);
  document_.SyncAttachedJoysticks();
}

void CMainFrame::ToggleShown() {
  if (IsWindowVisible(Handle())) {
    ShowWindow(Handle(), SW_HIDE);
    return;
  }
  ShowWindow(Handle(), SW_SHOWNORMAL);
  SetForegroundWindow(Handle());
}

void CMainFrame::OnSize(WPARAM type) {
  FrameWindow::OnSize(type);
  if (type == SIZE_MINIMIZED) ShowWindow(Handle(), SW_HIDE);
}

LRESULT CMainFrame::OnSysCommand(WPARAM command, LPARAM lParam) {
  // The low four bits of a system command are the system's own.
  if ((command & 0xFFF0) == SC_MINIMIZE) {
    ShowWindow(Handle(), SW_HIDE);
    return 0;
  }
  return FrameWindow::HandleMessage(WM_SYSCOMMAND, command, lParam);
}

void CMainFrame::OnDestroy() {
  RECT rect = {};
  GetWindowRect(Handle(), &rect);
  if (IsIconic(Handle())) {
    // A minimised window's rectangle lies off the screen; keep where it will come back to.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (GetWindowPlacement(Handle(), &placement)) rect = placement.rcNormalPosition;
  }
  settings_.WriteInt(kSection, "x", rect.left);
  settings_.WriteInt(kSection, "y", rect.top);
  settings_.WriteInt(kSection, "cx", rect.right - rect.left);
  settings_.WriteInt(kSection, "cy", rect.bottom - rect.top);
}

LRESULT CMainFrame::OnTrayNotify(WPARAM /*id*/, LPARAM mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONDBLCLK:
      ToggleShown();
      break;
    case WM_RBUTTONUP:
      ShowTrayMenu();
      break;
    default:
      break;
  }
  return 0;
}

void CMainFrame::ShowTrayMenu() {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
  if (menu == nullptr) return;
  HMENU popup = GetSubMenu(menu, 0);
  SetMenuDefaultItem(popup, 0, TRUE);
  POINT cursor = {};
  GetCursorPos(&cursor);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(Handle());
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, Handle(), nullptr);
  PostMessageA(Handle(), WM_NULL, 0, 0);
  DestroyMenu(menu);
}

void CMainFrame::UpdateHintBar(int captureOn) {
  UINT text = IDS_IDLE_HINT;
  if (captureOn != 0) {
    m_captureModifiers = 0;
    text = IDS_CAPTURE_HINT;
  }
  hintBar_.SetItemText(IDC_HINT_TEXT, fw::LoadResourceString(text).c_str());
}

std::string CMainFrame::HintText() const {
  char text[256] = {};
  GetDlgItemTextA(hintBar_.Handle(), IDC_HINT_TEXT, text, sizeof(text));
  return text;
}

void CMainFrame::OnCaptureKey(const MSG* msg) {
  const WPARAM key = msg->wParam;
  switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (key == VK_SHIFT) {
        m_captureModifiers |= kModShift;
      } else if (key == VK_MENU) {
        m_captureModifiers |= kModAlt;
      } else if (key == VK_CONTROL && msg->message == WM_KEYDOWN) {
        m_captureModifiers |= kModCtrl;
      } else {
        // Ctrl as a system key (with Alt held) is a key of its own, not a modifier.
        StoreCapturedKey(*msg);
      }
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (key == VK_SHIFT) m_captureModifiers &= static_cast<uint8_t>(~kModShift);
      if (key == VK_CONTROL) m_captureModifiers &= static_cast<uint8_t>(~kModCtrl);
      if (key == VK_MENU) m_captureModifiers &= static_cast<uint8_t>(~kModAlt);
      break;
    default:
      break;
  }
}

void CMainFrame::StoreCapturedKey(const MSG& msg) {
  const auto virtualKey = static_cast<uint8_t>(msg.wParam & 0xFF);
  // Bits 16-23 of a key message are the scan code; the extended-key flag above them is not kept.
  const auto scanCode = static_cast<uint8_t>((static_cast<DWORD>(msg.lParam) >> 16) & 0xFF);
  const uint8_t modifiers = m_captureModifiers;
  if (app_ != nullptr) app_->SetCaptureOn(0);
  document_.StoreCapturedKey(virtualKey, scanCode, modifiers);
}

}  // namespace tarvel
