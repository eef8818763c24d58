#pragma once
#include <windows.h>

#include <string>

#include "model/ForegroundWatch.h"

namespace tarvel {

// The file name (no folder) of the program that a window belongs to. A store app's frame
// belongs to ApplicationFrameHost.exe: the program is then the one of its CoreWindow child.
// False when the process cannot be opened or read.
bool ProgramOfWindow(HWND window, std::string* fileName);

// What the per-program configurations see of a window: Tarvel's own windows, the desktop and
// the taskbar are ignored, a program that cannot be read is unknown.
ForegroundWindow DescribeWindow(HWND window);

// The window in front through SetWinEventHook, out of context, so the events come to the thread
// that starts the watch through its message loop: EVENT_SYSTEM_FOREGROUND, and, when asked for,
// EVENT_OBJECT_NAMECHANGE of the window in front. One watch per process.
class Win32ForegroundWatch final : public ForegroundWatch {
 public:
  ~Win32ForegroundWatch();
  bool Start(ForegroundListener* listener, bool titles) override;
  void Stop() override;
  ForegroundWindow Current() override;
  bool WindowChanged() override { return GetForegroundWindow() != lastWindow_; }

 private:
  static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                               LONG child, DWORD thread, DWORD time);
  HWINEVENTHOOK foregroundHook_ = nullptr;
  HWINEVENTHOOK titleHook_ = nullptr;
  ForegroundListener* listener_ = nullptr;
  HWND lastWindow_ = nullptr;
};

}  // namespace tarvel
