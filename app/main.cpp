// Tarvel: turns game controller buttons into keyboard keys.
#include <windows.h>

#include "app/TarvelApp.h"
#include "app/TrayIconShell.h"
#include "frame/MainFrame.h"
#include "framework/CommandLine.h"
#include "framework/FrameworkPrompts.h"
#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "framework/SingleInstance.h"
#include "platform/win32/DirectInputBackend.h"
#include "platform/win32/ForegroundProgram.h"
#include "platform/win32/MessageBoxPrompts.h"
#include "platform/win32/RunAtLogon.h"
#include "platform/win32/Win32ForegroundIntegrity.h"
#include "platform/win32/Win32KeySender.h"
#include "res/resource.h"

namespace {
// How long a second start waits for the running copy's window to take its command line.
constexpr DWORD kHandOverTimeoutMs = 5000;
}  // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
  // The arguments as wide text, so that a file may be named in any language.
  const std::string arguments = tarvel::fw::ArgumentsOfCommandLine(GetCommandLineW());

  // A second start in this session hands its command line to the running copy and ends: two
  // copies would read the same controllers and type every press twice.
  tarvel::fw::SingleInstance instance(tarvel::CTarvelApp::kInstanceName);
  switch (instance.ClaimOrHandOver(tarvel::CMainFrame::kClassName,
                                   tarvel::fw::CommandLineForHandOver(arguments.c_str()),
                                   kHandOverTimeoutMs)) {
    case tarvel::fw::SingleInstance::Outcome::First:
      break;
    case tarvel::fw::SingleInstance::Outcome::HandedOver:
      return 0;
    case tarvel::fw::SingleInstance::Outcome::NoAnswer:
      return 1;
  }

  const std::string title = tarvel::fw::LoadResourceString(IDS_APP_TITLE);
  tarvel::fw::RegistrySettings settings(tarvel::CTarvelApp::kCompanyKey, title.c_str());
  tarvel::DirectInputBackend controllers;
  tarvel::Win32KeySender keys;
  tarvel::Win32ForegroundIntegrity integrity;
  tarvel::MessageBoxPrompts prompts;
  tarvel::fw::Win32FrameworkPrompts frameworkPrompts(title);
  tarvel::Win32TrayIconShell tray;
  tarvel::Win32ForegroundWatch foreground;
  tarvel::RunAtLogon runAtLogon(tarvel::RunAtLogon::kRunKey, title,
                                tarvel::RunAtLogon::ThisProgram());

  tarvel::ShellServices services;
  services.settings = &settings;
  services.controllers = &controllers;
  services.keys = &keys;
  services.prompts = &prompts;
  services.frameworkPrompts = &frameworkPrompts;
  services.tray = &tray;
  services.runAtLogon = &runAtLogon;
  services.integrity = &integrity;
  services.foreground = &foreground;

  tarvel::CTarvelApp app(services, arguments);
  app.SetShowCommand(showCommand);
  if (app.InitInstance()) {
    prompts.SetOwner(app.Frame().Handle());
    app.Run();
  }
  return app.ExitInstance();
}
