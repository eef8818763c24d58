// Commands for any window of the desktop: list them, look at one, send or post it a message,
// move or close it, answer a dialog, type a key; and hold a file open as another program may.
// A window is named by its class (the first one that FindWindowA finds), or by class and title
// as CLASS:TITLE (a dialog: "#32770:Open").
#include <cstdio>
#include <string>
#include <vector>

#include "Driver.h"

namespace tarveldrive {
namespace {

constexpr DWORD kDefaultTimeoutMs = 5000;
constexpr UINT kSetTextTimeoutMs = 2000;

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

// Numbers of the arguments from `first` on; false (with the reason printed) when one is not.
bool ParseNumbers(const Context& context, size_t first, std::vector<long long>* numbers) {
  for (size_t i = first; i < context.args.size(); ++i) {
    long long value;
    if (!ParseNumber(context.args[i], &value)) return false;
    numbers->push_back(value);
  }
  return true;
}

int Window(Context& context) {
  HWND window = FindTopLevel(context.args[0]);
  if (window == nullptr) return kNotMet;
  RECT rect = {};
  GetWindowRect(window, &rect);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[256] = "";
  GetWindowTextA(window, title, sizeof(title));
  std::printf("%s %lu %d %d %ld %ld %ld %ld \"%s\"\n",
              Hex(reinterpret_cast<ULONG_PTR>(window)).c_str(), pid,
              IsWindowVisible(window) ? 1 : 0, GetForegroundWindow() == window ? 1 : 0, rect.left,
              rect.top, rect.right - rect.left, rect.bottom - rect.top, title);
  return kOk;
}

// The text of the window's status bar: its first pane, which WM_GETTEXT gives (sent, since
// GetWindowText of another process's window reads only the text the system keeps for it).
int Status(Context& context) {
  HWND window = FindTopLevel(context.args[0]);
  if (window == nullptr) return kNotMet;
  HWND bar = FindWindowExA(window, nullptr, "msctls_statusbar32", nullptr);
  if (bar == nullptr) return kNotMet;
  char text[256] = "";
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(bar, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, 5000, &length))
    return kNotMet;
  std::printf("%s\n", text);
  return kOk;
}

int Ping(Context& context) {
  DWORD timeoutMs;
  if (!ParseTimeout(context.args[1], &timeoutMs)) return kUsage;
  HWND window = FindTopLevel(context.args[0]);
  if (window == nullptr) return kNotMet;
  LARGE_INTEGER frequency;
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  DWORD_PTR result = 0;
  const bool answered =
      SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
  QueryPerformanceCounter(&end);
  std::printf("%.3f\n", static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                            static_cast<double>(frequency.QuadPart));
  if (answered) return kOk;
  std::fprintf(stderr, "tarveldrive: no answer within %lu ms\n", timeoutMs);
  return kNotMet;
}

int Send(Context& context) {
  std::vector<long long> n;
  if (!ParseNumbers(context, 1, &n)) return kUsage;
  HWND window = FindTopLevel(context.args[0]);
  if (window == nullptr) return kNotMet;
  return SendWithTimeout(window, static_cast<UINT>(n[0]), static_cast<WPARAM>(n[1]),
                         static_cast<LPARAM>(n[2]), static_cast<UINT>(n[3]));
}

int Post(Context& context) {
  std::vector<long long> n;
  if (!ParseNumbers(context, 1, &n)) return kUsage;
  HWND window = FindTopLevel(context.args[0]);
  if (window == nullptr) return kNotMet;
  return PostMessageA(window, static_cast<UINT>(n[0]), static_cast<WPARAM>(n[1]),
                      static_cast<LPARAM>(n[2]))
             ? kOk
             : kNotMet;
}

int Move(Context& context) {
  std::vector<long long> n;
  if (!ParseNumbers(context, 1, &n)) return kUsage;
  HWND window = FindTopLevel(context.args[0]);
  if (window == nullptr) return kNotMet;
  return SetWindowPos(window, nullptr, static_cast<int>(n[0]), static_cast<int>(n[1]),
                      static_cast<int>(n[2]), static_cast<int>(n[3]), SWP_NOZORDER | SWP_NOACTIVATE)
             ? kOk
             : kNotMet;
}

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindControl(HWND control, LPARAM data) {
  auto* search = reinterpret_cast<ControlSearch*>(data);
  if (GetDlgCtrlID(control) != search->id) return TRUE;
  search->found = control;
  return FALSE;
}

int SetText(Context& context) {
  long long id;
  if (!ParseNumber(context.args[1], &id)) return kUsage;
  const std::string& title = context.args[0];
  HWND dialog = FindWindowA("#32770", title.c_str());
  if (dialog == nullptr || !IsWindowVisible(dialog)) {
    std::fprintf(stderr, "tarveldrive: no visible dialog \"%s\"\n", title.c_str());
    return kNotMet;
  }
  ControlSearch search{static_cast<int>(id), nullptr};
  EnumChildWindows(dialog, FindControl, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) {
    std::fprintf(stderr, "tarveldrive: dialog \"%s\" has no control %lld\n", title.c_str(), id);
    return kNotMet;
  }
  // The system copies the text into the other process for WM_SETTEXT.
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(search.found, WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(context.args[2].c_str()), SMTO_NORMAL,
                          kSetTextTimeoutMs, &result) == 0 ||
      result == 0) {
    std::fprintf(stderr, "tarveldrive: control %lld did not take the text\n", id);
    return kNotMet;
  }
  return kOk;
}

