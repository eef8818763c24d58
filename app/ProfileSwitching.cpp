#include "app/ProfileSwitching.h"

#include <climits>

#include "app/TarvelApp.h"
#include "framework/DocTemplate.h"
#include "framework/ResourceText.h"
#include "framework/Settings.h"
#include "model/TarvelDoc.h"
#include "res/resource.h"

namespace tarvel {

namespace {

// A text that no setting holds: the value is not there.
constexpr const char* kAbsent = "\x01";

class StoreSource final : public ProfileSettingsSource {
 public:
  explicit StoreSource(fw::SettingsStore& store) : store_(store) {}
  bool ReadInt(const char* key, int* value) override {
    const int read = store_.GetInt(kProfilesSection, key, INT_MIN);
    if (read == INT_MIN) return false;
    *value = read;
    return true;
  }
  bool ReadText(const char* key, std::string* value) override {
    std::string read = store_.GetString(kProfilesSection, key, kAbsent);
    if (read == kAbsent) return false;
    *value = std::move(read);
    return true;
  }

 private:
  fw::SettingsStore& store_;
};

class StoreSink final : public ProfileSettingsSink {
 public:
  explicit StoreSink(fw::SettingsStore& store) : store_(store) {}
  void WriteInt(const char* key, int value) override {
    store_.WriteInt(kProfilesSection, key, value);
  }
  void WriteText(const char* key, const std::string& value) override {
    store_.WriteString(kProfilesSection, key, value.c_str());
  }

