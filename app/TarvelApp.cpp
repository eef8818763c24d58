#include "app/TarvelApp.h"

#include <commctrl.h>

#include "app/ProfileSwitching.h"
#include "app/TrayIconShell.h"
#include "frame/MainFrame.h"
#include "framework/Dialog.h"
#include "framework/DocTemplate.h"
#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "model/TarvelDoc.h"
#include "platform/win32/RunAtLogon.h"
#include "res/resource.h"
#include "ui/ProfilesDlg.h"
#include "ui/TarvelView.h"

namespace tarvel {

namespace {

constexpr const char* kOptions = "Options";
constexpr const char* kHideOnStartup = "HideOnStartup";

bool IsKeyMessage(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP;
}

}  // namespace

CTarvelApp* TheApp() { return static_cast<CTarvelApp*>(fw::App::Current()); }

CTarvelApp::CTarvelApp(const ShellServices& services, std::string commandLine)
    : services_(services), commandLine_(std::move(commandLine)), joysticks_(services.controllers) {
  DocContext context;
  context.attached = &joysticks_;
  context.app = this;
  context.keys = services_.keys;
  context.prompts = services_.prompts;
  context.integrity = services_.integrity;
  document_ = std::make_unique<CTarvelDoc>(context);
  view_ = std::make_unique<CTarvelView>(*document_, *services_.settings, this, this);
  frame_ = std::make_unique<CMainFrame>(joysticks_, *document_, *services_.settings, this);
  frame_->SetAnnouncer(this);
  document_->SetUserNotices(frame_.get());
  profiles_ = std::make_unique<ProfileSwitching>(*this, services_.foreground);
}

CTarvelApp::~CTarvelApp() = default;

bool CTarvelApp::InitInstance() {
  // 1. The common controls of the bars and the list.
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);

  // 2. Settings and the recent files.
  SetSettings(services_.settings);
  SetFrameworkPrompts(services_.frameworkPrompts);
  LoadStdProfileSettings();

  // 3. The attached controllers, before there is a window.
  joysticks_.SetXInput(services_.xinput);
  joysticks_.SetUpJoysticks(nullptr);

  // 4. The document template.
  template_ = std::make_unique<fw::SingleDocTemplate>(IDR_MAINFRAME, *document_, *frame_, *view_,
                                                      RecentFiles(), Settings(),
                                                      *services_.frameworkPrompts);
  AddDocTemplate(template_.get());

  // 5, 6. A file named on the command line; else the most recent file; else a new document.
  fw::CommandLineInfo info = fw::CommandLineInfo::Parse(commandLine_.c_str());
  bool fromRecentList = false;
  if (info.shellCommand == fw::CommandLineInfo::ShellCommand::FileNew) {
    const std::string recent = Settings().GetString(fw::RecentFileList::kSection, "File1", "");
    if (!recent.empty()) {
      info.shellCommand = fw::CommandLineInfo::ShellCommand::FileOpen;
      info.fileName = recent;
      fromRecentList = true;
    }
  }

  // 7. Hide on Startup.
  m_hideOnStartup = Settings().GetInt(kOptions, kHideOnStartup, 0);
  if (m_hideOnStartup != 0) SetShowCommand(SW_HIDE);

  // 8. Frame, view and document.
  if (!ProcessShellCommand(info)) return false;
  if (fromRecentList && document_->GetPathName().empty() && RecentFiles().Count() > 0 &&
      RecentFiles()[0] == info.fileName) {
    // The last file cannot be read any more: it leaves the list rather than fail every start.
    RecentFiles().Remove(0);
    RecentFiles().Save(Settings());
  }
  SetMainFrame(frame_.get());
  SetWaitSource(frame_.get());  // the controllers' change events and the 10 ms tick
  frame_->ActivateFrame(ShowCommand());

  // 9. The tray icon.
  AddTrayIcon();

  // 10. The polling timer, and with its tick the per-program configurations.
  profiles_->Reload(true);
  frame_->SetTickListener(profiles_.get());
  frame_->SetPollTimer();
  UpdateWindow(frame_->Handle());
  return true;
}

void CTarvelApp::AddTrayIcon() {
  m_trayIcon = NOTIFYICONDATAA{};
  // The icon's own image at the notification area's size, not a larger one scaled down.
  m_trayIcon.hIcon = static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  m_trayIcon.uID = 0;
  // The first form of the record: on 64-bit Windows it is 104 bytes long (88 on 32-bit).
  m_trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE;
  m_trayIcon.hWnd = frame_->Handle();
  lstrcpynA(m_trayIcon.szTip, "Tarvel", sizeof(m_trayIcon.szTip));
  m_trayIcon.uCallbackMessage = WM_TRAYNOTIFY;
  m_trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (services_.tray != nullptr) services_.tray->Notify(NIM_ADD, &m_trayIcon);
}

