#include "model/ProfileSwitcher.h"

namespace tarvel {

namespace {

char Folded(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c == '/' ? '\\' : c;
}

}  // namespace

bool SameProfilePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i])) return false;
  return true;
}

void ProfileSwitcher::SetSettings(const ProfileSettings& settings) {
  settings_ = settings;
  seen_ = false;
  due_ = false;
}

void ProfileSwitcher::OnForeground(const ForegroundWindow& window, int64_t nowMs) {
  if (seen_ && window == last_) return;
  seen_ = true;
  last_ = window;
  // A window whose program is not known, and Tarvel's own, the desktop's and the taskbar's,
  // change nothing: not even a switch to the default that is under way.
  if (!settings_.enabled || window.kind != ForegroundWindow::Kind::Program) return;
  const int rule = FindProfileRule(settings_.rules, window.program.c_str(), window.title.c_str());
  if (rule >= 0) {
    due_ = true;
    dueAtMs_ = nowMs;
    duePath_ = settings_.rules[static_cast<size_t>(rule)].path;
    dueProgram_ = window.program;
    return;
  }
  if (settings_.otherwise.empty()) {
    due_ = false;
    return;
  }
  // The second away from a rule's program counts from the first window that no rule matched.
  const bool defaultUnderWay = due_ && dueProgram_.empty();
  if (defaultUnderWay) return;
  due_ = true;
  dueAtMs_ = nowMs + kBackToDefaultMs;
  duePath_ = settings_.otherwise;
  dueProgram_.clear();
}

ProfileSwitcher::Decision ProfileSwitcher::Next(int64_t nowMs, const std::string& currentPath,
                                                bool modified) {
  Decision decision;
  if (!due_ || !settings_.enabled || nowMs < dueAtMs_) return decision;
  decision.path = duePath_;
  decision.program = dueProgram_;
  if (SameProfilePath(duePath_, currentPath)) {
    due_ = false;
    decision.kind = Decision::Kind::Keep;
  } else if (modified) {
    decision.kind = Decision::Kind::Wait;
  } else {
    decision.kind = Decision::Kind::Load;
  }
  return decision;
}

void ProfileSwitcher::Loaded() { due_ = false; }

}  // namespace tarvel
