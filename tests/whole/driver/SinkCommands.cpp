// Commands for the key sink: read its log, make it take the focus or hang, and send it keys
// directly (for testing the sink itself).
#include <cstdio>
#include <string>

#include "Driver.h"
#include "common/Processes.h"
#include "keysink/KeySinkLog.h"

namespace tarveldrive {
namespace {

using keysink::KeySinkLog;

constexpr DWORD kSinkAnswerMs = 5000;

// The log of a running sink: null (with the reason) when there is none.
KeySinkLog* RunningSink(Context& context) {
  KeySinkLog* log = context.Sink();
  if (log == nullptr) return nullptr;
  const keysink::Header& header = log->header;
  if (!keysink::SinkRunning(header)) {
    std::fprintf(stderr, "tarveldrive: no key sink is running on %s\n", keysink::LogName().c_str());
    return nullptr;
  }
  return log;
}

int WaitSink(Context& context) {
  DWORD timeoutMs;
  if (!ParseTimeout(context.args[0], &timeoutMs)) return kUsage;
  // The log may not exist yet when neither init nor a sink has made it: wait for it too.
  KeySinkLog* log = nullptr;
  const bool ready = WaitUntil(timeoutMs, [&] {
    if (log == nullptr) log = context.Sink(/*quiet=*/true);
    return log != nullptr && keysink::SinkRunning(log->header);
  });
  if (ready) return kOk;
  std::fprintf(stderr, "tarveldrive: no key sink after %lu ms\n", timeoutMs);
  return kNotMet;
}

int Keys(Context& context) {
  KeySinkLog* log = context.Sink();
  if (log == nullptr) return kNoShared;
  bool detailed = false;
  long long from = 0;
  for (size_t i = 0; i < context.args.size(); ++i) {
    if (context.args[i] == "--long") {
      detailed = true;
    } else if (context.args[i] == "--from" && i + 1 < context.args.size() &&
               ParseNumber(context.args[i + 1], &from) && from >= 0) {
      ++i;
    } else {
      std::fprintf(stderr, "usage: tarveldrive keys [--long] [--from N]\n");
      return kUsage;
    }
  }
  const LONG count = log->header.count;
  for (long long i = from; i < count && i < keysink::kCapacity; ++i) {
    const keysink::KeyEvent& event = log->events[i];
    std::printf("%s %s %s", keysink::MessageName(event.message).c_str(),
                Hex(event.wParam, 2).c_str(),
                Hex(static_cast<unsigned long long>(event.lParam) & 0xFFFFFFFFull).c_str());
    if (detailed) {
      std::printf(" %s mods=%u time=%ld qpc=%lld",
                  (event.flags & keysink::kSent) ? "sent" : "queued",
                  static_cast<unsigned>(event.modifiers), static_cast<long>(event.messageTime),
                  static_cast<long long>(event.qpc));
    }
    std::printf("\n");
  }
  if (log->header.dropped != 0) {
    std::fprintf(stderr, "tarveldrive: the log was full; %ld key message(s) were dropped\n",
                 static_cast<long>(log->header.dropped));
  }
  return kOk;
}

int KeyCount(Context& context) {
  KeySinkLog* log = context.Sink();
  if (log == nullptr) return kNoShared;
  std::printf("%ld\n", static_cast<long>(log->header.count));
  return kOk;
}

int WaitKeys(Context& context) {
  KeySinkLog* log = context.Sink();
  long long wanted;
  DWORD timeoutMs;
  if (log == nullptr) return kNoShared;
  if (!ParseNumber(context.args[0], &wanted) || !ParseTimeout(context.args[1], &timeoutMs)) {
    return kUsage;
  }
  if (WaitUntil(timeoutMs, [&] { return log->header.count >= wanted; })) return kOk;
  std::fprintf(stderr, "tarveldrive: %ld key message(s) after %lu ms, wanted %lld\n",
               static_cast<long>(log->header.count), timeoutMs, wanted);
  return kNotMet;
}

int ClearKeys(Context& context) {
  KeySinkLog* log = context.Sink();
  DWORD timeoutMs = kSinkAnswerMs;
  if (log == nullptr) return kNoShared;
  if (!context.args.empty() && !ParseTimeout(context.args[0], &timeoutMs)) return kUsage;
  if (ClearKeyLog(log, timeoutMs)) return kOk;
  std::fprintf(stderr, "tarveldrive: the key sink did not clear its log (is it hung?)\n");
  return kNotMet;
}

int FocusSink(Context& context) {
  KeySinkLog* log = RunningSink(context);
  DWORD timeoutMs = kSinkAnswerMs;
  if (log == nullptr) return kNoShared;
  if (!context.args.empty() && !ParseTimeout(context.args[0], &timeoutMs)) return kUsage;
  keysink::Header& header = log->header;
  const LONG request = InterlockedIncrement(&header.focusRequest);
  // Answered, and the tick after it has looked at the outcome.
  const LONG ticks = header.ticks;
  if (!WaitUntil(timeoutMs,
                 [&] { return header.focusDone == request && header.ticks >= ticks + 2; })) {
    std::fprintf(stderr, "tarveldrive: the key sink did not answer (is it hung?)\n");
    return kNotMet;
  }
  const HWND window = reinterpret_cast<HWND>(header.sinkWindow);
  const bool foreground = GetForegroundWindow() == window || header.foreground;
  std::printf("foreground %d focused %ld\n", foreground ? 1 : 0, static_cast<long>(header.focused));
  return foreground ? kOk : kNotMet;
}

int HangOrFreeze(Context& context, bool freeze) {
  KeySinkLog* log = RunningSink(context);
  long long milliseconds;
  if (log == nullptr) return kNoShared;
  if (!ParseNumber(context.args[0], &milliseconds) || milliseconds < 0 || milliseconds > 600000) {
    std::fprintf(stderr, "tarveldrive: a hang lasts 0..600000 ms\n");
    return kUsage;
  }
  volatile LONG& field = freeze ? log->header.freezeMs : log->header.hangNextKeyMs;
  InterlockedExchange(&field, static_cast<LONG>(milliseconds));
  return kOk;
}

int HangSink(Context& context) { return HangOrFreeze(context, false); }
int FreezeSink(Context& context) { return HangOrFreeze(context, true); }

int QuitSink(Context& context) {
  KeySinkLog* log = context.Sink();
  DWORD timeoutMs = kSinkAnswerMs;
  if (log == nullptr) return kNoShared;
  if (!context.args.empty() && !ParseTimeout(context.args[0], &timeoutMs)) return kUsage;
  const DWORD pid = static_cast<DWORD>(log->header.sinkPid);
  InterlockedExchange(&log->header.quitRequest, 1);
  if (wholetest::WaitForProcessEnd(pid, timeoutMs)) return kOk;
  std::fprintf(stderr, "tarveldrive: the key sink (pid %lu) is still running\n", pid);
  return kNotMet;
}

bool ParseMessage(const std::string& text, UINT* message) {
  struct Named {
    const char* name;
    UINT message;
  };
  static const Named kNames[] = {
      {"keydown", WM_KEYDOWN},
      {"keyup", WM_KEYUP},
      {"syskeydown", WM_SYSKEYDOWN},
      {"syskeyup", WM_SYSKEYUP},
      {"char", WM_CHAR},
      {"WM_KEYDOWN", WM_KEYDOWN},
      {"WM_KEYUP", WM_KEYUP},
      {"WM_SYSKEYDOWN", WM_SYSKEYDOWN},
      {"WM_SYSKEYUP", WM_SYSKEYUP},
      {"WM_CHAR", WM_CHAR},
  };
  for (const Named& named : kNames) {
    if (text == named.name) {
      *message = named.message;
      return true;
    }
  }
  long long value;
  if (!ParseNumber(text, &value) || value < 0 || value > 0xFFFF) return false;
  *message = static_cast<UINT>(value);
  return true;
}

// MSG WPARAM [LPARAM] for the running sink's window.
int DeliverToSink(Context& context, bool send) {
  KeySinkLog* log = RunningSink(context);
  if (log == nullptr) return kNoShared;
  UINT message;
  long long wParam;
  long long lParam = 1;
  if (!ParseMessage(context.args[0], &message) || !ParseNumber(context.args[1], &wParam) ||
      (context.args.size() > 2 && !ParseNumber(context.args[2], &lParam))) {
    return kUsage;
  }
  const HWND window = reinterpret_cast<HWND>(log->header.sinkWindow);
  if (!send) {
    if (PostMessageA(window, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam))) {
      return kOk;
    }
    std::fprintf(stderr, "tarveldrive: PostMessage failed (error %lu)\n", GetLastError());
    return kNotMet;
  }
  const ULONGLONG start = GetTickCount64();
  SendMessageA(window, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
  std::printf("sent in %llu ms\n", GetTickCount64() - start);
  return kOk;
}

int PostSink(Context& context) { return DeliverToSink(context, false); }
int SendSink(Context& context) { return DeliverToSink(context, true); }

}  // namespace

const Command kSinkCommands[] = {
    {"wait-sink", 1, 1, "TIMEOUTMS  wait until a key sink runs", WaitSink},
    {"keys", 0, 3,
     "[--long] [--from N]  the key log, one message a line: NAME WPARAM LPARAM "
     "(--long adds sent|queued, modifiers, message time, QPC)",
     Keys},
    {"key-count", 0, 0, "number of key messages logged", KeyCount},
    {"wait-keys", 2, 2, "N TIMEOUTMS  wait until N key messages are logged", WaitKeys},
    {"clear-keys", 0, 1, "[TIMEOUTMS]  empty the key log", ClearKeys},
    {"focus-sink", 0, 1, "[TIMEOUTMS]  make the sink the foreground window (1: it is not)",
     FocusSink},
    {"hang-sink", 1, 1, "MS  the sink sleeps MS inside its next key message", HangSink},
    {"freeze-sink", 1, 1, "MS  the sink stops pumping messages for MS, at once", FreezeSink},
    {"quit-sink", 0, 1, "[TIMEOUTMS]  close the sink and wait for it", QuitSink},
    {"post-sink", 2, 3, "MSG WPARAM [LPARAM]  PostMessage to the sink (MSG keydown, char, ...)",
     PostSink},
    {"send-sink", 2, 3, "MSG WPARAM [LPARAM]  SendMessage to the sink; prints how long it took",
     SendSink},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace tarveldrive
