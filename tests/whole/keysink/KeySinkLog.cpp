#include "KeySinkLog.h"

#include <cstdio>

namespace keysink {

std::string LogName() { return wholetest::EnvironmentOr(kLogNameVariable, kDefaultLogName); }

bool StampHeader(KeySinkLog& log) {
  Header& header = log.header;
  if (header.magic == 0) {
    header.version = kVersion;
    header.size = sizeof(KeySinkLog);
    header.capacity = kCapacity;
    header.qpcFrequency = wholetest::QpcFrequency();
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&header.magic), kMagic);
  }
  return header.magic == kMagic && header.version == kVersion &&
         header.size == sizeof(KeySinkLog) && header.capacity == kCapacity;
}

KeySinkLog* AttachLog(wholetest::SharedMapping& mapping, const std::string& name, bool create,
                      std::string* error) {
  if (!mapping.Open(name, sizeof(KeySinkLog), create)) {
    if (error != nullptr) {
      char text[700];
      std::snprintf(text, sizeof(text), "cannot %s key sink log %s (error %lu)%s",
                    create ? "create" : "open", wholetest::SharedFilePath(name).c_str(),
                    GetLastError(), create ? "" : ": start keysink or run tarveldrive init first");
      *error = text;
    }
    return nullptr;
  }
  auto* log = static_cast<KeySinkLog*>(mapping.data());
  if (!StampHeader(*log)) {
    if (error != nullptr) {
      *error = "key sink log " + wholetest::SharedFilePath(name) +
               " has another layout (tarveldrive init starts it afresh)";
    }
    mapping.Close();
    return nullptr;
  }
  return log;
}

bool SinkRunning(const Header& header) {
  const HWND window = reinterpret_cast<HWND>(header.sinkWindow);
  if (!header.sinkReady || window == nullptr || !IsWindow(window)) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid != 0 && pid == static_cast<DWORD>(header.sinkPid);
}

std::string MessageName(uint32_t message) {
  switch (message) {
    case WM_KEYDOWN:
      return "WM_KEYDOWN";
    case WM_KEYUP:
      return "WM_KEYUP";
    case WM_SYSKEYDOWN:
      return "WM_SYSKEYDOWN";
    case WM_SYSKEYUP:
      return "WM_SYSKEYUP";
    case WM_CHAR:
      return "WM_CHAR";
    case WM_LBUTTONDOWN:
      return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP:
      return "WM_LBUTTONUP";
    case WM_RBUTTONDOWN:
      return "WM_RBUTTONDOWN";
    case WM_RBUTTONUP:
      return "WM_RBUTTONUP";
    case WM_MBUTTONDOWN:
      return "WM_MBUTTONDOWN";
    case WM_MBUTTONUP:
      return "WM_MBUTTONUP";
    case WM_XBUTTONDOWN:
      return "WM_XBUTTONDOWN";
    case WM_XBUTTONUP:
      return "WM_XBUTTONUP";
    case WM_MOUSEWHEEL:
      return "WM_MOUSEWHEEL";
    case WM_MOUSEHWHEEL:
      return "WM_MOUSEHWHEEL";
    default: {
      char text[16];
      std::snprintf(text, sizeof(text), "0x%04X", message);
      return text;
    }
  }
}

}  // namespace keysink