 private:
  fw::SettingsStore& store_;
};

int64_t NowMs() {
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  const LONGLONG f = frequency.QuadPart > 0 ? frequency.QuadPart : 1000;
  return static_cast<int64_t>(now.QuadPart / f * 1000 + now.QuadPart % f * 1000 / f);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool AnyTitleRule(const ProfileSettings& settings) {
  for (const ProfileRule& rule : settings.rules)
    if (!rule.title.empty()) return true;
  return false;
}

}  // namespace

ProfileSwitching::ProfileSwitching(CTarvelApp& app, ForegroundWatch* watch)
    : app_(app), watch_(watch) {}

ProfileSwitching::~ProfileSwitching() { Stop(); }

void ProfileSwitching::Stop() {
  if (watch_ != nullptr) watch_->Stop();
}

ProfileSettings ProfileSwitching::ReadSettings(fw::SettingsStore& store) {
  StoreSource source(store);
  return ReadProfileSettings(source);
}

void ProfileSwitching::WriteSettings(const ProfileSettings& settings, fw::SettingsStore& store) {
  StoreSink sink(store);
  WriteProfileSettings(settings, sink);
}

void ProfileSwitching::Reload(bool atStart) {
  ProfileSettings settings = ReadSettings(app_.Settings());
  // The switcher compares full paths with the open document's.
  for (ProfileRule& rule : settings.rules) rule.path = fw::FullPath(rule.path);
  if (!settings.otherwise.empty()) settings.otherwise = fw::FullPath(settings.otherwise);
  switcher_.SetSettings(settings);
  if (watch_ == nullptr) return;
  watch_->Stop();
  if (!Watching()) {
    // Switched off, or nothing to switch to: nothing is watched, nothing is due, and the open
    // file stands for no rule any more.
    looked_ = false;
    activePath_.clear();
    profileText_.clear();
    profileNote_.clear();
    waiting_ = false;
    Show();
    return;
  }
  watch_->Start(this, AnyTitleRule(settings));
  looked_ = false;
  if (atStart) {
    const int64_t now = NowMs();
    switcher_.OnForeground(watch_->Current(), now);
    switcher_.Settle();
    lastLookMs_ = now;
    looked_ = true;
  }
}

void ProfileSwitching::Look(int64_t nowMs) {
  if (watch_ == nullptr) return;
  lastLookMs_ = nowMs;
  looked_ = true;
  switcher_.OnForeground(watch_->Current(), nowMs);
}

void ProfileSwitching::OnForegroundChanged() {
  // Only noted here: the events come whenever the thread waits, also inside a key message sent
  // by the engine, where replacing the records would pull them from under it. The next tick
  // makes the switch.
  if (loading_) return;
  Look(NowMs());
}

bool ProfileSwitching::Watching() const {
  const ProfileSettings& settings = switcher_.Settings();
  return settings.enabled && (!settings.rules.empty() || !settings.otherwise.empty());
}

void ProfileSwitching::OnFrameTick(int64_t nowMs) {
  // The pass that Load runs comes here too, before the switch is complete.
  if (loading_ || !Watching()) return;
  // The events may not come (Wine does not send them): another window in front is found at the
  // next tick, and a look once a second finds what else changed (a title).
  if (!looked_ || nowMs - lastLookMs_ >= kLookPeriodMs ||
      (watch_ != nullptr && watch_->WindowChanged()))
    Look(nowMs);
  RunDue(nowMs);
  // A file opened by hand, a Save As or a new document: the profile no longer stands for it.
  if (!activePath_.empty() && !SameProfilePath(activePath_, app_.Document().GetPathName())) {
    activePath_.clear();
    profileText_.clear();
    profileNote_.clear();
    Show();
  }
}

bool ProfileSwitching::Busy() const {
  // A question or dialog of the program is open and may hold the records (the joysticks dialog,
  // the new-joystick question, the offer to save), or a key is being captured for a row.
  const HWND frame = app_.Frame().Handle();
  return frame == nullptr || !IsWindowEnabled(frame) || app_.Document().DiscoveryOpen() ||
         app_.CaptureOn() != 0;
}

void ProfileSwitching::RunDue(int64_t nowMs) {
  // A switch that waited may be due no more (another window came to the front since).
  if (!switcher_.SwitchDue()) SetWaiting(false);
  if (!switcher_.SwitchDue() || Busy()) return;
  CTarvelDoc& document = app_.Document();
  const ProfileSwitcher::Decision decision =
      switcher_.Next(nowMs, document.GetPathName(), document.IsModified());
  switch (decision.kind) {
    case ProfileSwitcher::Decision::Kind::None:
      return;
    case ProfileSwitcher::Decision::Kind::Wait:
      SetWaiting(true);
      return;
    case ProfileSwitcher::Decision::Kind::Keep:
      waiting_ = false;
      ShowProfile(decision.program);
      return;
    case ProfileSwitcher::Decision::Kind::Load:
      waiting_ = false;
      Load(decision);
      return;
  }
}

void ProfileSwitching::Load(const ProfileSwitcher::Decision& decision) {
  CTarvelDoc& document = app_.Document();
  // Nothing stays held across a switch, also when the new file cannot be read.
  document.ReleaseHeldKeys();
  const LoadResult result = PathTooLong(decision.path.c_str())
                                ? LoadResult::CannotOpen
                                : document.ReadConfigurationQuietly(decision.path.c_str());
  switcher_.Loaded();
  if (result != LoadResult::Loaded) {
    const std::string forWhom =
        decision.program.empty() ? std::string() : " for " + decision.program;
    app_.ShowTrayBalloon(
        fw::FormatString1(fw::LoadResourceString(IDS_PROFILE_CANNOT_OPEN,
                                                 "Cannot open the profile %1; the current "
                                                 "configuration stays."),
                          decision.path + forWhom)
            .c_str());
    // The wait, if there was one, is over: what is open now stays.
    Show();
    return;
  }
  document.SetModifiedFlag(false);
  document.SetPathName(decision.path);
  // The keys first: a pass now types what the new file maps to a held or fresh press, before
  // the rows and the caption are drawn again, which takes tens of milliseconds.
  loading_ = true;
  app_.Frame().PollJoysticks();
  loading_ = false;
  app_.DocTemplate()->InitialUpdateFrame();
  ShowProfile(decision.program);
}

void ProfileSwitching::ShowProfile(const std::string& program) {
  activePath_ = app_.Document().GetPathName();
  profileNote_ = program.empty() ? ", by default" : ", for " + program;
  profileText_ = FileNameOf(activePath_) + profileNote_;
  Show();
}

void ProfileSwitching::SetWaiting(bool waiting) {
  if (waiting == waiting_) return;
  waiting_ = waiting;
  Show();
}

void ProfileSwitching::Show() {
  const std::string shown =
      waiting_
          ? fw::LoadResourceString(IDS_PROFILE_WAITS, "Profile switching waits: unsaved changes")
          : profileText_;
  if (shown == status_) return;
  status_ = shown;
  app_.Frame().SetIdleMessage(status_);
  app_.DocTemplate()->SetTitleNote(profileNote_);
  app_.SetTrayTip(status_);
}

}  // namespace tarvel
