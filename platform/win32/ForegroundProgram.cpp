#include "platform/win32/ForegroundProgram.h"

#include <cwchar>

#include "model/FileOps.h"

namespace tarvel {

namespace {

Win32ForegroundWatch* g_watch = nullptr;

bool ProcessFileName(DWORD processId, std::wstring* name) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return false;
  wchar_t path[MAX_PATH * 4];
  DWORD size = sizeof(path) / sizeof(path[0]);
  const BOOL ok = QueryFullProcessImageNameW(process, 0, path, &size);
  CloseHandle(process);
  if (!ok || size == 0) return false;
  const wchar_t* slash = std::wcsrchr(path, L'\\');
  const wchar_t* slash2 = std::wcsrchr(path, L'/');
  if (slash2 != nullptr && (slash == nullptr || slash2 > slash)) slash = slash2;
  *name = slash != nullptr ? slash + 1 : path;
  return !name->empty();
}

struct CoreWindowSearch {
  DWORD frameProcess;
  DWORD found;
};

BOOL CALLBACK FindCoreWindow(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<CoreWindowSearch*>(data);
  char className[64] = {};
  GetClassNameA(child, className, sizeof(className));
  DWORD process = 0;
  GetWindowThreadProcessId(child, &process);
  if (lstrcmpA(className, "Windows.UI.Core.CoreWindow") == 0 && process != search->frameProcess) {
    search->found = process;
    return FALSE;
  }
  return TRUE;
}

bool IsShellWindow(HWND window) {
  if (window == GetDesktopWindow() || window == GetShellWindow()) return true;
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  for (const char* shell : {"Progman", "WorkerW", "Shell_TrayWnd", "Shell_SecondaryTrayWnd"})
    if (lstrcmpA(className, shell) == 0) return true;
  return false;
}

std::string TitleOf(HWND window) {
  wchar_t title[512] = {};
  GetWindowTextW(window, title, static_cast<int>(sizeof(title) / sizeof(title[0])));
  return Utf8Text(title);
}

}  // namespace

bool ProgramOfWindow(HWND window, std::string* fileName) {
  DWORD process = 0;
  if (window == nullptr || GetWindowThreadProcessId(window, &process) == 0) return false;
  std::wstring name;
  if (!ProcessFileName(process, &name)) return false;
  if (_wcsicmp(name.c_str(), L"ApplicationFrameHost.exe") == 0) {
    CoreWindowSearch search = {process, 0};
    EnumChildWindows(window, FindCoreWindow, reinterpret_cast<LPARAM>(&search));
    // A frame whose app is not there (yet) is no program of its own.
    if (search.found == 0 || !ProcessFileName(search.found, &name)) return false;
  }
  *fileName = Utf8Text(name.c_str());
  return true;
}

ForegroundWindow DescribeWindow(HWND window) {
  ForegroundWindow described;
  if (window == nullptr) return described;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() || IsShellWindow(window)) {
    described.kind = ForegroundWindow::Kind::Ignored;
    return described;
  }
  if (!ProgramOfWindow(window, &described.program)) return described;
  described.kind = ForegroundWindow::Kind::Program;
  described.title = TitleOf(window);
  return described;
}

Win32ForegroundWatch::~Win32ForegroundWatch() { Stop(); }

ForegroundWindow Win32ForegroundWatch::Current() {
  lastWindow_ = GetForegroundWindow();
  return DescribeWindow(lastWindow_);
}

bool Win32ForegroundWatch::Start(ForegroundListener* listener, bool titles) {
  Stop();
  listener_ = listener;
  g_watch = this;
  foregroundHook_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                    OnEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
  if (titles)
    titleHook_ = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, OnEvent,
                                 0, 0, WINEVENT_OUTOFCONTEXT);
  return foregroundHook_ != nullptr;
}

void Win32ForegroundWatch::Stop() {
  if (foregroundHook_ != nullptr) UnhookWinEvent(foregroundHook_);
  if (titleHook_ != nullptr) UnhookWinEvent(titleHook_);
  foregroundHook_ = nullptr;
  titleHook_ = nullptr;
  listener_ = nullptr;
  if (g_watch == this) g_watch = nullptr;
}

void CALLBACK Win32ForegroundWatch::OnEvent(HWINEVENTHOOK /*hook*/, DWORD event, HWND window,
                                            LONG object, LONG /*child*/, DWORD /*thread*/,
                                            DWORD /*time*/) {
  if (g_watch == nullptr || g_watch->listener_ == nullptr) return;
  // Titles change all over the desktop; only the window in front's own is of interest.
  if (event == EVENT_OBJECT_NAMECHANGE &&
      (object != OBJID_WINDOW || window == nullptr || window != GetForegroundWindow()))
    return;
  g_watch->listener_->OnForegroundChanged();
}

}  // namespace tarvel
