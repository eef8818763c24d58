#pragma once
#include <windows.h>

#include <string>

#include "framework/CommandLine.h"
#include "framework/CommandTarget.h"
#include "framework/PrintService.h"
#include "framework/PrinterSettings.h"
#include "framework/RecentFileList.h"
#include "framework/WaitSource.h"

namespace tarvel::fw {

class FrameWindow;
class FrameworkPrompts;
class SettingsStore;
class SingleDocTemplate;

// The application object: start-up and exit, the message loop with pre-translation and idle
// updates, the settings and the recent files, the printer, and the application's File commands
// (New, Open, the recent files, Print Setup, Exit). It is the views' printing service.
class App : public CommandTarget, public PrintService {
 public:
  App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;
  virtual ~App();

  // The one application object of the process.
  static App* Current();

  virtual bool InitInstance() = 0;
  // Stores the recent files and lets the printer choice go; runs once however often it is called.
  virtual int ExitInstance();
  // Before a message is dispatched: the main frame's accelerators. True: do not dispatch it.
  virtual bool PreTranslateMessage(MSG* msg);

  // The message loop, until WM_QUIT; returns its exit code. Between messages it waits on the
  // handles of the wait source too.
  int Run();
  void SetWaitSource(WaitSource* source) { waitSource_ = source; }
  // Handles the messages that are waiting, then idles; false once WM_QUIT was seen (it is
  // posted again for the caller's loop).
  bool PumpWaitingMessages();
  virtual void OnIdle();

  FrameWindow* MainFrame() const { return mainFrame_; }
  void SetMainFrame(FrameWindow* frame);
  int ShowCommand() const { return showCommand_; }
  void SetShowCommand(int command) { showCommand_ = command; }

  SettingsStore& Settings() const { return *settings_; }
  RecentFileList& RecentFiles() { return recentFiles_; }
  SingleDocTemplate* DocTemplate() const { return docTemplate_; }
  PrinterSettings& Printer() { return printer_; }
  // The framework's messages go through prompts; without them, message boxes.
  void SetFrameworkPrompts(FrameworkPrompts* prompts) { prompts_ = prompts; }
  void ShowFrameworkError(HWND owner, const std::string& text);

  // PrintService
  HDC OpenPrinterDC(HWND owner, bool showDialog) override;
  // The document template's title of the document, in the ANSI code page; empty without a
  // template.
  std::string PrintTitle() const override;
  void ShowPrintError(HWND owner, const std::string& text) override {
    ShowFrameworkError(owner, text);
  }

  // Opens the file or starts a new document, as the command line asks. False when no frame
  // could be made. A file that cannot be read gives a new document instead.
  bool ProcessShellCommand(const CommandLineInfo& info);
  // Opens a file as File > Open does once it has a name: the offer to save first, a message
  // when it cannot be read.
  void OpenDocumentFile(const std::string& path);

  bool OnCommand(UINT id) override;
  bool OnUpdateCommand(CmdUI& ui) override;

 protected:
  void SetSettings(SettingsStore* settings) { settings_ = settings; }
  // Reads the recent files; the list holds four.
  void LoadStdProfileSettings();
  void AddDocTemplate(SingleDocTemplate* docTemplate) { docTemplate_ = docTemplate; }

 private:
  static bool IsIdleMessage(const MSG& msg);
  // Sleeps until a message comes or a handle of the wait source is set, and answers the handle.
  enum class Woken { ByHandle, ByMessages };
  Woken WaitForInput();
  // Wakes by a handle in a row after which the waiting messages are dispatched all the same.
  static constexpr int kHandleWakesPerDispatch = 4;
  int handleWakes_ = 0;
  // Dispatches the messages that are waiting, a bounded number of them so that the handles are
  // not starved; false at WM_QUIT, its code in *exitCode.
  bool DispatchWaitingMessages(bool* idle, int* exitCode);
  void OpenRecentFile(int index);
  void OnFilePrintSetup();
  // Tells the user why the printer cannot be used; nothing for a cancelled dialog.
  void ReportPrinterOutcome(HWND owner, PrinterSettings::Outcome outcome, DWORD error);

  FrameWindow* mainFrame_ = nullptr;
  SettingsStore* settings_ = nullptr;
  SingleDocTemplate* docTemplate_ = nullptr;
  FrameworkPrompts* prompts_ = nullptr;
  RecentFileList recentFiles_;
  PrinterSettings printer_;
  int showCommand_ = SW_SHOWNORMAL;
  bool exited_ = false;
  POINT lastMousePoint_ = {-1, -1};
  WaitSource* waitSource_ = nullptr;
};

}  // namespace tarvel::fw
