#include "tests/shell/ShellTestSupport.h"

#include <cstdio>

namespace tarvel::test {

fw::FrameworkPrompts::Answer ScriptedFrameworkPrompts::AskSaveChanges(HWND /*owner*/,
                                                                      const std::string& question) {
  questions.push_back(question);
  if (saveAnswers.empty()) return Answer::No;
  const Answer answer = saveAnswers.front();
  saveAnswers.pop_front();
  return answer;
}

void ScriptedFrameworkPrompts::ShowError(HWND /*owner*/, const std::string& text) {
  errors.push_back(text);
}

bool ScriptedFrameworkPrompts::ChooseFileToOpen(HWND /*owner*/, const std::string& filter,
                                                const std::string& /*extension*/,
                                                std::string* path) {
  ++openDialogs;
  filters.push_back(filter);
  if (files.empty()) return false;
  *path = files.front();
  files.pop_front();
  return true;
}

bool ScriptedFrameworkPrompts::ChooseFileToSave(HWND /*owner*/, const std::string& filter,
                                                const std::string& /*extension*/,
                                                std::string* path) {
  ++saveDialogs;
  filters.push_back(filter);
  proposedNames.push_back(*path);
  if (files.empty()) return false;
  *path = files.front();
  files.pop_front();
  return true;
}

int RecordingTray::Count(DWORD message) const {
  int n = 0;
  for (const Call& call : calls) n += call.message == message ? 1 : 0;
  return n;
}

TestServices::TestServices() = default;

ShellServices TestServices::Services(fw::SettingsStore* store) {
  ShellServices services;
  services.settings = store != nullptr ? store : &settings;
  services.controllers = &controllers;
  services.keys = keysOverride != nullptr ? keysOverride : &keys;
  services.prompts = &prompts;
  services.frameworkPrompts = &frameworkPrompts;
  services.tray = &tray;
  services.runAtLogon = runAtLogon;
  services.integrity = integrity;
  services.foreground = foreground;
  return services;
}

bool PumpMessages(fw::App* app) {
  MSG msg = {};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) return false;
    if (app == nullptr || !app->PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (app != nullptr) app->OnIdle();
  return true;
}

void PumpFor(fw::App* app, int ms) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    PumpMessages(app);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  PumpMessages(app);
}

bool PumpUntil(fw::App* app, const std::function<bool()>& done, int timeoutMs) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
  while (!done()) {
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    PumpMessages(app);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

AppUnderTest::AppUnderTest(TestServices& services, const std::string& commandLine,
                           fw::SettingsStore* settings)
    : app_(std::make_unique<CTarvelApp>(services.Services(settings), commandLine)) {}

AppUnderTest::~AppUnderTest() {
  if (started_ && !exited_) Close();
  if (!exited_) app_->ExitInstance();
  app_.reset();
  // Nothing of this application may reach the next test.
  MSG msg = {};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

bool AppUnderTest::Start() {
  started_ = app_->InitInstance();
  if (started_) PumpMessages(app_.get());
  return started_;
}

bool AppUnderTest::Close() {
  HWND frame = FrameHandle();
  if (frame != nullptr) {
    SendMessageA(frame, WM_CLOSE, 0, 0);
    if (IsWindow(frame)) return false;
    // The destroyed main window posted WM_QUIT.
    quitSeen = !PumpMessages(app_.get());
  }
  app_->ExitInstance();
  exited_ = true;
  return true;
}

std::string AppUnderTest::Caption() { return WindowText(FrameHandle()); }

std::string Numbered(const char* pattern, int n) {
  char text[256];
  std::snprintf(text, sizeof(text), pattern, n);
  return text;
}

MemoryCanvas::MemoryCanvas(HWND window, int width, int height) {
  GetClientRect(window, &client);
  if (width > 0) client = {0, 0, width, height};
  HDC screen = GetDC(window);
  dc_ = CreateCompatibleDC(screen);
  bitmap_ = CreateCompatibleBitmap(screen, client.right, client.bottom);
  ReleaseDC(window, screen);
  old_ = SelectObject(dc_, bitmap_);
}

MemoryCanvas::~MemoryCanvas() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

std::string WindowText(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

}  // namespace tarvel::test
