#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/Dialog.h"
#include "framework/Dpi.h"
#include "framework/FrameWindow.h"
#include "framework/FrameworkIds.h"
#include "framework/StatusBar.h"
#include "framework/ToolBar.h"
#include "framework/WaitSource.h"
#include "input/JoystickTable.h"
#include "input/PadPolling.h"
#include "input/PollTimerOwner.h"
#include "model/PointerMotion.h"
#include "model/UserNotices.h"

namespace tarvel {

class AppServices;
class CTarvelDoc;
namespace fw {
class SettingsStore;
}

// Tells the user something without taking the focus from the window they work in: a balloon of
// the notification-area icon.
class TrayAnnouncer {
 public:
  virtual void ShowTrayBalloon(const char* text) = 0;

 protected:
  ~TrayAnnouncer() = default;
};

// Runs at every polling tick of the main window, after the document's.
class FrameTickListener {
 public:
  virtual void OnFrameTick(int64_t nowMs) = 0;

 protected:
  ~FrameTickListener() = default;
};

// The program's main window: toolbar and hint bar in a rebar, the status bar, and the mapping
// list as its client. It owns the 10 ms polling timer, answers the tray icon, hides instead of
// minimising and remembers its placement. Beside the window timer, which also runs in the
// system's modal loops, it has the message loop wait on the controllers' change events and, for
// controllers that must be polled, on a high-resolution 10 ms timer (the window timer fires on
// the system tick, 15.6 ms by default).
class CMainFrame final : public fw::FrameWindow,
                         public PollTimerOwner,
                         public fw::WaitSource,
                         public UserNotices {
 public:
  static constexpr UINT_PTR kPollTimer = 1;
  static constexpr UINT kPollPeriodMs = 10;
  // The high-resolution tick's period while something must happen more often than a pass runs:
  // an XInput pad, which tells of no change, is read; a stick moves the pointer.
  static constexpr UINT kFastTickMs = tarvel::kPointerTickMs;
  static_assert(kFastTickMs <= 4);
  static constexpr const char* kSection = "MainWindow";
  // The status bar's panes: the message pane, then the lock key indicators.
  static constexpr UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                                         ID_INDICATOR_SCRL};
  static constexpr int kIndicatorCount = 4;
  // Scripts and the tests find the program's window by its class.
  static constexpr const char* kClassName = "TarvelFrame";
  // Posted to itself: run what waits (a refresh, a file handed over) if nothing holds it up.
  static constexpr UINT kRunPendingMessage = WM_APP + 1;
  // Controllers come and go in bursts of notifications: the table is enumerated once they
  // have been quiet this long.
  static constexpr ULONGLONG kDeviceSettleMs = 300;

  // app: the key capture flag that a captured key switches off; null for none.
  CMainFrame(JoystickTable& joysticks, CTarvelDoc& document, fw::SettingsStore& settings,
             AppServices* app = nullptr);
  // The window goes before the bars that it shows.
  ~CMainFrame() override;

  // The hint for capture on (non-zero) or off.
  void UpdateHintBar(int captureOn);
  std::string HintText() const;
  // A key message while key capture is on: Shift, Ctrl and Alt are collected while they are
  // held; the first other key that goes down, with them, becomes the capture row's key.
  void OnCaptureKey(const MSG* msg);
  // One polling pass over the attached controllers. eventsServed: run from the program's own
  // message loop, which reads the buffers of controllers with change events itself.
  void PollJoysticks(bool eventsServed = false);
  // Hidden: show it at normal size in the foreground. Shown: hide it.
  void ToggleShown();
  // Where controllers that the configuration does not know are announced; null for nowhere.
  void SetAnnouncer(TrayAnnouncer* announcer) { announcer_ = announcer; }
  void SetTickListener(FrameTickListener* listener) { tickListener_ = listener; }

  void KillPollTimer() override;
  void SetPollTimer() override;
  WindowHandle CooperativeWindow() override { return Handle(); }

  // fw::WaitSource
  int WaitHandles(HANDLE* handles, int max) override;
  void OnHandleSet(int index) override;
  // The high-resolution timer could be made (Windows 10 1803 and later).
  bool HasTickTimer() const { return tickTimer_ != nullptr; }
  // The period the high-resolution timer runs at now; 0 while it is stopped.
  UINT TickPeriodMs() const { return tickPeriodMs_; }

  // UserNotices: the message pane of the status bar, and a balloon through the announcer that
  // a click does not answer with the new-controller question.
  void ShowStatusText(const char* text) override;
  void ShowTrayBalloon(const char* text) override;

