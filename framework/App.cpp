#include "framework/App.h"

#include "framework/DocTemplate.h"
#include "framework/FrameWindow.h"
#include "framework/FrameworkIds.h"
#include "framework/FrameworkPrompts.h"
#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "model/FileOps.h"

namespace tarvel::fw {

namespace {
App* current = nullptr;
}  // namespace

App::App() : recentFiles_(ID_FILE_MRU_FILE1) { current = this; }

App::~App() {
  if (current == this) current = nullptr;
}

App* App::Current() { return current; }

void App::SetMainFrame(FrameWindow* frame) {
  mainFrame_ = frame;
  if (frame != nullptr) {
    frame->SetQuitOnDestroy(true);
    frame->SetCommandRoute(docTemplate_, this);
  }
}

void App::LoadStdProfileSettings() {
  if (settings_ != nullptr) recentFiles_.Load(*settings_);
}

int App::ExitInstance() {
  if (exited_) return 0;
  exited_ = true;
  if (settings_ != nullptr) recentFiles_.Save(*settings_);
  printer_.Release();
  return 0;
}

bool App::PreTranslateMessage(MSG* msg) {
  return mainFrame_ != nullptr && mainFrame_->PreTranslateMessage(msg);
}

bool App::IsIdleMessage(const MSG& msg) {
  // Messages that come by the hundred change nothing that the idle update shows.
  switch (msg.message) {
    case WM_TIMER:
    case WM_PAINT:
    case 0x0118:  // the system's caret blink timer
      return false;
    default:
      return true;
  }
}

int App::Run() {
  MSG msg = {};
  bool idle = true;
  int exitCode = 0;
  for (;;) {
    if (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      OnIdle();
      idle = false;
    }
    // Woken by one of the wait source's handles, the messages are left to the next wait, which
    // ends at once when there are some: a fast tick then costs one call into the system, not two.
    // Not for long: a handle that is set again and again must not keep the messages waiting.
    if (WaitForInput() == Woken::ByHandle && ++handleWakes_ < kHandleWakesPerDispatch) continue;
    handleWakes_ = 0;
    if (!DispatchWaitingMessages(&idle, &exitCode)) return exitCode;
  }
}

App::Woken App::WaitForInput() {
  HANDLE handles[WaitSource::kMaxHandles];
  int count =
      waitSource_ != nullptr ? waitSource_->WaitHandles(handles, WaitSource::kMaxHandles) : 0;
  if (count < 0 || count > WaitSource::kMaxHandles) count = 0;
  // MWMO_INPUTAVAILABLE: messages already seen by a peek also end the wait.
  const DWORD woken = MsgWaitForMultipleObjectsEx(static_cast<DWORD>(count), handles, INFINITE,
                                                  QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (woken < WAIT_OBJECT_0 + static_cast<DWORD>(count)) {
    waitSource_->OnHandleSet(static_cast<int>(woken - WAIT_OBJECT_0));
    return Woken::ByHandle;
  }
  if (woken == WAIT_FAILED) {
    // A handle that went away under the wait: wait for messages alone this once.
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return Woken::ByMessages;
}

bool App::DispatchWaitingMessages(bool* idle, int* exitCode) {
  constexpr int kMaxMessagesAtOnce = 64;
  MSG msg = {};
  for (int n = 0; n < kMaxMessagesAtOnce && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      *exitCode = static_cast<int>(msg.wParam);
      return false;
    }
    if (!PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (msg.message == WM_MOUSEMOVE) {
      // A mouse that did not move is no reason for an idle update.
      if (msg.pt.x == lastMousePoint_.x && msg.pt.y == lastMousePoint_.y) continue;
      lastMousePoint_ = msg.pt;
    }
    if (IsIdleMessage(msg)) *idle = true;
  }
  return true;
}

bool App::PumpWaitingMessages() {
  MSG msg = {};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (!PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  OnIdle();
  return true;
}

void App::OnIdle() {
  if (mainFrame_ != nullptr) mainFrame_->OnIdleUpdate();
}

bool App::ProcessShellCommand(const CommandLineInfo& info) {
  if (docTemplate_ == nullptr) return false;
  if (info.shellCommand == CommandLineInfo::ShellCommand::FileOpen) {
    if (docTemplate_->OpenDocumentFile(info.fileName) == SingleDocTemplate::OpenResult::Opened)
      return true;
    // The file could not be read, and the user was told: start with a new configuration of
    // the attached controllers, as on a first start.
    if (!docTemplate_->HasFrame()) return false;
  }
  return docTemplate_->NewDocument();
}

void App::OpenDocumentFile(const std::string& path) {
  if (docTemplate_ != nullptr) docTemplate_->OpenDocumentFile(path);
}

void App::OpenRecentFile(int index) {
  if (docTemplate_ == nullptr || index < 0 || index >= recentFiles_.Count()) return;
  const std::string path = recentFiles_[index];
  // A file that cannot be read any more leaves the list; a cancelled open keeps it.
  if (docTemplate_->OpenDocumentFile(path) == SingleDocTemplate::OpenResult::Failed) {
    for (int i = 0; i < recentFiles_.Count(); ++i)
      if (recentFiles_[i] == path) {
        recentFiles_.Remove(i);
        break;
      }
    if (settings_ != nullptr) recentFiles_.Save(*settings_);
  }
}

void App::ShowFrameworkError(HWND owner, const std::string& text) {
  if (prompts_ != nullptr) {
    prompts_->ShowError(owner, text);
    return;
  }
  MessageBoxW(owner, WideText(text.c_str()).c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

void App::ReportPrinterOutcome(HWND owner, PrinterSettings::Outcome outcome, DWORD error) {
  switch (outcome) {
    case PrinterSettings::Outcome::NoPrinter:
      ShowFrameworkError(owner, LoadResourceString(IDS_NO_PRINTER, "No printer is installed."));
      break;
    case PrinterSettings::Outcome::Failed: {
      char code[16];
      wsprintfA(code, "0x%04lX", static_cast<unsigned long>(error));
      ShowFrameworkError(owner,
                         FormatString1(LoadResourceString(IDS_PRINTER_ERROR,
                                                          "The printer cannot be used (error %1)."),
                                       code));
      break;
    }
    case PrinterSettings::Outcome::Chosen:
    case PrinterSettings::Outcome::Cancelled:
      break;
  }
}

void App::OnFilePrintSetup() {
  HWND owner = mainFrame_ != nullptr ? mainFrame_->Handle() : nullptr;
  DWORD error = 0;
  ReportPrinterOutcome(owner, printer_.Setup(owner, &error), error);
}

HDC App::OpenPrinterDC(HWND owner, bool showDialog) {
  HDC dc = nullptr;
  DWORD error = 0;
  const PrinterSettings::Outcome outcome = printer_.OpenPrinterDC(owner, showDialog, &dc, &error);
  ReportPrinterOutcome(owner, outcome, error);
  return outcome == PrinterSettings::Outcome::Chosen ? dc : nullptr;
}

std::string App::PrintTitle() const {
  if (docTemplate_ == nullptr) return std::string();
  // The page is printed with the 8-bit calls, as the configuration's texts are: the file's
  // name in the ANSI code page, letters it lacks as "?".
  const std::wstring title = WideText(docTemplate_->Title().c_str());
  const int length = static_cast<int>(title.size());
  std::string ansi(static_cast<size_t>(length) * 2, '\0');
  const int bytes = WideCharToMultiByte(CP_ACP, 0, title.c_str(), length, ansi.data(),
                                        static_cast<int>(ansi.size()), nullptr, nullptr);
  ansi.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  return ansi;
}

bool App::OnCommand(UINT id) {
  if (recentFiles_.IsCommand(id)) {
    OpenRecentFile(recentFiles_.IndexOf(id));
    return true;
  }
  switch (id) {
    case ID_FILE_NEW:
      if (docTemplate_ != nullptr) docTemplate_->NewDocument();
      return true;
    case ID_FILE_OPEN:
      if (docTemplate_ != nullptr) docTemplate_->OpenDocumentFile(std::string());
      return true;
    case ID_FILE_PRINT_SETUP:
      OnFilePrintSetup();
      return true;
    case ID_APP_EXIT:
      if (mainFrame_ != nullptr) PostMessageA(mainFrame_->Handle(), WM_CLOSE, 0, 0);
      return true;
    default:
      return false;
  }
}

bool App::OnUpdateCommand(CmdUI& ui) {
  if (recentFiles_.IsCommand(ui.id)) {
    ui.Enable(recentFiles_.IndexOf(ui.id) < recentFiles_.Count());
    return true;
  }
  return ui.id == ID_FILE_NEW || ui.id == ID_FILE_OPEN || ui.id == ID_FILE_PRINT_SETUP ||
         ui.id == ID_APP_EXIT;
}

}  // namespace tarvel::fw
