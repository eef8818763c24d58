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

inline const char* MouseButtonText(MouseButton button) {
  static const char* const kNames[] = {"Left", "Right", "Middle", "Back", "Forward"};
  return kNames[static_cast<int>(button)];
}
// "button Left down", "wheel 0 120", "move 3 -2"; a key as KeyEventText.
inline std::string InputEventText(const InputEvent& e) {
  char text[64];
  switch (e.kind) {
    case InputEvent::Kind::Key:
      return KeyEventText(e.key.virtualKey, e.key.scanCode, e.key.keyUp);
    case InputEvent::Kind::Button:
      std::snprintf(text, sizeof text, "button %s %s", MouseButtonText(e.button),
                    e.buttonUp ? "up" : "down");
      break;
    case InputEvent::Kind::Wheel:
      std::snprintf(text, sizeof text, "wheel %d %d", static_cast<int>(e.dx),
                    static_cast<int>(e.dy));
      break;
    case InputEvent::Kind::Move:
      std::snprintf(text, sizeof text, "move %d %d", static_cast<int>(e.dx),
                    static_cast<int>(e.dy));
      break;
  }
  return text;
}
// "message 0x.. down Left 0009 at 10,20", "message 0x.. wheel 120 0008 at 110,220".
inline std::string MouseMessageText(WindowHandle window, const MouseMessage& m) {
  static const char* const kKinds[] = {"down", "up", "wheel", "hwheel"};
  char text[96];
  const bool wheel =
      m.kind == MouseMessage::Kind::Wheel || m.kind == MouseMessage::Kind::HorizontalWheel;
  std::snprintf(text, sizeof text, "message %p %s %s %04X at %d,%d", window,
                kKinds[static_cast<int>(m.kind)],
                wheel ? std::to_string(m.wheelDelta).c_str() : MouseButtonText(m.button),
                unsigned{m.keyFlags}, static_cast<int>(m.x), static_cast<int>(m.y));
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

  Delivery InjectInput(const InputEvent* events, int count) override {
    batches.push_back(count);
    for (int i = 0; i < count; ++i) {
      sent.push_back(InputEventText(events[i]));
      LogTo(log, sent.back());
      if (events[i].kind == InputEvent::Kind::Move) {
        cursorX += events[i].dx;
        cursorY += events[i].dy;
      }
    }
    return injectResult;
  }
  bool CursorPosition(int32_t* x, int32_t* y) override {
    *x = cursorX;
    *y = cursorY;
    return true;
  }
  bool ClientArea(WindowHandle window, ScreenRect* area) override {
    auto it = areas.find(window);
    if (it == areas.end()) return false;
    *area = it->second;
    return true;
  }
  Delivery SendMouseMessage(WindowHandle window, const MouseMessage& message) override {
    sent.push_back(MouseMessageText(window, message));
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
  std::map<WindowHandle, ScreenRect> areas;  // client areas, in screen coordinates
  int32_t cursorX = 0;                       // the pointer, moved by the moves sent
  int32_t cursorY = 0;
  EventLog* log = nullptr;
  // What every InjectKeys or InjectInput call and every key or mouse message answers: delivered
  // unless a test says not.
  Delivery injectResult;
  Delivery messageResult;
};

}  // namespace tarvel::test