  HWND ToolBarHandle() const { return toolBar_.Handle(); }
  SIZE ToolBarImageSize() const { return toolBar_.ImageSize(); }
  HWND ReBarHandle() const { return reBar_.Handle(); }
  HWND StatusBarHandle() const { return statusBar_.Handle(); }
  HWND HintBarHandle() const { return hintBar_.Handle(); }

  bool OnCommand(UINT id) override;
  bool OnUpdateCommand(fw::CmdUI& ui) override;

  uint8_t m_captureModifiers = 0;

 protected:
  bool PreCreateWindow(CREATESTRUCTA& cs) override;
  int OnCreate(CREATESTRUCTA* cs) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnSize(WPARAM type);
  // Moves the new window onto the screen when its caption bar could not be grabbed.
  void KeepCaptionReachable();
  LRESULT OnSysCommand(WPARAM command, LPARAM lParam);
  void OnDestroy();
  LRESULT OnTrayNotify(WPARAM id, LPARAM mouseMessage);
  void ShowTrayMenu();
  void OnJoystickRefresh();
  // A refresh that came while a question or dialog was open runs at the next tick after it.
  void RunPendingRefresh();
  // A later start of the program handed over its command line: the window comes forward, and
  // a file that it names is opened as File > Open would, once no question or dialog is open.
  LRESULT OnCopyData(LPARAM copyData);
  void BringForward();
  void RunPendingOpen();
  void StoreCapturedKey(const MSG& msg);
  // A controller that only a pass reads (no change event) needs the true 10 ms tick; a stick
  // that moves the pointer needs it every 4 ms.
  bool NeedsTickTimer() const;
  // Whether something needs the high-resolution timer at kFastTickMs: one timer for all, its
  // period chosen again before every wait. What asks for it says so here.
  bool NeedsFastTick() const;
  UINT WantedTickPeriodMs() const { return NeedsFastTick() ? kFastTickMs : kPollPeriodMs; }
  // (Re)starts the high-resolution timer at a period; false when it could not be.
  bool ArmTickTimer(UINT periodMs);
  // The XInput pads: read those that answer, and ask the empty users when a check is due.
  void ReadPads();
  // The high-resolution timer ran a pass lately: the window timer's pass is not needed.
  bool TickTimerIsRunning() const;
  // Controllers plugged in or pulled out: enumerate them again once the notifications have
  // settled, tie the records without a question, and announce controllers nobody knows.
  void RegisterForDeviceChanges();
  void UnregisterForDeviceChanges();
  void OnDeviceChange(WPARAM event, LPARAM data);
  // The window moved to a monitor of another pixel density (or the density changed): the
  // toolbar's pictures, the hint's font, the list's pictures, font and widths follow, and the
  // window takes the place that Windows suggests.
  void OnDpiChanged(int dpi, const RECT* suggested);
  void SetToolBarImages(int dpi);
  void RunPendingDevicePass();
  void AnnounceNewControllers();
  // Remembers the controllers that no record names now, as already told about.
  int TakeUnknownControllers(Guid* unknown) const;

  JoystickTable& joysticks_;
  CTarvelDoc& document_;
  fw::SettingsStore& settings_;
  AppServices* app_;
  bool refreshPending_ = false;
  HANDLE tickTimer_ = nullptr;
  int64_t lastTimerPassMs_ = -1000;
  int64_t lastPassMs_ = -1000;  // the latest pass over the DirectInput controllers
  UINT tickPeriodMs_ = 0;
  EmptyPadChecks padChecks_;
  int waitSlots_[kMaxSlots] = {};  // the slot of each change event in the latest wait
  bool waitsOnTimer_ = false;      // the latest wait's first handle is the tick timer
  // Waits of the program's message loop: unchanged from one window timer to the next, the
  // timer came through a modal loop of the system, which waits on none of our events.
  uint64_t loopWaits_ = 0;
  uint64_t loopWaitsAtTimer_ = 0;
  std::string pendingOpen_;
  TrayAnnouncer* announcer_ = nullptr;
  // The latest balloon announced new controllers: a click on it asks about them.
  bool balloonOffersControllers_ = false;
  FrameTickListener* tickListener_ = nullptr;
  int dpi_ = fw::kBaseDpi;
  HFONT hintFont_ = nullptr;
  HFONT statusFont_ = nullptr;
  HDEVNOTIFY deviceNotification_ = nullptr;
  bool devicePassPending_ = false;
  ULONGLONG devicesChangedMs_ = 0;
  Guid announced_[kMaxSlots];
  int announcedCount_ = 0;
  fw::StatusBar statusBar_;
  fw::ToolBar toolBar_;
  fw::ReBar reBar_;
  fw::DialogBar hintBar_;
};

}  // namespace tarvel
