#pragma once
// Windows that record the key messages they receive, for the key sender's tests.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvel::test {

struct KeyMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const KeyMessage&) const = default;
};

// What one window received; filled by its window procedure, read by the test thread.
class KeyLog {
 public:
  void Add(const KeyMessage& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(message);
  }
  std::vector<KeyMessage> Messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }
  size_t Size() const { return Messages().size(); }

 private:
  mutable std::mutex mutex_;
  std::vector<KeyMessage> messages_;
};

inline LRESULT CALLBACK KeyTargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* log = reinterpret_cast<KeyLog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if ((message == WM_KEYDOWN || message == WM_KEYUP) && log != nullptr) {
    log->Add({message, wParam, lParam});
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Registers (once) a window class whose windows log WM_KEYDOWN and WM_KEYUP into the KeyLog given
// as the creation parameter.
inline void RegisterKeyTargetClass(const char* className) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = KeyTargetProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
}

inline HWND CreateKeyTarget(const char* className, KeyLog* log, bool visible = false) {
  RegisterKeyTargetClass(className);
  return CreateWindowExA(0, className, "key target",
                         WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 50, 50, 300, 200,
                         nullptr, nullptr, GetModuleHandleA(nullptr), log);
}

// A key target window owned by a thread of its own. Before it runs its message loop, the thread
// can be made to block for a while without reading messages, as a hung program does.
class ThreadedKeyTarget {
 public:
  ThreadedKeyTarget(const char* className, DWORD blockMs = 0)
      : drained_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, className, blockMs, ready] {
      threadId_ = GetCurrentThreadId();
      window_ = CreateKeyTarget(className, &log_);
      SetEvent(ready);
      if (blockMs > 0) {
        Sleep(blockMs);
        woke_ = true;
        // Everything sent while blocked is handled here, then the test may look.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      }
      SetEvent(drained_);
      MSG message;
      while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
  }
  ~ThreadedKeyTarget() {
    // The window goes first, then the thread's message loop.
    if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    CloseHandle(drained_);
  }

  HWND Window() const { return window_; }
  const KeyLog& Log() const { return log_; }
  // Whether the thread has stopped blocking.
  bool Woke() const { return woke_; }
  // Waits until the thread has handled what was sent while it blocked.
  bool WaitUntilDrained(DWORD timeoutMs) const {
    return WaitForSingleObject(drained_, timeoutMs) == WAIT_OBJECT_0;
  }

 private:
  KeyLog log_;
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
  std::atomic<bool> woke_{false};
  HANDLE drained_;
  std::thread thread_;
};

}  // namespace tarvel::test
