#include "model/ProfileRules.h"

#include <cstddef>

namespace tarvel {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::string ProfileRuleKey(int index) { return "Rule" + std::to_string(index + 1); }

bool WildcardMatch(const char* pattern, const char* text) {
  // Greedy with one point to come back to: the latest * takes one letter more each time the
  // rest fails, which is linear in practice and never recursive.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*text != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern != '\0' && (*pattern == '?' || Lower(*pattern) == Lower(*text))) {
      ++pattern;
      ++text;
    } else if (star != nullptr) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

int FindProfileRule(const std::vector<ProfileRule>& rules, const char* program, const char* title) {
  for (size_t i = 0; i < rules.size(); ++i) {
    const ProfileRule& rule = rules[i];
    if (!WildcardMatch(rule.program.c_str(), program)) continue;
    if (!rule.title.empty() && !WildcardMatch(rule.title.c_str(), title)) continue;
    return static_cast<int>(i);
  }
  return -1;
}

std::string CheckProfileRule(const ProfileRule& rule) {
  if (rule.program.empty()) return "no program";
  if (rule.path.empty()) return "no file";
  if (rule.program.find(kProfileRuleSeparator) != std::string::npos ||
      rule.title.find(kProfileRuleSeparator) != std::string::npos)
    return "a program or title with |";
  if (HasLineBreak(rule.program) || HasLineBreak(rule.title) || HasLineBreak(rule.path))
    return "a line break";
  return "";
}

bool ParseProfileRule(const std::string& text, ProfileRule* rule, std::string* why) {
  const size_t first = text.find(kProfileRuleSeparator);
  const size_t second =
      first == std::string::npos ? std::string::npos : text.find(kProfileRuleSeparator, first + 1);
  if (second == std::string::npos) {
    *why = "not <program>|<title>|<file>";
    return false;
  }
  ProfileRule read;
  read.program = text.substr(0, first);
  read.title = text.substr(first + 1, second - first - 1);
  read.path = text.substr(second + 1);
  const std::string problem = CheckProfileRule(read);
  if (!problem.empty()) {
    *why = problem;
    return false;
  }
  *rule = std::move(read);
  return true;
}

std::string FormatProfileRule(const ProfileRule& rule) {
  if (!CheckProfileRule(rule).empty()) return "";
  return rule.program + kProfileRuleSeparator + rule.title + kProfileRuleSeparator + rule.path;
}

ProfileSettings ReadProfileSettings(ProfileSettingsSource& source) {
  ProfileSettings settings;
  int enabled = 1;
  if (source.ReadInt(kProfilesEnabledKey, &enabled)) settings.enabled = enabled != 0;
  int count = 0;
  source.ReadInt(kProfilesCountKey, &count);
  if (count < 0) {
    settings.problems.push_back(std::string(kProfilesCountKey) + ": " + std::to_string(count) +
                                " is no number of rules");
    count = 0;
  }
  if (count > kMaxProfileRules) {
    settings.problems.push_back(std::string(kProfilesCountKey) + ": only the first " +
                                std::to_string(kMaxProfileRules) + " of " + std::to_string(count) +
                                " rules are read");
    count = kMaxProfileRules;
  }
  for (int i = 0; i < count; ++i) {
    const std::string key = ProfileRuleKey(i);
    std::string text;
    if (!source.ReadText(key.c_str(), &text)) {
      settings.problems.push_back(key + ": missing");
      continue;
    }
    ProfileRule rule;
    std::string why;
    if (!ParseProfileRule(text, &rule, &why)) {
      settings.problems.push_back(key + ": " + why);
      continue;
    }
    settings.rules.push_back(std::move(rule));
  }
  std::string otherwise;
  if (source.ReadText(kProfilesOtherwiseKey, &otherwise)) {
    if (HasLineBreak(otherwise))
      settings.problems.push_back(std::string(kProfilesOtherwiseKey) + ": a line break");
    else
      settings.otherwise = otherwise;
  }
  return settings;
}

void WriteProfileSettings(const ProfileSettings& settings, ProfileSettingsSink& sink) {
  sink.WriteInt(kProfilesEnabledKey, settings.enabled ? 1 : 0);
  int count = 0;
  for (const ProfileRule& rule : settings.rules) {
    if (count == kMaxProfileRules) break;
    const std::string text = FormatProfileRule(rule);
    if (text.empty()) continue;
    sink.WriteText(ProfileRuleKey(count).c_str(), text);
    ++count;
  }
  sink.WriteInt(kProfilesCountKey, count);
  sink.WriteText(kProfilesOtherwiseKey, settings.otherwise);
}

}  // namespace tarvel
