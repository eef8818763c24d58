// Per-program configurations: rule matching, the "Profiles" settings' values, and when the
// switcher changes files as windows come to the front.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "model/ProfileRules.h"
#include "model/ProfileSwitcher.h"

namespace tarvel::test {
namespace {

TEST(ProfileRules, WildcardsMatchAnyLetterCase) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  };
  const Case cases[] = {
      {"racing.exe", "racing.exe", true},
      {"racing.exe", "RACING.EXE", true},
      {"RaCiNg.ExE", "racing.exe", true},
      {"racing.exe", "racing.ex", false},
      {"racing.exe", "racing.exe2", false},
      {"*.exe", "player.exe", true},
      {"*.exe", ".exe", true},
      {"*.exe", "player.ex", false},
      {"r?cing.exe", "racing.exe", true},
      {"r?cing.exe", "rcing.exe", false},
      {"*", "", true},
      {"", "", true},
      {"", "a", false},
      {"?", "", false},
      {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"**game**", "MyGame 2.exe", true},
      {"*Editor - *", "Doc - Editor - x", true},
      {"\xc3\xa9t\xc3\xa9.exe", "\xc3\xa9t\xc3\xa9.exe", true},
      {"\xc3\xa9t\xc3\xa9.exe", "\xc3\x89t\xc3\xa9.exe", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.text), c.match) << c.pattern << " / " << c.text;
}

