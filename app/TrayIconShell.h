#pragma once
#include <windows.h>
// <shellapi.h> needs <windows.h> first.
#include <shellapi.h>

namespace tarvel {

// The notification area: Shell_NotifyIconA.
class TrayIconShell {
 public:
  virtual BOOL Notify(DWORD message, NOTIFYICONDATAA* data) = 0;

 protected:
  ~TrayIconShell() = default;
};

class Win32TrayIconShell final : public TrayIconShell {
 public:
  BOOL Notify(DWORD message, NOTIFYICONDATAA* data) override {
    return Shell_NotifyIconA(message, data);
  }
};

}  // namespace tarvel
