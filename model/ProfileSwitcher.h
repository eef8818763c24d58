#pragma once
#include <cstdint>
#include <string>

#include "model/ForegroundWatch.h"
#include "model/ProfileRules.h"

namespace tarvel {

// When to change to which configuration as programs come to the front. A rule's file is due at
// once; the default file only once the window in front has matched no rule for a second, so
// that a quick Alt+Tab or a pop-up does not flip it. A due switch waits while the document has
// unsaved changes. The switcher only decides: the application loads the file and says how it
// went.
class ProfileSwitcher {
 public:
  static constexpr int64_t kBackToDefaultMs = 1000;

  struct Decision {
    enum class Kind {
      None,
      Wait,  // a switch is due, but the document has unsaved changes
      Load,  // load path; then report with Loaded
      Keep,  // the due file is the one open already: it now stands for the rule
    };
    Kind kind = Kind::None;
    std::string path;
    std::string program;  // the program the file is for; empty for the default file
  };

  // New rules (at start and after the dialog's OK): a switch that was due is forgotten, and the
  // window in front is looked at afresh at its next report.
  void SetSettings(const ProfileSettings& settings);
  const ProfileSettings& Settings() const { return settings_; }

  // The window in front as it is now; the same window again changes nothing.
  void OnForeground(const ForegroundWindow& window, int64_t nowMs);
  // What to do now, given the open file and whether it has unsaved changes.
  Decision Next(int64_t nowMs, const std::string& currentPath, bool modified);
  // The result of a Load: either way the switch is no longer due (a file that cannot be read
  // is not tried again until another window asks for it).
  void Loaded();
  // Nothing that is due now is done: the window in front when the program starts leaves the
  // file that the program opened (the command line's, the most recent).
  void Settle() { due_ = false; }

  bool SwitchDue() const { return due_; }

 private:
  ProfileSettings settings_;
  ForegroundWindow last_;
  bool seen_ = false;
  bool due_ = false;
  int64_t dueAtMs_ = 0;
  std::string duePath_;
  std::string dueProgram_;
};

// Paths name the same file when they are equal but for the case of ASCII letters and the
// kind of slash.
bool SameProfilePath(const std::string& a, const std::string& b);

}  // namespace tarvel
