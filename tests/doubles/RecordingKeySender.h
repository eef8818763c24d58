#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "model/KeySender.h"
#include "tests/doubles/EventLog.h"

namespace tarvel::test {

// Text forms of what a KeySender was asked to deliver, for comparing whole sequences.
inline std::string KeyEventText(uint8_t virtualKey, uint8_t scanCode, bool keyUp) {
  char text[64];
  std::snprintf(text, sizeof text, "event %02X sc %02X %s", virtualKey, scanCode,
                keyUp ? "up" : "down");
  return text;
}
inline std::string KeyMessageText(WindowHandle window, bool keyUp, uint8_t virtualKey) {
  char text[64];
  std::snprintf(text, sizeof text, "message %p %s %02X", window, keyUp ? "WM_KEYUP" : "WM_KEYDOWN",
                virtualKey);
  return text;
}

// A character as itself when it is printable ASCII, else as U+XXXX.
inline std::string CharText(char16_t unit) {
  char text[16];
  if (unit > 0x20 && unit < 0x7F)
    std::snprintf(text, sizeof text, "%c", static_cast<char>(unit));
  else
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(unit));
  return text;
}

// Records every key event and key message in one ordered list; finds windows by class from a
// table that the test fills.
class RecordingKeySender final : public KeySender {
 public:
  void InjectKey(uint8_t virtualKey, uint8_t scanCode, bool keyUp) override {
    sent.push_back(KeyEventText(virtualKey, scanCode, keyUp));
    LogTo(log, sent.back());
  }
  Delivery InjectKeys(const KeyEvent* events, int count) override {
    batches.push_back(count);
    KeySender::InjectKeys(events, count);
    return injectResult;
  }
  WindowHandle FindTopLevelWindow(const char* className) override {
    lookups.push_back(className == nullptr ? std::string("<null>") : std::string(className));
    LogTo(log, "find " + lookups.back());
    auto it = windows.find(lookups.back());
    return it == windows.end() ? nullptr : it->second;
  }
  Delivery SendKeyMessage(WindowHandle window, bool keyUp, uint8_t virtualKey) override {
    sent.push_back(KeyMessageText(window, keyUp, virtualKey));
    LogTo(log, sent.back());
    return messageResult;
  }

  Delivery InjectText(const char16_t* units, int count) override {
    batches.push_back(count);
    std::string text = "text ";
    for (int i = 0; i < count; ++i) text += CharText(units[i]);
    sent.push_back(text);
    LogTo(log, sent.back());
    return injectResult;
  }
  Delivery SendCharMessage(WindowHandle window, char16_t unit) override {
    char text[64];
    std::snprintf(text, sizeof text, "message %p WM_CHAR %s", window, CharText(unit).c_str());
    sent.push_back(text);
    LogTo(log, sent.back());
    return messageResult;
  }

  void AddWindow(const std::string& className, WindowHandle window) { windows[className] = window; }
  void Clear() {
    sent.clear();
    lookups.clear();
    batches.clear();
  }

  std::vector<std::string> sent;     // key events and key messages, in order
  std::vector<std::string> lookups;  // class names looked up, in order
  std::vector<int> batches;          // events per InjectKeys call: one call per keystroke
  std::map<std::string, WindowHandle> windows;
  EventLog* log = nullptr;
  // What every InjectKeys call and every key message answers: delivered unless a test says not.
  Delivery injectResult;
  Delivery messageResult;
};

}  // namespace tarvel::test