void CTarvelApp::SetTrayTip(const std::string& text) {
  if (services_.tray == nullptr || frame_->Handle() == nullptr) return;
  const std::string tip = text.empty() ? std::string("Tarvel") : "Tarvel: " + text;
  lstrcpynA(m_trayIcon.szTip, tip.c_str(), sizeof(m_trayIcon.szTip));
  NOTIFYICONDATAA modify = m_trayIcon;
  modify.uFlags = NIF_TIP;
  services_.tray->Notify(NIM_MODIFY, &modify);
}

void CTarvelApp::ShowTrayBalloon(const char* text) {
  if (services_.tray == nullptr || frame_->Handle() == nullptr) return;
  // The icon itself was added in its first form; a balloon needs the second.
  NOTIFYICONDATAA balloon = {};
  balloon.cbSize = NOTIFYICONDATAA_V2_SIZE;
  balloon.hWnd = frame_->Handle();
  balloon.uID = m_trayIcon.uID;
  balloon.uFlags = NIF_INFO;
  lstrcpynA(balloon.szInfo, text, sizeof(balloon.szInfo));
  lstrcpynA(balloon.szInfoTitle, "Tarvel", sizeof(balloon.szInfoTitle));
  balloon.dwInfoFlags = NIIF_INFO;
  balloon.uTimeout = 10000;
  services_.tray->Notify(NIM_MODIFY, &balloon);
}

int CTarvelApp::ExitInstance() {
  if (exitDone_) return 0;
  exitDone_ = true;
  if (profiles_ != nullptr) {
    frame_->SetTickListener(nullptr);
    profiles_->Stop();
  }
  // No key that a Hold mapping keeps down stays down after the program.
  if (document_ != nullptr) document_->ReleaseHeldKeys();
  joysticks_.ReleaseJoysticks();
  if (services_.tray != nullptr) services_.tray->Notify(NIM_DELETE, &m_trayIcon);
  if (services_.settings != nullptr)
    services_.settings->WriteInt(kOptions, kHideOnStartup, m_hideOnStartup);
  return fw::App::ExitInstance();
}

bool CTarvelApp::PreTranslateMessage(MSG* msg) {
  // The key is taken before the accelerators see it: assigning Ctrl+S or F5 to a button must not
  // also save the file or refresh the joysticks.
  if (m_captureOn != 0 && IsKeyMessage(msg->message) && MainFrame() != nullptr) {
    frame_->OnCaptureKey(msg);
    return true;
  }
  return fw::App::PreTranslateMessage(msg);
}

void CTarvelApp::SetCaptureOn(int on) {
  m_captureOn = on;
  if (MainFrame() != nullptr) frame_->UpdateHintBar(on);
}

void CTarvelApp::RefreshAttachedJoysticks() {
  joysticks_.RefreshJoysticks(MainFrame() != nullptr ? frame_.get() : nullptr);
}

void CTarvelApp::OnAppAbout() {
  fw::Dialog about(IDD_ABOUTBOX);
  about.DoModal(frame_->Handle());
}

void CTarvelApp::OnOptionsProfiles() {
  CProfilesDlg dialog;
  dialog.m_settings = ProfileSwitching::ReadSettings(Settings());
  dialog.m_prompts = services_.frameworkPrompts;
  if (dialog.DoModal(frame_->Handle()) != IDOK) return;
  ProfileSwitching::WriteSettings(dialog.m_settings, Settings());
  profiles_->Reload(false);
}

void CTarvelApp::OnOptionsStartWithWindows() {
  if (services_.runAtLogon == nullptr) return;
  // Hide on Startup keeps its meaning: the start at logon shows the window or not as it says.
  if (!services_.runAtLogon->Set(!services_.runAtLogon->IsOn()))
    ShowFrameworkError(frame_->Handle(),
                       fw::LoadResourceString(IDS_START_WITH_WINDOWS_FAILED,
                                              "The programs that start with Windows cannot be "
                                              "changed."));
}

bool CTarvelApp::OnCommand(UINT id) {
  switch (id) {
    case ID_APP_ABOUT:
      OnAppAbout();
      return true;
    case ID_OPTIONS_HIDE_ON_STARTUP:
      m_hideOnStartup = m_hideOnStartup == 0 ? 1 : 0;
      return true;
    case ID_OPTIONS_START_WITH_WINDOWS:
      OnOptionsStartWithWindows();
      return true;
    case ID_OPTIONS_PROFILES:
      OnOptionsProfiles();
      return true;
    default:
      return fw::App::OnCommand(id);
  }
}

bool CTarvelApp::OnUpdateCommand(fw::CmdUI& ui) {
  switch (ui.id) {
    case ID_APP_ABOUT:
    case ID_OPTIONS_PROFILES:
      return true;
    case ID_OPTIONS_HIDE_ON_STARTUP:
      ui.SetCheck(m_hideOnStartup != 0);
      return true;
    case ID_OPTIONS_START_WITH_WINDOWS:
      ui.Enable(services_.runAtLogon != nullptr);
      ui.SetCheck(services_.runAtLogon != nullptr && services_.runAtLogon->IsOn());
      return true;
    default:
      return fw::App::OnUpdateCommand(ui);
  }
}

}  // namespace tarvel
