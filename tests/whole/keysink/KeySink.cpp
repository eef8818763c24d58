// keysink.exe: a top-level window that records every keyboard message it receives into a shared
// log (KeySinkShared.h), so that a test can see what another program typed or sent to it.
//
//   keysink.exe [--class NAME] [--title TEXT] [--log NAME] [--focus] [--pos X Y] [--size W H]
//
//   --class  window class (default TarvelKeySink): the class a mapping targets
//   --title  window title (default "Tarvel Key Sink")
//   --log    shared log name (default TARVEL_KEYSINK_NAME, else Local\TarvelKeySink)
//   --focus  take the foreground and keyboard focus back every 100 ms when it has lost them
//   --mouse  log the mouse's button and wheel messages too (not its moves)
//
// Exit codes: 0 after a quit request or a close, 2 bad arguments, 3 log or window unusable
// (among them: another sink is already writing this log).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "KeySinkLog.h"
#include "KeySinkShared.h"
#include "common/SharedMapping.h"

namespace keysink {
namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 10;
constexpr LONG kFocusEveryTicks = 10;

struct Options {
  std::string className = kDefaultClassName;
  std::string title = kDefaultTitle;
  std::string logName;
  bool keepFocus = false;
  bool logMouse = false;
  int x = 100;
  int y = 100;
  int width = 420;
  int height = 240;
};

struct Sink {
  Options options;
  KeySinkLog* log = nullptr;
  HWND window = nullptr;
};

Sink g_sink;

bool IsKeyMessage(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      return true;
    default:
      return false;
  }
}

// WM_LBUTTONDOWN .. WM_MOUSEHWHEEL, without WM_MOUSEMOVE.
bool IsMouseButtonOrWheel(UINT message) {
  return message > WM_MOUSEMOVE && message <= WM_MOUSEHWHEEL;
}

uint32_t ModifiersNow() {
  uint32_t modifiers = 0;
  if (GetKeyState(VK_SHIFT) < 0) modifiers |= kShiftDown;
  if (GetKeyState(VK_CONTROL) < 0) modifiers |= kControlDown;
  if (GetKeyState(VK_MENU) < 0) modifiers |= kAltDown;
  return modifiers;
}

void Append(UINT message, WPARAM wParam, LPARAM lParam) {
  Header& header = g_sink.log->header;
  const LONG index = header.count;
  if (index >= kCapacity) {
    InterlockedIncrement(&header.dropped);
    return;
  }
  KeyEvent& event = g_sink.log->events[index];
  event.qpc = wholetest::QpcNow();
  event.message = message;
  event.flags = InSendMessage() ? kSent : kFromQueue;
  event.wParam = wParam;
  event.lParam = lParam;
  event.messageTime = GetMessageTime();
  event.modifiers = ModifiersNow();
  // Published after the entry is complete (Interlocked is a full barrier).
  InterlockedExchange(&header.count, index + 1);
}

void TakeFocus(HWND window) {
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
  BringWindowToTop(window);
  SetActiveWindow(window);
  SetFocus(window);
}

void Hang(LONG milliseconds) {
  if (milliseconds <= 0) return;
  Sleep(static_cast<DWORD>(milliseconds));
  InterlockedIncrement(&g_sink.log->header.hangsDone);
}

