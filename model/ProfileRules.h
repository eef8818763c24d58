#pragma once
#include <string>
#include <vector>

namespace tarvel {

// One rule of the per-program configurations: when the program in front has this file name
// (and, if the rule has one, its window this title), Tarvel uses this file.
struct ProfileRule {
  std::string program;  // "racing.exe"; * and ? stand for any letters and one letter
  std::string title;    // empty: any title
  std::string path;     // the .tvm file, UTF-8
};

constexpr int kMaxProfileRules = 128;
constexpr char kProfileRuleSeparator = '|';

// What is kept in the settings' section "Profiles".
struct ProfileSettings {
  bool enabled = true;
  std::vector<ProfileRule> rules;  // in order; the first that matches wins
  std::string otherwise;           // empty: keep the current configuration
  // The values that could not be read (and were skipped), as "Rule3: <why>".
  std::vector<std::string> problems;
};

// Names of the section and its values.
constexpr const char* kProfilesSection = "Profiles";
constexpr const char* kProfilesEnabledKey = "Enabled";
constexpr const char* kProfilesCountKey = "Count";
constexpr const char* kProfilesOtherwiseKey = "Otherwise";
// "Rule1" for index 0.
std::string ProfileRuleKey(int index);

// Whether text matches pattern, where * matches any run of letters (also none) and ? any one
// letter, without regard to the case of ASCII letters. Bytes beyond ASCII (UTF-8) match
// themselves only.
bool WildcardMatch(const char* pattern, const char* text);

// The index of the first rule that the program (a file name, no folder) and its window's title
// match, or -1.
int FindProfileRule(const std::vector<ProfileRule>& rules, const char* program, const char* title);

// "<program>|<title pattern>|<file path>". The program and the path must not be empty and no
// part may hold a line break; the path is everything after the second separator, so it may hold
// the separator itself. False, with why, when the text is not a rule.
bool ParseProfileRule(const std::string& text, ProfileRule* rule, std::string* why);
// Empty when the rule cannot be written so that it reads back as it is.
std::string FormatProfileRule(const ProfileRule& rule);
// Why a rule as the user typed it cannot be kept; empty when it can.
std::string CheckProfileRule(const ProfileRule& rule);

// The settings as they are read, by key; false when there is no such value.
class ProfileSettingsSource {
 public:
  virtual bool ReadInt(const char* key, int* value) = 0;
  virtual bool ReadText(const char* key, std::string* value) = 0;

 protected:
  ~ProfileSettingsSource() = default;
};

class ProfileSettingsSink {
 public:
  virtual void WriteInt(const char* key, int value) = 0;
  virtual void WriteText(const char* key, const std::string& value) = 0;

 protected:
  ~ProfileSettingsSink() = default;
};

// Reads the section: a rule that cannot be read is skipped and named in problems; a count past
// kMaxProfileRules reads the first kMaxProfileRules and says so.
ProfileSettings ReadProfileSettings(ProfileSettingsSource& source);
// Writes every value; rules beyond the new count are left for the count to hide.
void WriteProfileSettings(const ProfileSettings& settings, ProfileSettingsSink& sink);

}  // namespace tarvel
