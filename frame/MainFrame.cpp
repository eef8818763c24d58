#include "frame/MainFrame.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/App.h"
#include "framework/CommandLine.h"
#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "framework/SingleInstance.h"
#include "input/JoystickTable.h"
#include "input/Polling.h"
#include "model/TarvelDoc.h"
#include "res/resource.h"

namespace tarvel {

namespace {

constexpr UINT kBandStyle = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP;
// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which older headers lack.
constexpr DWORD kHighResolutionTimer = 0x00000002;

// Milliseconds from the performance counter: GetTickCount64 moves on the system tick only.
int64_t NowMs() {
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  const LONGLONG f = frequency.QuadPart > 0 ? frequency.QuadPart : 1000;
  return static_cast<int64_t>(now.QuadPart / f * 1000 + now.QuadPart % f * 1000 / f);
}

// A click on the icon's balloon, as the shell reports it to icons of the first version.
constexpr LPARAM kBalloonClick = WM_USER + 5;  // NIN_BALLOONUSERCLICK

// How much of the caption bar must lie on a monitor's work area for the user to grab it.
constexpr int kGrabWidth = 64;

struct CaptionSearch {
  RECT caption;
  int needWidth;
  bool found;
};

BOOL CALLBACK FindMonitorShowingCaption(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* search = reinterpret_cast<CaptionSearch*>(data);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  RECT visible = {};
  if (GetMonitorInfoA(monitor, &info) && IntersectRect(&visible, &search->caption, &info.rcWork) &&
      visible.right - visible.left >= search->needWidth &&
      visible.bottom - visible.top == search->caption.bottom - search->caption.top)
    search->found = true;
  return search->found ? FALSE : TRUE;
}

// Whether a frame window at this rectangle shows its whole caption bar, wide enough to grab, on
// one monitor; a placement that does not would leave the window where nobody can move it.
bool CaptionReachable(const RECT& window) {
  const int band = GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
  CaptionSearch search = {{window.left, window.top, window.right, window.top + band},
                          std::min<int>(kGrabWidth, window.right - window.left),
                          false};
  if (search.needWidth <= 0) return false;
  EnumDisplayMonitors(nullptr, nullptr, FindMonitorShowingCaption,
                      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The rectangle that creating a frame window makes of a stored placement: the system holds its
// size between the smallest and the largest a frame may be dragged to.
RECT CreatedRect(int x, int y, int cx, int cy) {
  cx = std::clamp(cx, GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CXMAXTRACK));
  cy = std::clamp(cy, GetSystemMetrics(SM_CYMINTRACK), GetSystemMetrics(SM_CYMAXTRACK));
  return RECT{x, y, x + cx, y + cy};
}

// Commands that replace the configuration or rebuild the controller table.
bool RebuildsTheTable(UINT id) {
  return id == ID_JOYSTICK_REFRESH || id == ID_FILE_NEW || id == ID_FILE_OPEN ||
         id == ID_JOYSTICK_CONFIGURE || (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4);
}

}  // namespace

CMainFrame::CMainFrame(JoystickTable& joysticks, CTarvelDoc& document, fw::SettingsStore& settings,
                       AppServices* app)
    : fw::FrameWindow(kClassName),
      joysticks_(joysticks),
      document_(document),
      settings_(settings),
      app_(app) {}

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
  cs.style &= ~static_cast<LONG>(WS_VISIBLE);
  const int x = settings_.GetInt(kSection, "x", cs.x);
  const int y = settings_.GetInt(kSection, "y", cs.y);
  const int cx = settings_.GetInt(kSection, "cx", cs.cx);
  const int cy = settings_.GetInt(kSection, "cy", cs.cy);
  // Every value is stored together: a part of a placement (a default beside a stored value)
  // was not written by this program, and gives the default placement like one out of reach.
  const bool anyDefault =
      x == CW_USEDEFAULT || y == CW_USEDEFAULT || cx == CW_USEDEFAULT || cy == CW_USEDEFAULT;
  if (!anyDefault && CaptionReachable(CreatedRect(x, y, cx, cy))) {
    cs.x = x;
    cs.y = y;
    cs.cx = cx;
    cs.cy = cy;
  }
  return FrameWindow::PreCreateWindow(cs);
}

CMainFrame::~CMainFrame() {
  DestroyQuietly();
  if (tickTimer_ != nullptr) CloseHandle(tickTimer_);
  if (hintFont_ != nullptr) DeleteObject(hintFont_);
  if (statusFont_ != nullptr) DeleteObject(statusFont_);
}

int CMainFrame::OnCreate(CREATESTRUCTA* cs) {
  if (FrameWindow::OnCreate(cs) == -1) return -1;
  // Where the system has no high-resolution timer, the window timer alone runs the passes.
  tickTimer_ = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
  KeepCaptionReachable();

  const DWORD toolStyle = WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                          TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
  if (!toolBar_.Create(Handle(), toolStyle, IDW_TOOLBAR) || !toolBar_.LoadToolBar(IDR_MAINFRAME))
    return -1;
  dpi_ = fw::DpiOf(Handle());
  if (dpi_ != fw::kBaseDpi) SetToolBarImages(dpi_);
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
      !statusBar_.SetIndicators(kIndicators, kIndicatorCount))
    return -1;

