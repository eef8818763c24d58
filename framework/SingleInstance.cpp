#include "framework/SingleInstance.h"

#include "framework/CommandLine.h"
#include "model/FileOps.h"

namespace tarvel::fw {

namespace {

// Marks a WM_COPYDATA as a command line of a later start, in UTF-8.
constexpr ULONG_PTR kHandOverId = 0x54564C31;  // "TVL1"
// More than any command line that Windows passes (32767 characters).
constexpr DWORD kMaxHandOverBytes = 65536;
constexpr DWORD kRetryMs = 50;

bool SendHandOver(HWND window, const std::string& commandLine, DWORD timeoutMs) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  // The running copy may bring its window forward only with the foreground right that this
  // start, which the user just made, holds.
  AllowSetForegroundWindow(process);
  COPYDATASTRUCT data = {};
  data.dwData = kHandOverId;
  data.cbData = static_cast<DWORD>(commandLine.size() + 1);
  data.lpData = const_cast<char*>(commandLine.c_str());
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, timeoutMs, &result) != 0 &&
         result != 0;
}

}  // namespace

SingleInstance::SingleInstance(const char* name) {
  const std::string fullName = std::string("Local\\") + name;
  mutex_ = CreateMutexA(nullptr, TRUE, fullName.c_str());
  const DWORD error = GetLastError();
  owned_ = mutex_ != nullptr && error != ERROR_ALREADY_EXISTS;
  // A copy that runs as administrator holds a mutex that this one may not open: it runs all
  // the same.
  othersMutexDenied_ = mutex_ == nullptr && error == ERROR_ACCESS_DENIED;
}

SingleInstance::~SingleInstance() {
  if (mutex_ == nullptr) return;
  if (owned_) ReleaseMutex(mutex_);
  CloseHandle(mutex_);
}

SingleInstance::Outcome SingleInstance::ClaimOrHandOver(const char* windowClass,
                                                        const std::string& commandLine,
                                                        DWORD timeoutMs) {
  // Without a mutex (the system refused one) nothing can be shared: run on our own.
  if (owned_ || (mutex_ == nullptr && !othersMutexDenied_)) return Outcome::First;
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    // The running copy may still be starting (no window yet) or ending (window gone): either
    // its window comes, or its mutex becomes ours.
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
    if (HWND window = FindWindowA(windowClass, nullptr);
        window != nullptr && SendHandOver(window, commandLine, left > 0 ? left : 1))
      return Outcome::HandedOver;
    const DWORD wait = left < kRetryMs ? left : kRetryMs;
    const DWORD waited = mutex_ != nullptr ? WaitForSingleObject(mutex_, wait) : WAIT_TIMEOUT;
    if (mutex_ == nullptr) Sleep(wait);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      owned_ = true;
      return Outcome::First;
    }
    if (GetTickCount64() >= end) return Outcome::NoAnswer;
  }
}

bool SingleInstance::ReadHandOver(LPARAM copyData, std::string* commandLine) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(copyData);
  if (data == nullptr || data->dwData != kHandOverId || data->cbData > kMaxHandOverBytes ||
      (data->cbData > 0 && data->lpData == nullptr))
    return false;
  // The sender's text ends at its first zero, or at the end of the data if it has none.
  const char* text = static_cast<const char*>(data->lpData);
  size_t length = 0;
  while (length < data->cbData && text[length] != '\0') ++length;
  commandLine->assign(text, length);
  return true;
}

std::string CommandLineForHandOver(const char* arguments) {
  const CommandLineInfo info = CommandLineInfo::Parse(arguments);
  if (info.shellCommand != CommandLineInfo::ShellCommand::FileOpen) return std::string();
  wchar_t full[MAX_PATH];
  const DWORD length =
      GetFullPathNameW(WideText(info.fileName.c_str()).c_str(), MAX_PATH, full, nullptr);
  const std::string path = length > 0 && length < MAX_PATH ? Utf8Text(full) : info.fileName;
  return "\"" + path + "\"";
}

}  // namespace tarvel::fw
