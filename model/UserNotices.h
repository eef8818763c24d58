#pragma once

namespace tarvel {

// Tells the user something without asking anything and without taking the focus: the status
// bar's message, and a balloon of the tray icon.
class UserNotices {
 public:
  // Stays until the next text; empty: the status bar's usual text again.
  virtual void ShowStatusText(const char* text) = 0;
  virtual void ShowTrayBalloon(const char* text) = 0;

 protected:
  ~UserNotices() = default;
};

}  // namespace tarvel
