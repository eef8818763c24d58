// Commands for any window of the desktop: list them, close one, answer a dialog, type a key.
#include <cstdio>
#include <string>

#include "Driver.h"

namespace tarveldrive {
namespace {

constexpr DWORD kDefaultTimeoutMs = 5000;

BOOL CALLBACK PrintTopLevelWindow(HWND window, LPARAM) {
  char className[256] = "";
  char title[256] = "";
  GetClassNameA(window, className, sizeof(className));
  GetWindowTextA(window, title, sizeof(title));
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  std::printf("%s %lu %d %s \"%s\"\n", Hex(reinterpret_cast<ULONG_PTR>(window)).c_str(), pid,
              IsWindowVisible(window) ? 1 : 0, className, title);
  return TRUE;
}

int ListWindows(Context&) {
  EnumWindows(PrintTopLevelWindow, 0);
  return kOk;
}

// The first visible dialog (class #32770) with this title, waiting up to `timeoutMs` for one.
HWND FindDialog(const std::string& title, DWORD timeoutMs) {
  HWND dialog = nullptr;
  WaitUntil(timeoutMs, [&] {
    dialog = FindWindowA("#32770", title.c_str());
    return dialog != nullptr && IsWindowVisible(dialog);
  });
  if (dialog == nullptr) {
    std::fprintf(stderr, "tarveldrive: no dialog \"%s\" after %lu ms\n", title.c_str(), timeoutMs);
  }
  return dialog;
}

// A control's text without the '&' marks of its access key.
std::string PlainText(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof(text));
  std::string plain;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c != '&') plain += *c;
  }
  return plain;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  char className[256] = "";
  GetClassNameA(control, className, sizeof(className));
  std::printf("%s %d \"%s\"\n", className, GetDlgCtrlID(control), PlainText(control).c_str());
  return TRUE;
}

int Dialog(Context& context) {
  DWORD timeoutMs = kDefaultTimeoutMs;
  if (context.args.size() > 1 && !ParseTimeout(context.args[1], &timeoutMs)) return kUsage;
  HWND dialog = FindDialog(context.args[0], timeoutMs);
  if (dialog == nullptr) return kNotMet;
  EnumChildWindows(dialog, PrintControl, 0);
  return kOk;
}

struct ButtonSearch {
  std::string text;
  HWND found;
};

BOOL CALLBACK FindButton(HWND control, LPARAM data) {
  auto* search = reinterpret_cast<ButtonSearch*>(data);
  char className[64] = "";
  GetClassNameA(control, className, sizeof(className));
  if (lstrcmpiA(className, "Button") == 0 &&
      lstrcmpiA(PlainText(control).c_str(), search->text.c_str()) == 0) {
    search->found = control;
    return FALSE;
  }
  return TRUE;
}

int ClickButton(Context& context) {
  DWORD timeoutMs = kDefaultTimeoutMs;
  if (context.args.size() > 2 && !ParseTimeout(context.args[2], &timeoutMs)) return kUsage;
  HWND dialog = FindDialog(context.args[0], timeoutMs);
  if (dialog == nullptr) return kNotMet;
  ButtonSearch search{context.args[1], nullptr};
  EnumChildWindows(dialog, FindButton, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) {
    std::fprintf(stderr, "tarveldrive: dialog \"%s\" has no button \"%s\"\n",
                 context.args[0].c_str(), context.args[1].c_str());
    return kNotMet;
  }
  // Posted, as a click is: the dialog's owner may be busy, and nothing here waits for it.
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(search.found), BN_CLICKED),
               reinterpret_cast<LPARAM>(search.found));
  return kOk;
}

int Keybd(Context& context) {
  long long key;
  if (!ParseNumber(context.args[0], &key) || key <= 0 || key > 0xFE) {
    std::fprintf(stderr, "tarveldrive: a virtual key is 1..0xFE\n");
    return kUsage;
  }
  const std::string how = context.args.size() > 1 ? context.args[1] : "tap";
  if (how != "down" && how != "up" && how != "tap") {
    std::fprintf(stderr, "tarveldrive: keybd VK [down|up|tap]\n");
    return kUsage;
  }
  const BYTE vk = static_cast<BYTE>(key);
  const BYTE scan = static_cast<BYTE>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  if (how != "up") keybd_event(vk, scan, 0, 0);
  if (how != "down") keybd_event(vk, scan, KEYEVENTF_KEYUP, 0);
  return kOk;
}

int CloseWindowOfClass(Context& context) {
  DWORD timeoutMs = kDefaultTimeoutMs;
  if (context.args.size() > 1 && !ParseTimeout(context.args[1], &timeoutMs)) return kUsage;
  const char* className = context.args[0].c_str();
  HWND window = FindWindowA(className, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "tarveldrive: no window of class %s\n", className);
    return kNotMet;
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitUntil(timeoutMs, [&] { return !IsWindow(window); })) return kOk;
  std::fprintf(stderr, "tarveldrive: the window of class %s is still open after %lu ms\n",
               className, timeoutMs);
  return kNotMet;
}

}  // namespace

const Command kWindowCommands[] = {
    {"keybd", 1, 2, "VK [down|up|tap]  a system-wide key event (keybd_event)", Keybd},
    {"dialog", 1, 2,
     "TITLE [TIMEOUTMS]  wait for a dialog with this title; print its controls: CLASS ID "
     "\"TEXT\"",
     Dialog},
    {"click-button", 2, 3,
     "TITLE TEXT [TIMEOUTMS]  wait for a dialog with this title and click its button TEXT "
     "(without &)",
     ClickButton},
    {"list-windows", 0, 0, "top-level windows, front to back: HWND PID VISIBLE CLASS \"TITLE\"",
     ListWindows},
    {"close-window", 1, 2,
     "CLASS [TIMEOUTMS]  post WM_CLOSE to the first top-level window of CLASS, wait until it is "
     "gone",
     CloseWindowOfClass},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace tarveldrive