TEST(ProfileRules, TheFirstMatchingRuleWinsAndAnEmptyTitleMatchesAny) {
  const std::vector<ProfileRule> rules = {
      {"player.exe", "*Podcast*", "podcast.tvm"},
      {"player.exe", "", "player.tvm"},
      {"*.exe", "Slides*", "slides.tvm"},
      {"r*.exe", "", "racing.tvm"},
  };
  struct Case {
    const char* program;
    const char* title;
    int rule;
  };
  const Case cases[] = {
      {"player.exe", "My podcast - Player", 0},
      {"PLAYER.EXE", "Music", 1},
      {"show.exe", "Slides 1", 2},
      {"racing.exe", "Slides", 2},
      {"racing.exe", "Race", 3},
      {"other.exe", "Race", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindProfileRule(rules, c.program, c.title), c.rule) << c.program << " " << c.title;
  EXPECT_EQ(FindProfileRule({}, "racing.exe", ""), -1);
}

TEST(ProfileRules, RuleValuesReadBackAsWrittenOrAreRefused) {
  struct Case {
    const char* text;
    bool ok;
    ProfileRule rule;
  };
  const Case cases[] = {
      {"racing.exe||C:\\Games\\racing.tvm", true, {"racing.exe", "", "C:\\Games\\racing.tvm"}},
      {"p*.exe|*Podcast*|D:\\a|b.tvm", true, {"p*.exe", "*Podcast*", "D:\\a|b.tvm"}},
      {"\xd0\xb8.exe||C:\\\xd0\x9f\\x.tvm", true, {"\xd0\xb8.exe", "", "C:\\\xd0\x9f\\x.tvm"}},
      {"", false, {}},
      {"racing.exe", false, {}},
      {"racing.exe|x", false, {}},
      {"|title|x.tvm", false, {}},
      {"racing.exe|title|", false, {}},
      {"racing.exe|ti\ntle|x.tvm", false, {}},
  };
  for (const Case& c : cases) {
    ProfileRule rule{"kept", "kept", "kept"};
    std::string why;
    ASSERT_EQ(ParseProfileRule(c.text, &rule, &why), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_FALSE(why.empty()) << c.text;
      EXPECT_EQ(rule.program, "kept") << "a refused value changes nothing";
      continue;
    }
    EXPECT_EQ(rule.program, c.rule.program);
    EXPECT_EQ(rule.title, c.rule.title);
    EXPECT_EQ(rule.path, c.rule.path);
    EXPECT_EQ(FormatProfileRule(rule), c.text);
  }
  EXPECT_EQ(FormatProfileRule({"a|b.exe", "", "x.tvm"}), "") << "would read back otherwise";
}

struct MemorySettings : ProfileSettingsSource, ProfileSettingsSink {
  std::map<std::string, int> ints;
  std::map<std::string, std::string> texts;
  bool ReadInt(const char* key, int* value) override {
    auto it = ints.find(key);
    if (it == ints.end()) return false;
    *value = it->second;
    return true;
  }
  bool ReadText(const char* key, std::string* value) override {
    auto it = texts.find(key);
    if (it == texts.end()) return false;
    *value = it->second;
    return true;
  }
  void WriteInt(const char* key, int value) override { ints[key] = value; }
  void WriteText(const char* key, const std::string& value) override { texts[key] = value; }
};

TEST(ProfileRules, SettingsSkipWhatCannotBeReadAndCountTheRest) {
  MemorySettings none;
  const ProfileSettings empty = ReadProfileSettings(none);
  EXPECT_TRUE(empty.enabled) << "switching is on unless it was turned off";
  EXPECT_TRUE(empty.rules.empty());
  EXPECT_TRUE(empty.problems.empty());

  MemorySettings store;
  store.ints = {{"Enabled", 0}, {"Count", 4}};
  store.texts = {{"Rule1", "a.exe||a.tvm"},
                 {"Rule2", "broken"},
                 {"Rule4", "d.exe|D*|d.tvm"},
                 {"Otherwise", "C:\\default.tvm"}};
  const ProfileSettings read = ReadProfileSettings(store);
  EXPECT_FALSE(read.enabled);
  ASSERT_EQ(read.rules.size(), 2u);
  EXPECT_EQ(read.rules[1].title, "D*");
  EXPECT_EQ(read.otherwise, "C:\\default.tvm");
  ASSERT_EQ(read.problems.size(), 2u);
  EXPECT_EQ(read.problems[0].rfind("Rule2: ", 0), 0u) << read.problems[0];
  EXPECT_EQ(read.problems[1], "Rule3: missing");

  // Written back, the skipped rules are gone and the rest are numbered without gaps.
  MemorySettings written;
  WriteProfileSettings(read, written);
  EXPECT_EQ(written.ints["Count"], 2);
  EXPECT_EQ(written.ints["Enabled"], 0);
  EXPECT_EQ(written.texts["Rule2"], "d.exe|D*|d.tvm");
  EXPECT_EQ(ReadProfileSettings(written).rules.size(), 2u);
  EXPECT_TRUE(ReadProfileSettings(written).problems.empty());
}

TEST(ProfileRules, CountsAtAndPastTheLimit) {
  for (int count : {-1, 0, 1, 16, 128, 129, 100000}) {
    MemorySettings store;
    store.ints["Count"] = count;
    for (int i = 0; i < 130; ++i)
      store.texts[ProfileRuleKey(i)] = "p" + std::to_string(i) + ".exe||f.tvm";
    const ProfileSettings read = ReadProfileSettings(store);
    const int expected = count < 0 ? 0 : count > kMaxProfileRules ? kMaxProfileRules : count;
    EXPECT_EQ(static_cast<int>(read.rules.size()), expected) << count;
    EXPECT_EQ(read.problems.size(), count < 0 || count > kMaxProfileRules ? 1u : 0u) << count;
    if (expected > 0) {
      EXPECT_EQ(read.rules.back().program, "p" + std::to_string(expected - 1) + ".exe");
    }
  }
}

ForegroundWindow Program(const char* program, const char* title = "") {
  return {ForegroundWindow::Kind::Program, program, title};
}

// Events for the switcher, one table row each: at a time, a window comes to the front (or the
// document changes), and what the switcher then decides.
TEST(ProfileSwitcher, SwitchesAtOnceToARuleAndAfterASecondToTheDefault) {
  using Kind = ProfileSwitcher::Decision::Kind;
  ProfileSettings settings;
  settings.rules = {{"racing.exe", "", "C:\\racing.tvm"},
                    {"player.exe", "*Podcast*", "C:\\podcast.tvm"},
                    {"p*.exe", "", "C:\\player.tvm"}};
  settings.otherwise = "C:\\default.tvm";
  const ForegroundWindow own{ForegroundWindow::Kind::Ignored, "", ""};
  const ForegroundWindow unknown{ForegroundWindow::Kind::Unknown, "", ""};
  struct Step {
    int64_t ms;
    const ForegroundWindow* window;  // null: no new window, only a look
    bool modified;
    Kind kind;
    const char* path;  // what is open afterwards
  };
  const ForegroundWindow racing = Program("RACING.exe");
  const ForegroundWindow other = Program("notepad.exe");
  const ForegroundWindow player = Program("player.exe", "Music");
  const ForegroundWindow podcast = Program("player.exe", "A Podcast");
  const Step steps[] = {
      {0, &own, false, Kind::None, "C:\\mine.tvm"},  // the user's file stays
      {10, &racing, false, Kind::Load, "C:\\racing.tvm"},
      {20, nullptr, false, Kind::None, "C:\\racing.tvm"},
      {30, &racing, false, Kind::None, "C:\\racing.tvm"},  // the same window again
      // A quick Alt+Tab to a program without a rule and back keeps the profile.
      {100, &other, false, Kind::None, "C:\\racing.tvm"},
      {1099, nullptr, false, Kind::None, "C:\\racing.tvm"},
      {1099, &racing, false, Kind::Keep, "C:\\racing.tvm"},
      {5000, nullptr, false, Kind::None, "C:\\racing.tvm"},
      // Away for a second: the default; Tarvel's own window and an unknown one change nothing.
      {6000, &other, false, Kind::None, "C:\\racing.tvm"},
      {6500, &own, false, Kind::None, "C:\\racing.tvm"},
      {6700, &unknown, false, Kind::None, "C:\\racing.tvm"},
      {7000, nullptr, false, Kind::Load, "C:\\default.tvm"},
      // A title rule, and the title changing under the same program.
      {8000, &player, false, Kind::Load, "C:\\player.tvm"},
      {8100, &podcast, false, Kind::Load, "C:\\podcast.tvm"},
      // Unsaved changes hold the switch until they are saved.
      {9000, &racing, true, Kind::Wait, "C:\\podcast.tvm"},
      {9500, nullptr, true, Kind::Wait, "C:\\podcast.tvm"},
      {9600, nullptr, false, Kind::Load, "C:\\racing.tvm"},
      {9700, nullptr, false, Kind::None, "C:\\racing.tvm"},
  };
  ProfileSwitcher switcher;
  switcher.SetSettings(settings);
  std::string open = "C:\\mine.tvm";
  for (const Step& step : steps) {
    if (step.window != nullptr) switcher.OnForeground(*step.window, step.ms);
    const ProfileSwitcher::Decision d = switcher.Next(step.ms, open, step.modified);
    if (d.kind == Kind::Load) {
      open = d.path;
      switcher.Loaded();
    }
    EXPECT_EQ(d.kind, step.kind) << "at " << step.ms;
    EXPECT_EQ(open, step.path) << "at " << step.ms;
    if (d.kind == Kind::Load && open == "C:\\racing.tvm") {
      EXPECT_EQ(d.program, "RACING.exe");
    }
  }
}

TEST(ProfileSwitcher, FailedLoadsTurnedOffAndNoDefault) {
  using Kind = ProfileSwitcher::Decision::Kind;
  ProfileSettings settings;
  settings.rules = {{"racing.exe", "", "C:\\broken.tvm"}};
  ProfileSwitcher switcher;
  switcher.SetSettings(settings);
  // A file that cannot be read is tried once; a look a second later tries nothing.
  switcher.OnForeground(Program("racing.exe"), 0);
  EXPECT_EQ(switcher.Next(0, "C:\\mine.tvm", false).kind, Kind::Load);
  switcher.Loaded();
  switcher.OnForeground(Program("racing.exe"), 1000);
  EXPECT_EQ(switcher.Next(1000, "C:\\mine.tvm", false).kind, Kind::None);
  // No default: a program without a rule keeps what is open, however long.
  switcher.OnForeground(Program("other.exe"), 2000);
  EXPECT_EQ(switcher.Next(60000, "C:\\mine.tvm", false).kind, Kind::None);
  // Coming back asks again.
  switcher.OnForeground(Program("racing.exe"), 61000);
  EXPECT_EQ(switcher.Next(61000, "c:/MINE.tvm", false).kind, Kind::Load);
  switcher.Loaded();

  settings.enabled = false;
  switcher.SetSettings(settings);
  switcher.OnForeground(Program("other.exe"), 62000);
  switcher.OnForeground(Program("racing.exe"), 63000);
  EXPECT_EQ(switcher.Next(63000, "C:\\mine.tvm", false).kind, Kind::None);
  EXPECT_TRUE(SameProfilePath("C:\\Games/A.tvm", "c:/games\\a.TVM"));
  EXPECT_FALSE(SameProfilePath("C:\\a.tvm", "C:\\a.tvm "));
}

}  // namespace
}  // namespace tarvel::test
