#pragma once
#include <windows.h>
// <shellapi.h> needs <windows.h> first.
#include <shellapi.h>

#include <memory>
#include <string>

#include "frame/MainFrame.h"
#include "framework/App.h"
#include "input/JoystickTable.h"
#include "model/AppServices.h"

namespace tarvel {

class CMainFrame;
class CTarvelDoc;
class ForegroundWatch;
class ProfileSwitching;
class CTarvelView;
class ControllerBackend;
class ForegroundIntegrity;
class KeySender;
class RunAtLogon;
class TrayIconShell;
class UserPrompts;
namespace fw {
class FrameworkPrompts;
class SingleDocTemplate;
class SettingsStore;
}  // namespace fw

// The platform parts the application is made of: the program passes the Windows ones, tests
// pass their own.
struct ShellServices {
  fw::SettingsStore* settings = nullptr;
  ControllerBackend* controllers = nullptr;
  KeySender* keys = nullptr;
  UserPrompts* prompts = nullptr;
  fw::FrameworkPrompts* frameworkPrompts = nullptr;
  TrayIconShell* tray = nullptr;
  // The entry that starts the program when the user logs on; null: the option is grayed.
  RunAtLogon* runAtLogon = nullptr;
  // Whether keys can reach the program in front; null: they always go out.
  ForegroundIntegrity* integrity = nullptr;
  // XInput, where Windows has it; null: XInput pads are read through DirectInput as any other.
  XInputBackend* xinput = nullptr;
  // The window in front, for the per-program configurations; null: no switching.
  ForegroundWatch* foreground = nullptr;
};

// The application object: start-up and exit, the Hide on Startup option, the tray icon, the
// About box, and the key capture flag.
class CTarvelApp final : public fw::App, public AppServices, public TrayAnnouncer {
 public:
  static constexpr const char* kCompanyKey = "Tarvel Project";
  // The mutex that one running copy per session holds.
  static constexpr const char* kInstanceName = "Tarvel Project.Tarvel.Instance";

  // commandLine: the arguments after the program's name.
  CTarvelApp(const ShellServices& services, std::string commandLine);
  ~CTarvelApp() override;

  bool InitInstance() override;
  int ExitInstance() override;
  // While key capture is on, key messages go to the frame's capture and nowhere else.
  bool PreTranslateMessage(MSG* msg) override;

  int CaptureOn() const override { return m_captureOn; }
  void SetCaptureOn(int on) override;
  void RefreshAttachedJoysticks() override;
  // A balloon of the tray icon with the program's name as its title.
  void ShowTrayBalloon(const char* text) override;

  bool OnCommand(UINT id) override;
  bool OnUpdateCommand(fw::CmdUI& ui) override;

  CMainFrame& Frame() const { return *frame_; }
  CTarvelDoc& Document() const { return *document_; }
  CTarvelView& View() const { return *view_; }
  JoystickTable& Joysticks() { return joysticks_; }
  ProfileSwitching& Profiles() const { return *profiles_; }
  // The tray icon's tip: "Tarvel", or "Tarvel: " and what is said.
  void SetTrayTip(const std::string& text);

  int m_hideOnStartup = 0;
  int m_captureOn = 0;
  NOTIFYICONDATAA m_trayIcon = {};

 private:
  void AddTrayIcon();
  void OnAppAbout();
  void OnOptionsStartWithWindows();
  void OnOptionsProfiles();

  ShellServices services_;
  std::string commandLine_;
  JoystickTable joysticks_;
  std::unique_ptr<CTarvelDoc> document_;
  std::unique_ptr<CTarvelView> view_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<fw::SingleDocTemplate> template_;
  std::unique_ptr<ProfileSwitching> profiles_;
  bool exitDone_ = false;
};

// The one application object.
CTarvelApp* TheApp();

}  // namespace tarvel
