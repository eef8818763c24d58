#pragma once
#include <string>

namespace tarvel {

// The window in front, as the per-program configurations see it.
struct ForegroundWindow {
  enum class Kind {
    Unknown,  // its process could not be read: no switch
    Ignored,  // Tarvel's own windows, the desktop, the taskbar: never a switch
    Program,  // a program with its file name
  };
  Kind kind = Kind::Unknown;
  std::string program;  // file name without folder, UTF-8: "racing.exe"
  std::string title;    // the window's title, UTF-8

  bool operator==(const ForegroundWindow&) const = default;
};

// Told when the window in front may have changed (another window came to the front, or the
// title of the one in front changed).
class ForegroundListener {
 public:
  virtual void OnForegroundChanged() = 0;

 protected:
  ~ForegroundListener() = default;
};

// The platform's view of the window in front: Windows' event hooks, a test's script.
class ForegroundWatch {
 public:
  // Starts telling listener of changes of the window in front and, with titles, of its title;
  // false when the platform cannot (then only the program's own once-a-second look at Current
  // finds them). A second Start replaces the first.
  virtual bool Start(ForegroundListener* listener, bool titles) = 0;
  virtual void Stop() = 0;
  virtual ForegroundWindow Current() = 0;
  // Cheap enough for every tick: another window is in front than at the latest Current. Where
  // the events do not come, this finds a change of window within a tick; a title is only seen
  // again by Current.
  virtual bool WindowChanged() = 0;

 protected:
  ~ForegroundWatch() = default;
};

}  // namespace tarvel