void OnTick(HWND window) {
  Header& header = g_sink.log->header;
  const LONG ticks = InterlockedIncrement(&header.ticks);

  const LONG focusRequest = header.focusRequest;
  if (focusRequest != header.focusDone) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    header.focusQpc = now.QuadPart;
    TakeFocus(window);
    InterlockedExchange(&header.focusDone, focusRequest);
  } else if (g_sink.options.keepFocus && ticks % kFocusEveryTicks == 0 &&
             GetForegroundWindow() != window) {
    TakeFocus(window);
  }
  header.foreground = GetForegroundWindow() == window ? 1 : 0;
  header.focused = GetFocus() == window ? 1 : 0;

  const LONG clearRequest = header.clearRequest;
  if (clearRequest != header.clearDone) {
    InterlockedExchange(&header.count, 0);
    InterlockedExchange(&header.dropped, 0);
    InterlockedExchange(&header.clearDone, clearRequest);
    InvalidateRect(window, nullptr, TRUE);
  }

  Hang(InterlockedExchange(&header.freezeMs, 0));

  if (header.quitRequest != 0) DestroyWindow(window);
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const Header& header = g_sink.log->header;
  const LONG count = header.count;
  char text[160];
  int length = std::snprintf(text, sizeof(text), "%ld key message(s)", static_cast<long>(count));
  TextOutA(dc, 8, 8, text, length);
  if (count > 0 && count <= kCapacity) {
    const KeyEvent& last = g_sink.log->events[count - 1];
    length =
        std::snprintf(text, sizeof(text), "last: %s 0x%02llX", MessageName(last.message).c_str(),
                      static_cast<unsigned long long>(last.wParam));
    TextOutA(dc, 8, 28, text, length);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_sink.options.logMouse && IsMouseButtonOrWheel(message)) {
    Append(message, wParam, lParam);
    InvalidateRect(window, nullptr, TRUE);
    return 0;
  }
  if (IsKeyMessage(message)) {
    Append(message, wParam, lParam);
    Hang(InterlockedExchange(&g_sink.log->header.hangNextKeyMs, 0));
    InvalidateRect(window, nullptr, TRUE);
    // Handled here, never by DefWindowProc: Alt and F10 would otherwise enter menu mode and
    // swallow the keys that follow.
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wParam == kTickTimer) OnTick(window);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_DESTROY: {
      KillTimer(window, kTickTimer);
      Header& header = g_sink.log->header;
      InterlockedExchange(&header.sinkReady, 0);
      header.sinkWindow = 0;
      InterlockedExchange(&header.sinkPid, 0);
      PostQuitMessage(0);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// The window is a Unicode one, so that WM_CHAR carries the character itself, whatever the code
// page; names and titles are ASCII.
std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

int Usage(const char* problem) {
  std::fprintf(stderr,
               "keysink: %s\nusage: keysink.exe [--class NAME] [--title TEXT] [--log NAME] "
               "[--focus] [--mouse] [--pos X Y] [--size W H]\n",
               problem);
  return 2;
}

bool ParseInt(const char* text, int* value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0') return false;
  *value = static_cast<int>(parsed);
  return true;
}

int ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasOne = i + 1 < argc;
    const bool hasTwo = i + 2 < argc;
    if (argument == "--class" && hasOne) {
      options->className = argv[++i];
    } else if (argument == "--title" && hasOne) {
      options->title = argv[++i];
    } else if (argument == "--log" && hasOne) {
      options->logName = argv[++i];
    } else if (argument == "--focus") {
      options->keepFocus = true;
    } else if (argument == "--mouse") {
      options->logMouse = true;
    } else if (argument == "--pos" && hasTwo) {
      if (!ParseInt(argv[i + 1], &options->x) || !ParseInt(argv[i + 2], &options->y)) {
        return Usage("--pos wants two numbers");
      }
      i += 2;
    } else if (argument == "--size" && hasTwo) {
      if (!ParseInt(argv[i + 1], &options->width) || !ParseInt(argv[i + 2], &options->height)) {
        return Usage("--size wants two numbers");
      }
      i += 2;
    } else {
      return Usage(("unknown or incomplete argument: " + argument).c_str());
    }
  }
  if (options->className.empty() || options->className.size() > 255) {
    return Usage("the class name must have 1 to 255 characters");
  }
  if (options->logName.empty()) options->logName = LogName();
  return 0;
}

// Takes the log over: no other sink may be writing it. A fresh sink starts with an empty log
// and with every earlier request counted as answered.
bool ClaimLog(KeySinkLog* log) {
  Header& header = log->header;
  if (SinkRunning(header)) {
    std::fprintf(stderr, "keysink: process %ld is already the sink of this log\n",
                 static_cast<long>(header.sinkPid));
    return false;
  }
  InterlockedExchange(&header.sinkPid, static_cast<LONG>(GetCurrentProcessId()));
  header.count = 0;
  header.dropped = 0;
  header.ticks = 0;
  header.hangsDone = 0;
  header.hangNextKeyMs = 0;
  header.freezeMs = 0;
  header.quitRequest = 0;
  header.focusDone = header.focusRequest;
  header.clearDone = header.clearRequest;
  MemoryBarrier();
  return true;
}

int Run(int argc, char** argv) {
  const int parsed = ParseOptions(argc, argv, &g_sink.options);
  if (parsed != 0) return parsed;

  wholetest::SharedMapping mapping;
  std::string error;
  g_sink.log = AttachLog(mapping, g_sink.options.logName, /*create=*/true, &error);
  if (g_sink.log == nullptr) {
    std::fprintf(stderr, "keysink: %s\n", error.c_str());
    return 3;
  }
  if (!ClaimLog(g_sink.log)) return 3;

  HINSTANCE instance = GetModuleHandleA(nullptr);
  const std::wstring className = Wide(g_sink.options.className);
  const std::wstring title = Wide(g_sink.options.title);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className.c_str();
  if (RegisterClassW(&windowClass) == 0) {
    std::fprintf(stderr, "keysink: RegisterClass failed (error %lu)\n", GetLastError());
    InterlockedExchange(&g_sink.log->header.sinkPid, 0);
    return 3;
  }
  g_sink.window = CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                                  g_sink.options.x, g_sink.options.y, g_sink.options.width,
                                  g_sink.options.height, nullptr, nullptr, instance, nullptr);
  if (g_sink.window == nullptr || SetTimer(g_sink.window, kTickTimer, kTickMs, nullptr) == 0) {
    std::fprintf(stderr, "keysink: cannot create the window (error %lu); is DISPLAY set?\n",
                 GetLastError());
    InterlockedExchange(&g_sink.log->header.sinkPid, 0);
    return 3;
  }
  ShowWindow(g_sink.window, SW_SHOWNORMAL);
  UpdateWindow(g_sink.window);
  TakeFocus(g_sink.window);

  Header& header = g_sink.log->header;
  header.sinkWindow = reinterpret_cast<LONG_PTR>(g_sink.window);
  InterlockedExchange(&header.sinkReady, 1);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace
}  // namespace keysink

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return keysink::Run(__argc, __argv); }
