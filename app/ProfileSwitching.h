#pragma once
#include <cstdint>
#include <string>

#include "frame/MainFrame.h"
#include "model/ForegroundWatch.h"
#include "model/ProfileSwitcher.h"

namespace tarvel {

class CTarvelApp;
namespace fw {
class SettingsStore;
}

// Switches the configuration as programs come to the front, by the rules in the settings'
// section "Profiles": it hears the foreground watch and the main window's tick, asks the
// switcher what is due and loads the file as File > Open would, but without a question, without
// a message box and without adding it to the recent files. Keys held by the old configuration
// are let go first. The caption, the tray tip and the status bar say which profile is active
// and why ("racing.tvm, for racing.exe").
class ProfileSwitching final : public ForegroundListener, public FrameTickListener {
 public:
  // How often the window in front is looked at when no event has told of a change.
  static constexpr int64_t kLookPeriodMs = 1000;

  ProfileSwitching(CTarvelApp& app, ForegroundWatch* watch);
  ~ProfileSwitching();

  // Reads the rules from the settings and starts watching (at start and after the dialog).
  // atStart: the window in front now does not replace the file that start-up opened.
  void Reload(bool atStart);
  // The section "Profiles" of the settings, as it is stored.
  static ProfileSettings ReadSettings(fw::SettingsStore& store);
  static void WriteSettings(const ProfileSettings& settings, fw::SettingsStore& store);
  void Stop();
  const ProfileSettings& Settings() const { return switcher_.Settings(); }

  void OnForegroundChanged() override;
  void OnFrameTick(int64_t nowMs) override;

  // What the status bar says of the profile: "racing.tvm, for racing.exe", the wait for
  // unsaved changes, or nothing.
  const std::string& StatusText() const { return status_; }

 private:
  void Look(int64_t nowMs);
  void RunDue(int64_t nowMs);
  void Load(const ProfileSwitcher::Decision& decision);
  // The open file now stands for program's rule (for the default file: program is empty).
  void ShowProfile(const std::string& program);
  void SetWaiting(bool waiting);
  // The status bar's message, the caption and the tray tip, as they are now.
  void Show();
  bool Busy() const;
  // Switching is on and there is a file it could switch to.
  bool Watching() const;

  CTarvelApp& app_;
  ForegroundWatch* watch_;
  ProfileSwitcher switcher_;
  int64_t lastLookMs_ = 0;
  bool looked_ = false;
  std::string activePath_;   // the file a switch loaded, while it is the open one
  std::string profileText_;  // "racing.tvm, for racing.exe"
  std::string profileNote_;  // ", for racing.exe"
  std::string status_;       // what the status bar shows now
  bool waiting_ = false;
  bool loading_ = false;
};

}  // namespace tarvel
