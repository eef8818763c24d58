#pragma once
#include <cstdint>

#include "model/KeySender.h"

namespace tarvel {

// Keystrokes through SendInput, and key messages to a target window.
//
// Key messages are delivered synchronously and in order, but the program never hangs on a target
// that does not answer: a message waits at most kMessageTimeoutMs, and not at all for a window that
// the system already counts as hung. Once a message of a keystroke was not handled in time, that
// keystroke is given up: its remaining key-downs are not sent, and its key-ups go to the window
// without waiting (SendNotifyMessageA). A target that recovers therefore never gets a key without
// the modifiers that belong to it, and is not left with a key held down. The next keystroke waits
// again, at most once. A keystroke given up reports why, from the message that failed on, and a
// SendInput call that inserts fewer events than it was given reports how many it took.
class Win32KeySender final : public KeySender {
 public:
  static constexpr unsigned kMessageTimeoutMs = 1000;

  void InjectKey(uint8_t virtualKey, uint8_t scanCode, bool keyUp) override;
  // One SendInput call: every key with its scan code (the key's own where none is given) and
  // the extended flag on the extended keys.
  Delivery InjectKeys(const KeyEvent* events, int count) override;
  WindowHandle FindTopLevelWindow(const char* className) override;
  Delivery SendKeyMessage(WindowHandle window, bool keyUp, uint8_t virtualKey) override;
  // Keys as InjectKeys sends them; buttons, wheel turns and relative moves (MOUSEEVENTF_MOVE,
  // to which the pointer speed setting applies) in the same SendInput call.
  Delivery InjectInput(const InputEvent* events, int count) override;
  bool CursorPosition(int32_t* x, int32_t* y) override;
  bool ClientArea(WindowHandle window, ScreenRect* area) override;
  // WM_LBUTTONDOWN ... WM_XBUTTONUP, WM_MOUSEWHEEL, WM_MOUSEHWHEEL; waits as a key message does.
  Delivery SendMouseMessage(WindowHandle window, const MouseMessage& message) override;
  // One SendInput call of KEYEVENTF_UNICODE events; a line break is VK_RETURN.
  Delivery InjectText(const char16_t* units, int count) override;
  // Waits as a key message does; once a character was not handled in time, the rest of the text
  // is given up, until the next window lookup begins another output.
  Delivery SendCharMessage(WindowHandle window, char16_t unit) override;

 private:
  // The keystroke under way: its window, whether its key-ups have begun, and whether a message
  // of it was not handled in time.
  WindowHandle window_ = nullptr;
  bool sawKeyUp_ = false;
  bool timedOut_ = false;
  WindowHandle charWindow_ = nullptr;
  bool charTimedOut_ = false;
  Delivery charFailure_;  // why the rest of the text under way is given up
  Delivery failure_;      // why the keystroke under way was given up
};

}  // namespace tarvel