// Stands for another program that has the file open and lets nobody else in.
int HoldFile(Context& context) {
  DWORD milliseconds;
  if (!ParseTimeout(context.args[1], &milliseconds)) return kUsage;
  const std::string& path = context.args[0];
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "tarveldrive: cannot open %s (error %lu)\n", path.c_str(), GetLastError());
    return kNotMet;
  }
  std::printf("held\n");
  std::fflush(stdout);
  Sleep(milliseconds);
  CloseHandle(file);
  return kOk;
}

}  // namespace

HWND FindTopLevel(const std::string& target) {
  const size_t colon = target.find(':');
  const std::string className = target.substr(0, colon);
  const char* title = colon == std::string::npos ? nullptr : target.c_str() + colon + 1;
  HWND window = FindWindowA(className.c_str(), title);
  if (window == nullptr) std::fprintf(stderr, "tarveldrive: no window %s\n", target.c_str());
  return window;
}

int SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result) == 0) {
    std::fprintf(stderr, "tarveldrive: no answer within %u ms\n", timeoutMs);
    return kNotMet;
  }
  std::printf("%lld\n", static_cast<long long>(result));
  return kOk;
}

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
    {"window", 1, 1, "WINDOW  HWND PID VISIBLE FOREGROUND LEFT TOP WIDTH HEIGHT \"TITLE\"", Window},
    {"status", 1, 1, "WINDOW  the text of the window's status bar", Status},
    {"ping", 2, 2, "WINDOW TIMEOUTMS  SendMessageTimeout(WM_NULL); print the milliseconds", Ping},
    {"send", 5, 5, "WINDOW MSG WPARAM LPARAM TIMEOUTMS  SendMessageTimeout; print the result",
     Send},
    {"post", 4, 4, "WINDOW MSG WPARAM LPARAM  PostMessage", Post},
    {"move", 5, 5, "WINDOW X Y WIDTH HEIGHT  SetWindowPos (no z-order change, no activation)",
     Move},
    {"set-text", 3, 3,
     "TITLE ID TEXT  WM_SETTEXT to control ID (at any depth) of the visible dialog TITLE", SetText},
    {"hold-file", 2, 2,
     "PATH MS  open PATH for reading and writing with no sharing, print \"held\", close it after "
     "MS",
     HoldFile},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace tarveldrive
