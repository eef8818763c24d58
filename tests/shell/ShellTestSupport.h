#pragma once
// Shared pieces of the shell tests: the application built from test doubles, a message pump,
// and scripted answers for the framework's dialogs.
#include <windows.h>
// <shellapi.h> needs <windows.h> first.
#include <shellapi.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/TarvelApp.h"
#include "app/TrayIconShell.h"
#include "frame/MainFrame.h"
#include "framework/FrameworkPrompts.h"
#include "model/TarvelDoc.h"
#include "tests/doubles/FakeControllers.h"
#include "tests/doubles/FakePrompts.h"
#include "tests/doubles/RecordingKeySender.h"
#include "tests/shell/TestSettings.h"
#include "tests/support/TempDir.h"
#include "tests/support/TvmText.h"
#include "ui/TarvelView.h"

namespace tarvel::test {

// Answers for the offer to save and the file dialogs, in order; records what was asked.
class ScriptedFrameworkPrompts final : public fw::FrameworkPrompts {
 public:
  Answer AskSaveChanges(HWND owner, const std::string& question) override;
  void ShowError(HWND owner, const std::string& text) override;
  bool ChooseFileToOpen(HWND owner, const std::string& filter, const std::string& extension,
                        std::string* path) override;
  bool ChooseFileToSave(HWND owner, const std::string& filter, const std::string& extension,
                        std::string* path) override;

  std::deque<Answer> saveAnswers;  // No when the script runs out
  std::deque<std::string> files;   // a chosen file each; cancelled when the script runs out
  std::vector<std::string> questions;
  std::vector<std::string> errors;
  std::vector<std::string> filters;
  std::vector<std::string> proposedNames;  // the name each Save As dialog opened with
  int openDialogs = 0;
  int saveDialogs = 0;
};

// Records the notification-area calls and answers them with success.
class RecordingTray final : public TrayIconShell {
 public:
  struct Call {
    DWORD message;
    NOTIFYICONDATAA data;
  };
  BOOL Notify(DWORD message, NOTIFYICONDATAA* data) override {
    calls.push_back({message, *data});
    return TRUE;
  }
  int Count(DWORD message) const;
  std::vector<Call> calls;
};

// Everything the application is made of, as test doubles.
struct TestServices {
  TestServices();
  ShellServices Services(fw::SettingsStore* settings = nullptr);

  MemorySettings settings;
  FakeBackend controllers;
  RecordingKeySender keys;
  FakePrompts prompts;
  ScriptedFrameworkPrompts frameworkPrompts;
  RecordingTray tray;
  KeySender* keysOverride = nullptr;         // the real key sender, for tests that deliver keys
  RunAtLogon* runAtLogon = nullptr;          // a Run key of the tests' own; null: none
  ForegroundIntegrity* integrity = nullptr;  // null: keys always go out
  ForegroundWatch* foreground = nullptr;     // the window in front; null: no switching
};

// The messages waiting for this thread, handled as the program's message loop does; then the
// idle update. Returns false when WM_QUIT came (it is not posted again).
bool PumpMessages(fw::App* app);
// Pumps for about ms milliseconds.
void PumpFor(fw::App* app, int ms);
// Pumps until done() or timeoutMs; returns done().
bool PumpUntil(fw::App* app, const std::function<bool()>& done, int timeoutMs = 3000);

// A started application; closing it runs the program's exit.
class AppUnderTest {
 public:
  AppUnderTest(TestServices& services, const std::string& commandLine = "",
               fw::SettingsStore* settings = nullptr);
  ~AppUnderTest();

  bool Start();
  // Closes the main window as the close box does (with the offer to save), pumps until the
  // message loop would end, then runs the exit. False when the window stayed open.
  bool Close();

  CTarvelApp& App() { return *app_; }
  CMainFrame& Frame() { return app_->Frame(); }
  CTarvelDoc& Doc() { return app_->Document(); }
  CTarvelView& View() { return app_->View(); }
  HWND FrameHandle() { return app_->Frame().Handle(); }
  std::string Caption();
  bool quitSeen = false;

 private:
  std::unique_ptr<CTarvelApp> app_;
  bool started_ = false;
  bool exited_ = false;
};

// pattern with n in place of its "%d", e.g. "Width%d".
std::string Numbered(const char* pattern, int n);

// The text of a window.
std::string WindowText(HWND window);

// A memory bitmap to draw into, compatible with a window's screen and as large as its client
// area (or of the size given).
class MemoryCanvas {
 public:
  explicit MemoryCanvas(HWND window, int width = 0, int height = 0);
  ~MemoryCanvas();
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  RECT client = {};

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

}  // namespace tarvel::test