  SetBars(&toolBar_, &reBar_, &statusBar_);

  RegisterForDeviceChanges();
  return 0;
}

void CMainFrame::KeepCaptionReachable() {
  RECT rect = {};
  if (!GetWindowRect(Handle(), &rect) || CaptionReachable(rect)) return;
  // The system made something else of the placement than was foreseen: the window goes into
  // the primary monitor's work area, at most as large as it.
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int cx = std::min<LONG>(rect.right - rect.left, work.right - work.left);
  const int cy = std::min<LONG>(rect.bottom - rect.top, work.bottom - work.top);
  SetWindowPos(Handle(), nullptr, work.left, work.top, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: {
      const bool fromOwnLoop = loopWaits_ != loopWaitsAtTimer_;
      loopWaitsAtTimer_ = loopWaits_;
      if (!(fromOwnLoop && TickTimerIsRunning())) PollJoysticks(fromOwnLoop);
      RunPendingRefresh();
      RunPendingDevicePass();
      RunPendingOpen();
      return 0;
    }
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DEVICECHANGE:
      OnDeviceChange(wParam, lParam);
      return TRUE;
    case kRunPendingMessage:
      RunPendingRefresh();
      RunPendingOpen();
      return 0;
    case WM_COPYDATA:
      return OnCopyData(lParam);
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
  // A question or dialog of the program is open (the new-joystick question, the joysticks
  // dialog) and holds rows and slots of the table; a command posted from outside must not
  // rebuild it under them. A refresh runs once the window is free again; the rest are dropped,
  // and the open window is brought forward, as for a close.
  if (RebuildsTheTable(id) && (!IsWindowEnabled(Handle()) || document_.DiscoveryOpen())) {
    if (id == ID_JOYSTICK_REFRESH) {
      refreshPending_ = true;
    } else {
      const HWND popup = GetLastActivePopup(Handle());
      if (popup != Handle()) SetForegroundWindow(popup);
    }
    return true;
  }
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

void CMainFrame::PollJoysticks(bool eventsServed) {
  const int64_t now = NowMs();
  document_.OnTick(now);
  tarvel::PollJoysticks(joysticks_, &document_, eventsServed);
  if (tickListener_ != nullptr) tickListener_->OnFrameTick(now);
}

void CMainFrame::KillPollTimer() {
  KillTimer(Handle(), kPollTimer);
  if (tickTimer_ != nullptr) CancelWaitableTimer(tickTimer_);
}

void CMainFrame::SetPollTimer() {
  SetTimer(Handle(), kPollTimer, kPollPeriodMs, nullptr);
  if (tickTimer_ == nullptr) return;
  LARGE_INTEGER due;
  due.QuadPart = -static_cast<LONGLONG>(kPollPeriodMs) * 10000;  // relative, in 100 ns
  if (!SetWaitableTimer(tickTimer_, &due, kPollPeriodMs, nullptr, nullptr, FALSE)) {
    CloseHandle(tickTimer_);
    tickTimer_ = nullptr;
  }
}

bool CMainFrame::NeedsTickTimer() const {
  for (int s = 0; s < joysticks_.count; ++s)
    if (joysticks_.slots[s].device != nullptr && joysticks_.slots[s].changeEvent == nullptr)
      return true;
  return false;
}

bool CMainFrame::TickTimerIsRunning() const {
  return tickTimer_ != nullptr && NowMs() - lastTimerPassMs_ < 2 * kPollPeriodMs;
}

int CMainFrame::WaitHandles(HANDLE* handles, int max) {
  ++loopWaits_;
  int n = 0;
  waitsOnTimer_ = tickTimer_ != nullptr && NeedsTickTimer() && max > 0;
  if (waitsOnTimer_) handles[n++] = tickTimer_;
  EventHandle events[kMaxSlots];
  const int count =
      CollectChangeEvents(joysticks_, events, waitSlots_, std::min(max - n, kMaxSlots));
  for (int i = 0; i < count; ++i) handles[n++] = static_cast<HANDLE>(events[i]);
  return n;
}

void CMainFrame::OnHandleSet(int index) {
  if (waitsOnTimer_) {
    if (index == 0) {
      lastTimerPassMs_ = NowMs();
      PollJoysticks(true);
      return;
    }
    --index;
  }
  if (index >= 0 && index < kMaxSlots) OnChangeEvent(joysticks_, waitSlots_[index], &document_);
}

void CMainFrame::OnJoystickRefresh() {
  refreshPending_ = false;
  devicePassPending_ = false;
  joysticks_.RefreshJoysticks(this);
  document_.SyncAttachedJoysticks();
  // Those still unknown were asked about: no balloon for them until they come again.
  announcedCount_ = TakeUnknownControllers(announced_);
}

void CMainFrame::RunPendingRefresh() {
  if (refreshPending_ && IsWindowEnabled(Handle()) && !document_.DiscoveryOpen())
    OnJoystickRefresh();
}

LRESULT CMainFrame::OnCopyData(LPARAM copyData) {
  std::string commandLine;
  if (!fw::SingleInstance::ReadHandOver(copyData, &commandLine)) return FALSE;
  BringForward();
  const fw::CommandLineInfo info = fw::CommandLineInfo::Parse(commandLine.c_str());
  if (info.shellCommand == fw::CommandLineInfo::ShellCommand::FileOpen) {
    // Not here: the sender waits for the answer, and opening may ask whether to save first.
    pendingOpen_ = info.fileName;
    PostMessageA(Handle(), kRunPendingMessage, 0, 0);
  }
  return TRUE;
}

void CMainFrame::BringForward() {
  if (!IsWindowVisible(Handle()) || IsIconic(Handle())) ShowWindow(Handle(), SW_SHOWNORMAL);
  // An open question or dialog comes forward instead of the window it holds disabled.
  const HWND popup = GetLastActivePopup(Handle());
  SetForegroundWindow(popup != nullptr ? popup : Handle());
}

void CMainFrame::RunPendingOpen() {
  if (pendingOpen_.empty() || !IsWindowEnabled(Handle()) || document_.DiscoveryOpen()) return;
  const std::string path = std::move(pendingOpen_);
  pendingOpen_.clear();
  if (fw::App* app = fw::App::Current()) app->OpenDocumentFile(path);
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
  UnregisterForDeviceChanges();
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
    case kBalloonClick:
      // The user asked for it: the discovery question, as Refresh asks it.
      if (balloonOffersControllers_) OnCommand(ID_JOYSTICK_REFRESH);
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
