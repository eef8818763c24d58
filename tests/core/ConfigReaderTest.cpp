// Reading configuration files: both versions, every rule for headers, counts and button lines,
// and what happens to malformed input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/core/ReaderSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvel::test {
namespace {

const Guid kA = TestGuid(1);
const Guid kB = TestGuid(2);
const Guid kC = TestGuid(3);
const Guid kD = TestGuid(4);

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// Text of n characters with commas, blanks and brackets in it.
std::string Busy(size_t n, char first = 'a') {
  std::string s;
  for (size_t i = 0; i < n; ++i)
    s += i % 5 == 2 ? ',' : i % 7 == 3 ? ' ' : static_cast<char>(first + i % 20);
  return s;
}

TEST(ConfigReader, Version2BlockIsReadFieldByField) {
  for (const char* end : {"\r\n", "\n"}) {
    SCOPED_TRACE(end[0] == '\r' ? "CR LF" : "LF");
    Reader r;
    const std::string file =
        Lines({"TVM2", Header(kA, "Gamepad X"), "NumberOfButtons = 3",
               "Button1 = 1,65,30,3,7,Notepad,4,Jump", "Button2 = 0,0,0,0,0,,0,",
               "Button3 = 1,112,59,0,0,,11,Open a menu"},
              end);

    EXPECT_EQ(r.Load(file), LoadResult::Loaded);

    ASSERT_EQ(r.doc.recordCount, 1);
    const DeviceRecord& rec = r.Record(0);
    EXPECT_STREQ(rec.name, "Gamepad X");
    EXPECT_TRUE(rec.instanceGuid == kA);
    EXPECT_TRUE(rec.productGuid == ProductOf(kA));
    EXPECT_EQ(rec.buttonCount, 3);
    EXPECT_EQ(rec.attachedIndex, -1);
    ExpectEntry(rec.buttons[0], 1, 65, 30, 3, "Notepad", "Jump");
    ExpectCleared(rec.buttons[1]);
    ExpectEntry(rec.buttons[2], 1, 112, 59, 0, "", "Open a menu");
    for (int i = 1; i < kMaxRecords; ++i) EXPECT_EQ(r.doc.records[i], nullptr);
    EXPECT_EQ(r.doc.fileVersion, 2);
    EXPECT_TRUE(r.observer.events.empty());
    EXPECT_EQ(r.prompts.wrongFormatShown, 0);
    EXPECT_TRUE(r.doc.OnOpenDocument(r.path.c_str()));
  }
}

TEST(ConfigReader, Version1BlockCarriesTheDescriptionAsTheRestOfTheLine) {
  const std::string longText = Busy(100);
  for (const char* end : {"\r\n", "\n"}) {
    SCOPED_TRACE(end[0] == '\r' ? "CR LF" : "LF");
    Reader r;
    const std::string file =
        Lines({"TVM1", Header(kA, "Old Pad"), "NumberOfButtons = 4",
               "Button1 = 1,65,30,2,Fire, then reload", "Button2 = 0,0,0,0,",
               "Button3 = 1,66,48,0," + longText, "Button4 = 1,67,46,4,7,Notepad,2,xy"},
              end);

    EXPECT_EQ(r.Load(file), LoadResult::Loaded);

    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_EQ(r.doc.fileVersion, 1);
    ExpectEntry(r.Entry(0, 0), 1, 65, 30, 2, "", "Fire, then reload");
    ExpectEntry(r.Entry(0, 1), 0, 0, 0, 0, "", "");
    ExpectEntry(r.Entry(0, 2), 1, 66, 48, 0, "", longText.substr(0, 63));
    // A version-2 line read as version 1: everything after the fourth comma is description.
    ExpectEntry(r.Entry(0, 3), 1, 67, 46, 4, "", "7,Notepad,2,xy");
  }
}

TEST(ConfigReader, ShortButtonLinesAreAcceptedOnlyInVersion1) {
  struct Case {
    const char* line;
    int assigned, virtualKey, scanCode, modifiers;  // as version 1 reads them
  };
  const Case cases[] = {
      {"Button1 = 1,65,30", 1, 65, 30, 0},
      {"Button1 = 1,65,30,2", 1, 65, 30, 2},
      {"Button1 = 1", 1, 0, 0, 0},
      {"Button1", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    for (char version : {'1', '2'}) {
      SCOPED_TRACE(std::string(c.line) + " in version " + version);
      Reader r;
      ASSERT_EQ(r.Load(Lines({std::string("TVM") + version, Header(kA, "P"), "NumberOfButtons = 1",
                              c.line})),
                LoadResult::Loaded);
      ASSERT_EQ(r.doc.recordCount, 1);
      if (version == '2')
        ExpectCleared(r.Entry(0, 0));
      else
        ExpectEntry(r.Entry(0, 0), c.assigned, c.virtualKey, c.scanCode, c.modifiers, "", "");
    }
  }
}

TEST(ConfigReader, Version1FieldsThatCannotBeReadKeepThePreviousLinesValues) {
  Reader r;
  ASSERT_EQ(
      r.Load(Lines({"TVM1", Header(kA, "P"), "NumberOfButtons = 4", "Button1 = 1,65,30,2,First",
                    "Button2 = 1,,,,Second", "Button3", "Button4 = 0"})),
      LoadResult::Loaded);
  ExpectEntry(r.Entry(0, 0), 1, 65, 30, 2, "", "First");
  ExpectEntry(r.Entry(0, 1), 1, 65, 30, 2, "", "Second");
  ExpectEntry(r.Entry(0, 2), 1, 65, 30, 2, "", "");
  ExpectEntry(r.Entry(0, 3), 0, 65, 30, 2, "", "");
  // A new block starts from a cleared entry.
  Reader next;
  ASSERT_EQ(
      next.Load(Lines(Join(
          {{"TVM1"}, Block(kA, "P", {"Button1 = 1,65,30,2,First"}), Block(kB, "Q", {"Button1"})}))),
      LoadResult::Loaded);
  ASSERT_EQ(next.doc.recordCount, 2);
  ExpectCleared(next.Entry(1, 0));
}

TEST(ConfigReader, Version2FieldsThatCannotBeReadStayZero) {
  struct Case {
    const char* line;
    int assigned, virtualKey, scanCode, modifiers;
  };
  const Case cases[] = {
      {"Button1 = 1,,,,0,,0,", 1, 0, 0, 0},
      {"Button1 = 1,x,5,5,0,,0,", 1, 0, 0, 0},  // reading stops at the first mismatch
      {"Button1 = 1,65,x,5,0,,0,", 1, 65, 0, 0},
      {"Button1 == 1,65,0,0,0,,0,", 0, 0, 0, 0},
      {"Button1 = ,65,1,1,0,,0,", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Reader r;
    ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, "P"), "NumberOfButtons = 2", c.line,
                            "Button2 = 1,66,0,0,0,,0,"})),
              LoadResult::Loaded);
    ExpectEntry(r.Entry(0, 0), c.assigned, c.virtualKey, c.scanCode, c.modifiers, "", "");
    ExpectEntry(r.Entry(0, 1), 1, 66, 0, 0, "", "");
  }
}

TEST(ConfigReader, NumbersAreReadInDecimalHexadecimalAndOctalAndKeepTheirLowByte) {
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {{"65", 65},   {"321", 65},  {"256", 0},   {"-1", 255},   {"255", 255},
                        {"0x41", 65}, {"0X41", 65}, {"0101", 65}, {"+65", 65},   {" 65", 65},
                        {"-191", 65}, {"9", 9},     {"0", 0},     {"0x1FF", 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Reader r;
    const std::string t = c.text;
    ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, "P"), "NumberOfButtons = 3",
                            "Button1 = 1," + t + ",0,0,0,,0,", "Button2 = 1,0," + t + ",0,0,,0,",
                            "Button3 = 1,0,0," + t + ",0,,0,"})),
              LoadResult::Loaded);
    EXPECT_EQ(r.Entry(0, 0).virtualKey, c.value);
    EXPECT_EQ(r.Entry(0, 1).scanCode, c.value);
    EXPECT_EQ(r.Entry(0, 2).modifiers, c.value);
  }
}

TEST(ConfigReader, ButtonNumbersAndBlanksFollowTheReadingPattern) {
  struct Case {
    const char* line;
    bool accepted;
  };
  const Case cases[] = {
      {"Button1 = 1,65,0,0,0,,0,", true},     {"Button0x1 = 1,65,0,0,0,,0,", true},
      {"Button01 = 1,65,0,0,0,,0,", true},    {"Button 1 = 1,65,0,0,0,,0,", true},
      {"Button+1 = 1,65,0,0,0,,0,", true},    {"Button1=1,65,0,0,0,,0,", true},
      {"Button1 \t=\t 1,65,0,0,0,,0,", true}, {"Button2 = 1,65,0,0,0,,0,", false},
      {"Button0 = 1,65,0,0,0,,0,", false},    {"ButtonX = 1,65,0,0,0,,0,", false},
      {"Button = 1,65,0,0,0,,0,", false},     {"button1 = 1,65,0,0,0,,0,", false},
      {" Button1 = 1,65,0,0,0,,0,", false},   {"BUTTON1 = 1,65,0,0,0,,0,", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Reader r;
    ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, "P"), "NumberOfButtons = 1", c.line})),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    if (c.accepted)
      ExpectEntry(r.Entry(0, 0), 1, 65, 0, 0, "", "");
    else
      ExpectCleared(r.Entry(0, 0));
  }
}

TEST(ConfigReader, ClassAndDescriptionFollowTheirLengths) {
  const std::string seventy = Busy(70);
  const std::string sixtyThreeA = Busy(63, 'A');
  const std::string sixtyThreeB = Busy(63, 'a');
  struct Case {
    std::string tail;  // after "Button1 = 1,65,30,2,"
    bool accepted;
    std::string windowClass;
    std::string description;
  };
  const Case cases[] = {
      {"7,a,b,c,d,5,x,y,z", true, "a,b,c,d", "x,y,z"},
      {"5,Notepad,0,", false, "", ""},  // the length does not end on a comma
      {"0,,0,", true, "", ""},
      {"5", false, "", ""},        // no comma after the class length
      {"3,abc,2", false, "", ""},  // no comma after the description length
      {"3,abc,2,xyz", true, "abc", "xy"},
      {"0,,10,Hello", true, "", "Hello"},  // the copy ends with the line
      {"70," + seventy + ",4,Tail", true, seventy.substr(0, 63), "Tail"},
      {"1000000,abc,0,", false, "", ""},
      {"50,short", false, "", ""},
      {" 3,abc,+2,xy", true, "abc", "xy"},
      {"63," + sixtyThreeA + ",63," + sixtyThreeB, true, sixtyThreeA, sixtyThreeB},
      {"3,abc,0,ignored", true, "abc", ""},
      {"3,a\tc,0,", true, "a\tc", ""},
      {"0,,80," + seventy + "0123456789", true, "", (seventy + "0123456789").substr(0, 63)},
  };
  for (const char* end : {"\r\n", "\n"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.tail + (end[0] == '\r' ? " (CR LF)" : " (LF)"));
      Reader r;
      ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, "P"), "NumberOfButtons = 2",
                              "Button1 = 1,65,30,2," + c.tail, "Button2 = 1,66,0,0,0,,0,"},
                             end)),
                LoadResult::Loaded);
      ASSERT_EQ(r.doc.recordCount, 1);
      if (c.accepted)
        ExpectEntry(r.Entry(0, 0), 1, 65, 30, 2, c.windowClass, c.description);
      else
        ExpectCleared(r.Entry(0, 0));
      ExpectEntry(r.Entry(0, 1), 1, 66, 0, 0, "", "");  // the next line is read all the same
    }
  }
}

TEST(ConfigReader, HostileButtonLinesNeverOverrunAField) {
  const std::string big = Repeat('z', 900);
  const std::vector<std::string> tails = {
      "-1,,0,",
      "-1,abc,-1,def",
      "-63," + big,
      "-1000,x,0,",
      "-2147483648,x,-2147483648,y",
      "2147483647,x,0,",
      "99999999999999999999,x,0,",
      "4294967296,x,4294967296," + big,
      "0,,-5," + big,
      "0,,2147483647," + big,
      ",,,,,,,,,,,,,,,,,,",
      "",
      big,
  };
  for (char version : {'1', '2'}) {
    for (const std::string& tail : tails) {
      SCOPED_TRACE(tail.substr(0, 40) + " in version " + version);
      Reader r;
      ASSERT_EQ(r.Load(Lines({std::string("TVM") + version, Header(kA, "P"), "NumberOfButtons = 2",
                              "Button1 = 1,65,30,2," + tail, "Button2 = 1,66,0,0,0,,0,"})),
                LoadResult::Loaded);
      ExpectFieldsTerminated(r.doc);
      ASSERT_EQ(r.doc.recordCount, 1);
      EXPECT_EQ(r.Entry(0, 1).virtualKey, 66);
    }
  }
}

TEST(ConfigReader, EachButtonLineMustCarryItsPosition) {
  Reader r;
  ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, "P"), "NumberOfButtons = 5",
                          "Button2 = 1,65,0,0,0,,0,", "Button2 = 1,66,0,0,0,,0,", "Hello", "",
                          "Button5 = 1,69,0,0,0,,0,", "Button4 = 1,68,0,0,0,,0,"})),
            LoadResult::Loaded);
  ASSERT_EQ(r.doc.recordCount, 1);
  EXPECT_EQ(r.Record(0).buttonCount, 5);
  ExpectCleared(r.Entry(0, 0));
  ExpectEntry(r.Entry(0, 1), 1, 66, 0, 0, "", "");
  ExpectCleared(r.Entry(0, 2));
  ExpectCleared(r.Entry(0, 3));  // a blank line uses up an entry too
  ExpectEntry(r.Entry(0, 4), 1, 69, 0, 0, "", "");
}

TEST(ConfigReader, AHeaderIsRecognisedByItsFifteenPositions) {
  const std::string good = Header(kA, "Pad");
  const int positions[] = {0, 1, 10, 15, 20, 25, 38, 39, 40, 49, 54, 59, 64, 77, 78};
  for (int pos : positions) {
    SCOPED_TRACE("position " + std::to_string(pos));
    std::string bad = good;
    bad[pos] = 'x';
    Reader r;
    ASSERT_EQ(r.Load(Lines({"TVM2", bad, "NumberOfButtons = 1", "Button1 = 1,65,0,0,0,,0,"})),
              LoadResult::Loaded);
    EXPECT_EQ(r.doc.recordCount, 0);
    // A line that opens like a header is reported as a lost block; any other is just skipped.
    EXPECT_EQ(r.observer.events,
              pos == 0 ? std::vector<std::string>{} : std::vector<std::string>{"dropped 2"});
  }
  {
    SCOPED_TRACE("the digits themselves are not tested");
    std::string odd = good;
    odd[2] = 'G';
    odd[50] = 'z';
    Reader r;
    ASSERT_EQ(r.Load(Lines({"TVM2", odd, "NumberOfButtons = 1", "Button1 = 1,65,0,0,0,,0,"})),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_STREQ(r.Record(0).name, "Pad");
    EXPECT_EQ(r.Entry(0, 0).virtualKey, 65);
  }
  {
    SCOPED_TRACE("the header must start the line");
    Reader r;
    ASSERT_EQ(
        r.Load(Lines({"TVM2", " " + good, "NumberOfButtons = 1", "Button1 = 1,65,0,0,0,,0,"})),
        LoadResult::Loaded);
    EXPECT_EQ(r.doc.recordCount, 0);
  }
}

TEST(ConfigReader, AHeaderWithoutClosingBracketDropsItsBlockOnly) {
  const std::string full = Header(kA, "x");
  struct Case {
    std::string line;
    bool isHeader;
  };
  const Case cases[] = {{full.substr(0, full.size() - 1), true},  // "...,x" without "]"
                        {full.substr(0, 79), true},               // ends right after the comma
                        {full.substr(0, 78), false}};             // position 78 is missing
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Reader r;
    ASSERT_EQ(
        r.Load(Lines(Join({{"TVM2", c.line, "NumberOfButtons = 1", "Button1 = 1,65,0,0,0,,0,"},
                           Block(kB, "Next", {V2Button(1, 1, 66, 0, 0)})}))),
        LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_STREQ(r.Record(0).name, "Next");
    EXPECT_EQ(r.Entry(0, 0).virtualKey, 66);
    // Either way the block is reported lost, for what it lacks.
    EXPECT_EQ(r.observer.events, std::vector<std::string>{"dropped 2"});
    ASSERT_EQ(r.observer.reasons.size(), 1u);
    EXPECT_EQ(r.observer.reasons[0], c.isHeader ? "no ']' after the device name"
                                                : "a device header without its marks in place");
  }
}

TEST(ConfigReader, NamesEndAtTheFirstBracketAndHoldAtMost511Characters) {
  struct Case {
    std::string inFile;
    std::string stored;
  };
  const Case cases[] = {{"Pad ]X", "Pad "},
                        {"", ""},
                        {"]", ""},
                        {"Joy]stick]", "Joy"},
                        {"Caf\xE9 Pad", "Caf\xE9 Pad"},
                        {"[nested", "[nested"},
                        {Repeat('n', 511), Repeat('n', 511)},
                        {Repeat('n', 512), Repeat('n', 511)},
                        {Repeat('n', 600), Repeat('n', 511)},
                        {Repeat('n', 900), Repeat('n', 511)}};
  for (const Case& c : cases) {
    SCOPED_TRACE("name of " + std::to_string(c.inFile.size()) + " characters");
    Reader r;
    ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, c.inFile), "NumberOfButtons = 1",
                            "Button1 = 1,65,0,0,0,,0,"})),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_EQ(std::string(r.Record(0).name), c.stored);
    EXPECT_EQ(r.Entry(0, 0).virtualKey, 65);
    ExpectFieldsTerminated(r.doc);
  }
}

TEST(ConfigReader, TheButtonCountLineDecidesTheBlock) {
  struct Case {
    const char* line;
    int count;  // 0: the block is dropped
  };
  const Case cases[] = {
      {"NumberOfButtons = 3", 3},
      {"NumberOfButtons=3", 3},
      {"NumberOfButtons   =   3", 3},
      {"NumberOfButtons = 0x3", 3},
      {"NumberOfButtons = 010", 8},
      {"NumberOfButtons = 128", 128},
      {"NumberOfButtons = 2", 2},
      {"NumberOfButtons = 1", 1},
      {"NumberOfButtons = 0", 0},
      {"NumberOfButtons = ", 0},
      {"NumberOfButtons", 0},
      {"NumberOfButtons = -1", 0},
      {"NumberOfButtons = 129", 0},
      {"NumberOfButtons = 1000", 0},
      {"NumberOfButtons = -2147483648", 0},
      {"NumberOfButtonsX = 3", 0},
      {"numberofbuttons = 3", 0},
      {"NumberOfButton = 3", 0},
      {"NumberOfButtons = x3", 0},
      {"", 0},
      {" NumberOfButtons = 3", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Reader r;
    ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, "P"), c.line, "Button1 = 1,65,0,0,0,,0,",
                            "Button2 = 1,66,0,0,0,,0,", "Button3 = 1,67,0,0,0,,0,"})),
              LoadResult::Loaded);
    if (c.count == 0) {
      EXPECT_EQ(r.doc.recordCount, 0);
      EXPECT_EQ(r.observer.events, std::vector<std::string>{"dropped 3"});
      continue;
    }
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_EQ(r.Record(0).buttonCount, c.count);
    for (int k = 0; k < c.count; ++k) {
      if (k < 3)
        EXPECT_EQ(r.Entry(0, k).virtualKey, 65 + k) << "entry " << k;
      else
        ExpectCleared(r.Entry(0, k));
    }
    ExpectFieldsTerminated(r.doc);
  }
}

TEST(ConfigReader, TheLinesOfADroppedBlockAreReadAsOrdinaryLines) {
  for (const char* count : {"NumberOfButtons = 129", "NumberOfButtons = -1", "NumberOfButtons = 0",
                            "NumberOfButtons = "}) {
    SCOPED_TRACE(count);
    Reader r;
    ASSERT_EQ(r.Load(Lines(Join({{"TVM2", Header(kA, "Dropped"), count, "Button1 = 1,65,0,0,0,,0,"},
                                 Block(kB, "Kept", {V2Button(1, 1, 66, 0, 0)})}))),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_STREQ(r.Record(0).name, "Kept");
    EXPECT_EQ(r.Entry(0, 0).virtualKey, 66);
  }
}

TEST(ConfigReader, AMissingCountLineSwallowsTheNextLine) {
  {
    SCOPED_TRACE("the next line is the next header");
    Reader r;
    ASSERT_EQ(r.Load(Lines(Join({{"TVM2", Header(kA, "A")},
                                 Block(kB, "B", {V2Button(1, 1, 66, 0, 0)}),
                                 Block(kC, "C", {V2Button(1, 1, 67, 0, 0)})}))),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_STREQ(r.Record(0).name, "C");
    EXPECT_EQ(r.observer.events, std::vector<std::string>{"dropped 3"});
  }
  {
    SCOPED_TRACE("the next line is blank");
    Reader r;
    ASSERT_EQ(r.Load(Lines(Join(
                  {{"TVM2", Header(kA, "A"), ""}, Block(kB, "B", {V2Button(1, 1, 66, 0, 0)})}))),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_STREQ(r.Record(0).name, "B");
  }
}

TEST(ConfigReader, ACountLargerThanItsLinesUsesUpWhatFollows) {
  {
    SCOPED_TRACE("the next block is used up");
    Reader r;
    ASSERT_EQ(r.Load(Lines(Join(
                  {{"TVM2", Header(kA, "A"), "NumberOfButtons = 3", "Button1 = 1,65,0,0,0,,0,"},
                   Block(kB, "B", {V2Button(1, 1, 66, 0, 0)})}))),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_STREQ(r.Record(0).name, "A");
    EXPECT_EQ(r.Record(0).buttonCount, 3);
    EXPECT_EQ(r.Entry(0, 0).virtualKey, 65);
    ExpectCleared(r.Entry(0, 1));
    ExpectCleared(r.Entry(0, 2));
  }
  {
    SCOPED_TRACE("the file ends first");
    Reader r;
    ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, "A"), "NumberOfButtons = 5",
                            "Button1 = 1,65,0,0,0,,0,", "Button2 = 1,66,0,0,0,,0,"})),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_EQ(r.Record(0).buttonCount, 5);
    EXPECT_EQ(r.Entry(0, 1).virtualKey, 66);
    for (int k = 2; k < 5; ++k) ExpectCleared(r.Entry(0, k));
  }
  {
    SCOPED_TRACE("the last line has no line end");
    Reader r;
    ASSERT_EQ(r.Load("TVM2\r\n" + Header(kA, "A") + "\r\nNumberOfButtons = 2\r\n" +
                     "Button1 = 1,65,0,0,0,,4,Last"),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    ExpectEntry(r.Entry(0, 0), 1, 65, 0, 0, "", "Last");
    ExpectCleared(r.Entry(0, 1));
  }
}

TEST(ConfigReader, LinesBetweenBlocksAreSkipped) {
  Reader r;
  ASSERT_EQ(r.Load(Lines(Join({{"TVM2", "", "; a comment"},
                               Block(kA, "A", {V2Button(1, 1, 65, 0, 0)}),
                               {"", "Button1 = 1,99,0,0,0,,0,", "NumberOfButtons = 3", "]"},
                               Block(kB, "B", {V2Button(1, 1, 66, 0, 0)}),
                               {"", ""}}))),
            LoadResult::Loaded);
  ASSERT_EQ(r.doc.recordCount, 2);
  EXPECT_STREQ(r.Record(0).name, "A");
  EXPECT_STREQ(r.Record(1).name, "B");
  EXPECT_EQ(r.Record(0).buttonCount, 1);
  EXPECT_EQ(r.Entry(1, 0).virtualKey, 66);
}

TEST(ConfigReader, BlocksAfterTheSixteenthArePassedOver) {
  Reader r;
  r.backend.AddController(TestGuid(16), "Sixteenth", 2);
  r.backend.AddController(TestGuid(17), "Seventeenth", 2);
  r.table.SetUpJoysticks(nullptr);
  std::vector<std::string> lines = {"TVM2"};
  for (uint32_t i = 1; i <= 18; ++i) {
    auto block = Block(TestGuid(i), "Block " + std::to_string(i),
                       {V2Button(1, 1, static_cast<int>(0x40 + i), 0, 0), V2Button(2, 0, 0, 0, 0)});
    lines.insert(lines.end(), block.begin(), block.end());
  }

  ASSERT_EQ(r.Load(Lines(lines)), LoadResult::Loaded);

  ASSERT_EQ(r.doc.recordCount, 16);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(std::string(r.Record(i).name), "Block " + std::to_string(i + 1));
    EXPECT_EQ(r.Entry(i, 0).virtualKey, 0x41 + i);
  }
  // Block i starts on line 2 + 4 (i - 1).
  EXPECT_EQ(r.observer.events, (std::vector<std::string>{"passed 66", "passed 70"}));
  EXPECT_EQ(r.table.slots[0].recordIndex, 15);
  EXPECT_EQ(r.Record(15).attachedIndex, 0);
  EXPECT_EQ(r.table.slots[1].recordIndex, -1);
}

TEST(ConfigReader, TheMagicLineSelectsTheVersionOrRefusesTheFile) {
  struct Case {
    std::string bytes;
    LoadResult result;
    int version;
  };
  const std::string block = Lines(Block(kC, "New", {V2Button(1, 1, 65, 0, 0)}));
  const Case cases[] = {
      {"", LoadResult::WrongFormat, 0},
      {"TVM", LoadResult::WrongFormat, 0},
      {"TVM\r\n" + block, LoadResult::WrongFormat, 0},
      {"TVM3\r\n" + block, LoadResult::WrongFormat, 0},
      {"TVM0\r\n" + block, LoadResult::WrongFormat, 0},
      {"tvm2\r\n" + block, LoadResult::WrongFormat, 0},
      {"Tvm2\r\n" + block, LoadResult::WrongFormat, 0},
      {"TV\r\n" + block, LoadResult::WrongFormat, 0},
      {" TVM2\r\n" + block, LoadResult::WrongFormat, 0},
      {"\r\nTVM2\r\n" + block, LoadResult::WrongFormat, 0},
      {std::string("\0\x01\x02garbage", 10), LoadResult::WrongFormat, 0},
      {"TVM2extra\r\n" + block, LoadResult::Loaded, 2},
      {"TVM21\r\n" + block, LoadResult::Loaded, 2},
      {"TVM1\r\n" + block, LoadResult::Loaded, 1},
      {"TVM2\n" + block, LoadResult::Loaded, 2},
      {"TVM2" + block, LoadResult::Loaded, 2},  // the header shares the magic line: ignored
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(index++));
    Reader r;
    DeviceRecord* old0 = AddRecord(r.doc, 3, kA, "Old A");
    DeviceRecord* old1 = AddRecord(r.doc, 2, kB, "Old B");
    r.table.count = 1;
    r.table.slots[0].recordIndex = 1;
    r.doc.records[1]->attachedIndex = 0;

    EXPECT_EQ(r.Load(c.bytes), c.result);

    if (c.result == LoadResult::WrongFormat) {
      EXPECT_EQ(r.prompts.wrongFormatShown, 1);
      ASSERT_EQ(r.doc.recordCount, 2);
      EXPECT_EQ(r.doc.records[0], old0);
      EXPECT_EQ(r.doc.records[1], old1);
      EXPECT_STREQ(r.doc.records[1]->name, "Old B");
      EXPECT_EQ(r.table.slots[0].recordIndex, 1);
      EXPECT_FALSE(r.doc.OnOpenDocument(r.path.c_str()));
      EXPECT_EQ(r.doc.recordCount, 2);
      continue;
    }
    EXPECT_EQ(r.prompts.wrongFormatShown, 0);
    EXPECT_EQ(r.doc.fileVersion, c.version);
    EXPECT_EQ(r.table.slots[0].recordIndex, -1);
    const bool headerOnMagicLine = c.bytes.compare(0, 5, "TVM2[") == 0;
    ASSERT_EQ(r.doc.recordCount, headerOnMagicLine ? 0 : 1);
    if (!headerOnMagicLine) {
      EXPECT_STREQ(r.Record(0).name, "New");
    }
  }
}

TEST(ConfigReader, AMagicLineAloneEmptiesTheDocument) {
  for (const char* bytes : {"TVM2\r\n", "TVM2", "TVM1\n"}) {
    SCOPED_TRACE(bytes);
    Reader r;
    AddRecord(r.doc, 3, kA);
    r.table.count = 1;
    Tie(r.doc, r.table, 0, 0);

    EXPECT_EQ(r.Load(bytes), LoadResult::Loaded);

    EXPECT_EQ(r.doc.recordCount, 0);
    for (DeviceRecord* rec : r.doc.records) EXPECT_EQ(rec, nullptr);
    EXPECT_EQ(r.table.slots[0].recordIndex, -1);
    EXPECT_EQ(r.prompts.wrongFormatShown, 0);
  }
}

// What is not a plain file is refused before a byte is read: reading a pipe with no writer, or a
// port, would wait for ever. (Should this break, the test waits too: its time limit ends it.)
TEST(ConfigReader, AFileThatCannotBeOpenedChangesNothingAndSaysNothing) {
  TempDir dir;
  std::vector<std::string> paths = {dir.File("missing.tvm"), dir.Path().string()};
#ifdef _WIN32
  paths.insert(paths.end(), {"NUL", "COM1", "aux.tvm", dir.File("con")});
  // A pipe whose server never writes.
  const std::string pipe =
      "\\\\.\\pipe\\tarvel-reader-test-" + std::to_string(GetCurrentProcessId());
  HANDLE server =
      CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 512, 512, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  paths.push_back(pipe);
#else
  alarm(30);
  paths.push_back(dir.File("fifo.tvm"));
  ASSERT_EQ(mkfifo(paths.back().c_str(), 0644), 0);
  paths.push_back("/dev/null");
  // A plain file that opens and then fails to read.
  if (std::filesystem::exists("/proc/self/mem")) paths.push_back("/proc/self/mem");
#endif
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    Reader r;
    DeviceRecord* old = AddRecord(r.doc, 3, kA, "Old");
    r.table.count = 1;
    Tie(r.doc, r.table, 0, 0);

    EXPECT_EQ(r.doc.ReadConfiguration(path.c_str(), &r.observer), LoadResult::CannotOpen);
    EXPECT_FALSE(r.doc.OnOpenDocument(path.c_str()));
    EXPECT_EQ(r.doc.LastOpenFailure(), Document::OpenFailure::CannotRead);

    EXPECT_EQ(r.prompts.wrongFormatShown, 0);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_EQ(r.doc.records[0], old);
    EXPECT_EQ(r.table.slots[0].recordIndex, 0);
    EXPECT_EQ(old->attachedIndex, 0);
  }
#ifdef _WIN32
  CloseHandle(server);
#else
  alarm(0);
#endif
}

// 16 MiB is the most a configuration can be; past that the file is said to be too large, not of
// the wrong format.
TEST(ConfigReader, AFileOver16MiBIsTooLargeAndChangesNothing) {
  const std::string block = Lines(Block(kB, "New", {V2Button(1, 1, 65, 30, 0)}));
  const std::string fits =
      "TVM2\r\n" + std::string((16u << 20) - block.size() - 8, ' ') + "\r\n" + block;
  ASSERT_EQ(fits.size(), 16u << 20);
  for (const std::string& bytes : {fits, fits + "\n"}) {
    const bool over = bytes.size() > fits.size();
    SCOPED_TRACE(over ? "one byte over" : "exactly 16 MiB");
    Reader r;
    DeviceRecord* old = AddRecord(r.doc, 3, kA, "Old");
    WriteBytes(r.path, bytes);

    EXPECT_EQ(r.doc.OnOpenDocument(r.path.c_str()), !over);

    EXPECT_EQ(r.prompts.tooLargeShown, over ? 1 : 0);
    EXPECT_EQ(r.prompts.wrongFormatShown, 0);
    ASSERT_EQ(r.doc.recordCount, 1);
    if (over) {
      EXPECT_EQ(r.doc.records[0], old);
      EXPECT_EQ(r.doc.LastOpenFailure(), Document::OpenFailure::Reported);
      EXPECT_EQ(r.doc.ReadConfiguration(r.path.c_str()), LoadResult::TooLarge);
    } else {
      EXPECT_STREQ(r.Record(0).name, "New");
      EXPECT_EQ(r.doc.LastOpenFailure(), Document::OpenFailure::None);
    }
  }
}

#if defined(__GLIBC__)
// A stream over `bytes` whose reads fail once `failAt` bytes have been delivered, as a file on a
// drive that goes away does.
struct FailingStream {
  std::string bytes;
  size_t failAt;
  size_t position = 0;

  static ssize_t Read(void* cookie, char* buffer, size_t size) {
    auto* self = static_cast<FailingStream*>(cookie);
    if (self->position >= self->bytes.size()) return 0;
    if (self->position >= self->failAt) {
      errno = EIO;
      return -1;
    }
    const size_t n = std::min(size, self->failAt - self->position);
    std::memcpy(buffer, self->bytes.data() + self->position, n);
    self->position += n;
    return static_cast<ssize_t>(n);
  }
  std::FILE* Open() {
    cookie_io_functions_t functions = {};
    functions.read = &FailingStream::Read;
    return fopencookie(this, "r", functions);
  }
};
#endif

TEST(ConfigReader, AFileThatFailsPartWayIsNotReadAndChangesNothing) {
#if defined(__GLIBC__)
  const std::string good = Lines(Join({{"TVM2"},
                                       Block(kB, "New", {V2Button(1, 1, 65, 30, 0)}),
                                       Block(kC, "Newer", {V2Button(1, 1, 66, 48, 0)})}));
  // Cut inside the magic line, at a block boundary, inside a button line, and one byte short.
  for (const size_t failAt : {size_t{2}, size_t{6}, good.size() / 2, good.size() - 1}) {
    SCOPED_TRACE("fails after " + std::to_string(failAt) + " bytes");
    Reader r;
    DeviceRecord* old = AddRecord(r.doc, 3, kA, "Old");
    r.table.count = 1;
    Tie(r.doc, r.table, 0, 0);
    r.doc.SetModifiedFlag(true);

    FailingStream stream{good, failAt};
    std::FILE* file = stream.Open();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(r.doc.ReadConfiguration(file, &r.observer), LoadResult::CannotOpen);
    std::fclose(file);

    EXPECT_EQ(r.prompts.wrongFormatShown, 0);
    ASSERT_EQ(r.doc.recordCount, 1);
    EXPECT_EQ(r.doc.records[0], old);
    EXPECT_STREQ(old->name, "Old");
    EXPECT_EQ(r.table.slots[0].recordIndex, 0);
    EXPECT_TRUE(r.doc.IsModified());
  }
  // The same bytes, read to their end, load.
  FailingStream whole{good, good.size()};
  Reader r;
  std::FILE* file = whole.Open();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(r.doc.ReadConfiguration(file, &r.observer), LoadResult::Loaded);
  std::fclose(file);
  EXPECT_EQ(r.doc.recordCount, 2);
#else
  GTEST_SKIP() << "needs a stream whose reads fail on demand (glibc's fopencookie)";
#endif
}

TEST(ConfigReader, LongLinesAreReadIn1022CharacterPieces) {
  {
    SCOPED_TRACE("the piece after 1022 characters is a line of its own");
    struct Case {
      size_t padding;
      bool loaded;
    };
    const Case cases[] = {{0, true}, {1021, false}, {1022, true}, {1023, false}, {2044, true}};
    for (const Case& c : cases) {
      SCOPED_TRACE("padding " + std::to_string(c.padding));
      Reader r;
      ASSERT_EQ(r.Load("TVM2\n" + Repeat('x', c.padding) + Header(kA, "Split") +
                       "\nNumberOfButtons = 1\nButton1 = 1,65,0,0,0,,0,\n"),
                LoadResult::Loaded);
      ASSERT_EQ(r.doc.recordCount, c.loaded ? 1 : 0);
      if (c.loaded) {
        EXPECT_STREQ(r.Record(0).name, "Split");
      }
    }
  }
  {
    SCOPED_TRACE("a header whose line end does not fit drops its block");
    struct Case {
      size_t length;  // of the header line, without its line end
      const char* end;
      bool loaded;
    };
    const Case cases[] = {
        {1021, "\n", true}, {1022, "\n", false}, {1021, "\r\n", true}, {1022, "\r\n", false}};
    for (const Case& c : cases) {
      SCOPED_TRACE("header of " + std::to_string(c.length) +
                   (c.end[0] == '\r' ? " + CR LF" : " + LF"));
      Reader r;
      const std::string header = Header(kA, Repeat('n', c.length - 80));
      ASSERT_EQ(header.size(), c.length);
      ASSERT_EQ(
          r.Load(Lines({"TVM2", header, "NumberOfButtons = 1", "Button1 = 1,65,0,0,0,,0,"}, c.end)),
          LoadResult::Loaded);
      ASSERT_EQ(r.doc.recordCount, c.loaded ? 1 : 0);
      if (c.loaded) {
        EXPECT_EQ(std::string(r.Record(0).name), Repeat('n', 511));
      }
    }
  }
  {
    SCOPED_TRACE("the rest of a long button line takes the next entry");
    Reader r;
    ASSERT_EQ(r.Load(Lines({"TVM2", Header(kA, "P"), "NumberOfButtons = 2",
                            "Button1 = 1,65,0,0,0,,1100," + Repeat('d', 1100),
                            "Button2 = 1,66,0,0,0,,0,"})),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    ExpectEntry(r.Entry(0, 0), 1, 65, 0, 0, "", Repeat('d', 63));
    ExpectCleared(r.Entry(0, 1));
  }
}

TEST(ConfigReader, CrLfAndLfLineEndsReadTheSame) {
  const std::vector<std::string> lines =
      Join({{"TVM2"},
            Block(kA, "First",
                  {V2Button(1, 1, 65, 30, 3, "Notepad", "Jump, high"), V2Button(2, 0, 0, 0, 0),
                   V2Button(3, 1, 0x70, 0x3B, 7, "", "F1")}),
            {""},
            Block(kB, "Second", {V2Button(1, 1, 0x20, 0x39, 0, "A,B", "")})});
  Reader crlf, lf, mixed, cr;
  ASSERT_EQ(crlf.Load(Lines(lines, "\r\n")), LoadResult::Loaded);
  ASSERT_EQ(lf.Load(Lines(lines, "\n")), LoadResult::Loaded);
  std::string mixedText;
  for (size_t i = 0; i < lines.size(); ++i) mixedText += lines[i] + (i % 2 ? "\r\n" : "\n");
  ASSERT_EQ(mixed.Load(mixedText), LoadResult::Loaded);
  // A file without any LF, as old Mac editors write it: a CR alone ends its lines.
  ASSERT_EQ(cr.Load(Lines(lines, "\r")), LoadResult::Loaded);
  EXPECT_TRUE(cr.observer.events.empty());
  for (Reader* other : {&lf, &mixed, &cr}) {
    ASSERT_EQ(other->doc.recordCount, 2);
    ASSERT_EQ(crlf.doc.recordCount, 2);
    for (int rec = 0; rec < 2; ++rec) {
      EXPECT_STREQ(other->Record(rec).name, crlf.Record(rec).name);
      EXPECT_EQ(other->Record(rec).buttonCount, crlf.Record(rec).buttonCount);
      for (int b = 0; b < crlf.Record(rec).buttonCount; ++b) {
        const ButtonMapping& m = crlf.Entry(rec, b);
        SCOPED_TRACE("record " + std::to_string(rec) + " button " + std::to_string(b));
        ExpectEntry(other->Entry(rec, b), m.assigned, m.virtualKey, m.scanCode, m.modifiers,
                    m.windowClass, m.description);
      }
    }
  }
  ExpectEntry(crlf.Entry(0, 0), 1, 65, 30, 3, "Notepad", "Jump, high");
  ExpectEntry(crlf.Entry(0, 2), 1, 0x70, 0x3B, 7, "", "F1");
  ExpectEntry(crlf.Entry(1, 0), 1, 0x20, 0x39, 0, "A,B", "");

  // A file with LF line ends keeps a CR alone inside a line as it always did.
  for (const char* end : {"\r\n", "\n"}) {
    Reader r;
    ASSERT_EQ(r.Load(Lines(Join({{"TVM2"}, Block(kA, "P", {V2Button(1, 1, 65, 0, 0, "", "a\rb")})}),
                           end)),
              LoadResult::Loaded);
    ASSERT_EQ(r.doc.recordCount, 1);
    ExpectEntry(r.Entry(0, 0), 1, 65, 0, 0, "", "a\rb");
  }
}

TEST(ConfigReader, GuidDigitsOfEitherCaseAreRead) {
  Guid g;
  g.data1 = 0xDEADBEEF;
  g.data2 = 0xABCD;
  g.data3 = 0x00EF;
  const uint8_t tail[8] = {0xFA, 0xCE, 0x0B, 0x0C, 0xAB, 0xCD, 0xEF, 0x01};
  std::memcpy(g.data4, tail, 8);
  std::string lower = Header(g, "Lower");
  for (size_t i = 1; i < 78; ++i) lower[i] = static_cast<char>(std::tolower(lower[i]));
  Reader r;
  ASSERT_EQ(r.Load(Lines({"TVM2", lower, "NumberOfButtons = 1", "Button1 = 0,0,0,0,0,,0,"})),
            LoadResult::Loaded);
  ASSERT_EQ(r.doc.recordCount, 1);
  EXPECT_TRUE(r.Record(0).instanceGuid == g);
  EXPECT_TRUE(r.Record(0).productGuid == ProductOf(g));
  std::vector<char> text(CTarvelDoc::MaxConfigurationSize());
  const size_t length = r.doc.FormatConfiguration(text.data(), text.size());
  ASSERT_GT(length, 0u);
  EXPECT_NE(std::string(text.data(), length).find(Header(g, "Lower")), std::string::npos);
}

TEST(ConfigReader, TheObserverHearsOfEveryLossByLine) {
  Reader r;
  ASSERT_EQ(r.Load(Lines({"TVM2",                                  // 1
                          Header(kA, "A"),                         // 2
                          "NumberOfButtons = 2",                   // 3
                          "Button1 = 1,65,0,0,0,,0,",              // 4
                          "Button3 = 1,66,0,0,0,,0,",              // 5: wrong position
                          Header(kB, "no bracket").substr(0, 85),  // 6
                          "",                                      // 7
                          Header(kC, "C"),                         // 8
                          "NumberOfButtons = 0",                   // 9
                          Header(kD, "D"),                         // 10
                          "Hello"})),                              // 11
            LoadResult::Loaded);
  ASSERT_EQ(r.doc.recordCount, 1);
  EXPECT_EQ(r.observer.events,
            (std::vector<std::string>{"cleared 5 0 1", "dropped 6", "dropped 9", "dropped 11"}));
  for (const std::string& reason : r.observer.reasons) EXPECT_FALSE(reason.empty());
}

TEST(ConfigReader, ReadingLeavesTheModifiedFlagAndAsksNothing) {
  for (bool modified : {false, true}) {
    Reader r;
    r.backend.AddController(kD, "Unknown pad", 4);
    r.table.SetUpJoysticks(nullptr);
    r.doc.SetModifiedFlag(modified);
    ASSERT_EQ(r.Load(Lines(Block(kA, "A", {V2Button(1, 1, 65, 0, 0)}))), LoadResult::WrongFormat);
    ASSERT_EQ(r.Load(Lines(Join({{"TVM2"}, Block(kA, "A", {V2Button(1, 1, 65, 0, 0)})}))),
              LoadResult::Loaded);
    EXPECT_EQ(r.doc.IsModified(), modified);
    EXPECT_TRUE(r.prompts.questions.empty());
    EXPECT_EQ(r.table.slots[0].recordIndex, -1);
  }
}

// The format alone: bytes in; records, version and report out; no document, file or prompt.
TEST(ParseConfiguration, GivesRecordsVersionAndReportFromBytesAlone) {
  RecordingObserver report;
  const std::string bytes = Lines({"TVM1",                                  // 1
                                   Header(kA, "A"),                         // 2
                                   "NumberOfButtons = 2",                   // 3
                                   "Button1 = 1,65,30,2,Jump",              // 4
                                   "Button3 = 1,66,0,0,",                   // 5: wrong position
                                   Header(kB, "no bracket").substr(0, 85),  // 6
                                   Header(kC, "C"),                         // 7
                                   "NumberOfButtons = 1",                   // 8
                                   "Button1 = 0,0,0,0,"});                  // 9

  const ParsedConfiguration parsed = ParseConfiguration(bytes.data(), bytes.size(), &report);

  EXPECT_EQ(parsed.result, LoadResult::Loaded);
  EXPECT_EQ(parsed.version, 1);
  ASSERT_EQ(parsed.recordCount, 2);
  EXPECT_STREQ(parsed.records[0]->name, "A");
  EXPECT_EQ(parsed.records[0]->attachedIndex, -1);
  ExpectEntry(parsed.records[0]->buttons[0], 1, 65, 30, 2, "", "Jump");
  ExpectCleared(parsed.records[0]->buttons[1]);
  EXPECT_STREQ(parsed.records[1]->name, "C");
  EXPECT_EQ(parsed.records[2], nullptr);
  EXPECT_EQ(report.events, (std::vector<std::string>{"cleared 5 0 1", "dropped 6"}));
  // Without a report the records are the same.
  const ParsedConfiguration quiet = ParseConfiguration(bytes.data(), bytes.size());
  EXPECT_EQ(quiet.recordCount, 2);
  EXPECT_EQ(std::memcmp(quiet.records[0].get(), parsed.records[0].get(), sizeof(DeviceRecord)), 0);
}

TEST(ParseConfiguration, WrongFormatAndTooLargeAreResultsWithoutRecords) {
  for (const std::string& bytes : {std::string(), std::string("TVM3\r\n"), std::string("TVM"),
                                   Lines(Block(kA, "A", {V2Button(1, 1, 65, 0, 0)}))}) {
    const ParsedConfiguration parsed = ParseConfiguration(bytes.data(), bytes.size());
    EXPECT_EQ(parsed.result, LoadResult::WrongFormat) << bytes;
    EXPECT_EQ(parsed.version, 0);
    EXPECT_EQ(parsed.recordCount, 0);
  }
  const std::string over = "TVM2\r\n" + std::string(kMaxConfigurationFileSize - 5, ' ');
  EXPECT_EQ(ParseConfiguration(over.data(), over.size()).result, LoadResult::TooLarge);
  EXPECT_EQ(ParseConfiguration(over.data(), over.size() - 1).result, LoadResult::Loaded);
}

// What a mapping of a parsed record holds, in the form the table below gives: "tap", "hold",
// "turbo <rate>", "toggle", "key <code>" (a hat or axis row's key, -1 unassigned),
// "<press>,<release>", "seq <gap>;<vk>,<scan>,<mods>;...", "text <text>" or "long <ms>,<vk>,...".
std::string Holds(const DeviceRecord& record, int index, const char* form) {
  const ButtonMapping& m = record.Mapping(index);
  char text[32];
  if (std::strncmp(form, "seq", 3) == 0) {
    const KeySequence* sequence = record.SequenceOf(m);
    if (sequence == nullptr) return "no sequence";
    std::string steps = "seq " + std::to_string(sequence->gapMs);
    for (int i = 0; i < sequence->stepCount; ++i)
      steps += ";" + std::to_string(sequence->steps[i].virtualKey) + "," +
               std::to_string(sequence->steps[i].scanCode) + "," +
               std::to_string(sequence->steps[i].modifiers);
    return steps;
  } else if (std::strncmp(form, "text", 4) == 0) {
    return record.TextOf(m) ? std::string("text ") + record.TextOf(m) : "no text";
  } else if (std::strncmp(form, "long", 4) == 0) {
    std::snprintf(text, sizeof text, "long %d,%d,%d,%d", m.longPressMs, m.longKey.virtualKey,
                  m.longKey.scanCode, m.longKey.modifiers);
  } else if (m.action == KeyAction::Toggle) {
    std::snprintf(text, sizeof text, "toggle");
  } else if (std::isdigit(static_cast<unsigned char>(form[0]))) {
    const AxisThresholds& t = record.thresholds[index - kFirstControl];
    std::snprintf(text, sizeof text, "%d,%d", t.pressPercent, t.releasePercent);
  } else if (std::strncmp(form, "mouse", 5) == 0) {
    std::snprintf(text, sizeof text, "mouse %s%s", MouseActionFileName(m.mouse),
                  m.assigned ? " and a key" : "");
  } else if (m.action == KeyAction::Hold) {
    std::snprintf(text, sizeof text, "hold");
  } else if (m.action == KeyAction::Turbo) {
    std::snprintf(text, sizeof text, "turbo %d", m.turboRate);
  } else if (std::strncmp(form, "key", 3) == 0) {
    std::snprintf(text, sizeof text, "key %d", m.assigned ? m.virtualKey : -1);
  } else {
    std::snprintf(text, sizeof text, "tap");
  }
  return text;
}

// The lines after a block's button lines: the buttons' actions, and the hats' and axes' rows,
// actions and thresholds. Each is read from after a note of the user's and applies to the block
// before it, or is reported and left out; the classic rules pass over all of them and read the
// same buttons.
TEST(ParseConfiguration, ReadsTheLinesAfterTheButtonsAndReportsThoseItCannotRead) {
  constexpr int C = kFirstControl;
  struct Case {
    std::string line;
    int mapping;  // the mapping the line changes; -1: the line is reported and ignored
    std::string holds;
  };
  std::string steps16 = "Button1Sequence = 0";
  for (int i = 0; i < 16; ++i) steps16 += i == 0 ? ";65,30,0" : ";" + std::to_string(i) + ",0,1";
  std::string emoji255;  // 255 characters of four bytes each: longer than one read of a line
  for (int i = 0; i < 255; ++i) emoji255 += "\xF0\x9F\x98\x80";
  const Case kCases[] = {
      {"XPlusAction = Toggle", C + 17, "toggle"},
      {"Button2Action = tOGGLE", 1, "toggle"},
      {"Button1Sequence = 50;65,30,0;9,15,4;86,47,2", 0, "seq 50;65,30,0;9,15,4;86,47,2"},
      {"Button1Sequence=1000 ; 65 , 30 , 0 ; 255,255,7;", 0, "seq 1000;65,30,0;255,255,7"},
      {steps16, 0, "seq " + steps16.substr(18)},
      {steps16 + ";1,0,0", -1, ""},
      {"Button1Sequence = 1001;65,30,0;66,0,0", -1, ""},
      {"Button1Sequence = 0;", -1, ""},
      {"Button1Sequence = 0;256,0,0", -1, ""},
      {"Button1Sequence = 0;65,0", -1, ""},
      {"Button3Sequence = 0;65,0,0;66,0,0", -1, ""},
      {"Pov1UpSequence = 0;38,72,0;40,80,0", C + 0, "seq 0;38,72,0;40,80,0"},
      {"Button2Text = gg wp", 1, "text gg wp"},
      {"Button2Text =  Gr\xC3\xBC\xC3\x9F"
       "e, \xE6\x9D\xB1\\n\\\\n",
       1,
       "text  Gr\xC3\xBC\xC3\x9F"
       "e, \xE6\x9D\xB1\n\\n"},
      {"Button2Text = " + emoji255, 1, "text " + emoji255},
      {"Button2Text = a\rb", 1, "text ab"},
      {"Button2Text = " + emoji255 + "!", -1, ""},
      {"Button2Text = caf\xC3", -1, ""},       // cut in a character
      {"Button2Text = \xC0\xAF", -1, ""},      // an overlong '/'
      {"Button2Text = \xED\xA0\x80", -1, ""},  // a surrogate
      {"Button2Text = ", -1, ""},
      {"RxMinusText = hi", C + 22, "text hi"},
      {"Button1Long = 300,116,63,2", 0, "long 300,116,63,2"},
      {"Slider2PlusLong = 2000,65,0,0", C + 31, "long 2000,65,0,0"},
      {"Button1Long = 99,116,0,0", -1, ""},
      {"Button1Long = 2001,116,0,0", -1, ""},
      {"Button1Long = 300,0,0,0", -1, ""},
      {"Button1Long = 300,116", -1, ""},
      {"Button1Action = Hold", 0, "hold"},
      {"Button2Action=hOLD", 1, "hold"},
      {"Button1Action = Turbo,1", 0, "turbo 1"},
      {"Button1Action \t=\t tURBO , 50 ", 0, "turbo 50"},
      {"Button2Action = Turbo", 1, "turbo 10"},
      {"Button1Action = Tap", 0, "tap"},
      {"Pov1Up = 1,38,72,0,0,,0,", C + 0, "key 38"},
      {"pov4left=1,37,0,0,3,a,b,1,c", C + 15, "key 37"},
      {"Slider2Plus = 1,65,0,0,0,,0,", C + 31, "key 65"},
      {"RxMinusAction = Turbo,7", C + 22, "turbo 7"},
      {"YPlusAction=HOLD", C + 19, "hold"},
      {"Pov2DownAction = Hold", C + 6, "hold"},
      {"ZMinusThreshold = 99,1", C + 20, "99,1"},
      {"ZPlusThreshold\t= 51 , 50 ", C + 21, "51,50"},
      {"Button3Action = Hold", -1, ""},
      {"Button0Action = Hold", -1, ""},
      {"Button1Action = Turbo,0", -1, ""},
      {"Button1Action = Turbo,51", -1, ""},
      {"Button1Action = Turbo,9999999999", -1, ""},
      {"Button1Action = Turbo,", -1, ""},
      {"Button1Action = Hold,5", -1, ""},
      {"Button1Action = Holding", -1, ""},
      {"Button1Action Hold", -1, ""},
      {"Pov1Up = 1,38", -1, ""},
      {"Pov1UpThreshold = 60,40", -1, ""},
      {"XPlusThreshold = 40,40", -1, ""},
      {"XPlusThreshold = 100,40", -1, ""},
      {"XPlusThreshold = 60,0", -1, ""},
      {"XPlusThreshold = 60", -1, ""},
      {"XPlusAction = Toggles", -1, ""},
      {"XPlus 1,38,72,0,0,,0,", -1, ""},
      {"Button1Mouse = LeftClick", 0, "mouse LeftClick"},
      {"Button2Mouse=wheelup ", 1, "mouse WheelUp"},
      {"Pov1UpMouse = WheelDown", C + 0, "mouse WheelDown"},
      {"xplusmouse\t=\tForward", C + 17, "mouse Forward"},
      {"Slider2MinusMouse = Back", C + 30, "mouse Back"},
      {"Button1Mouse = Click", -1, ""},
      {"Button1Mouse = None", -1, ""},
      {"Button3Mouse = Back", -1, ""},
      {"Button1Mouse = Back,2", -1, ""},
      {"Button1Mouse LeftClick", -1, ""},
  };
  struct IgnoredLines final : LoadObserver {
    void BlockDropped(int, const char*) override {}
    void BlockPassedOver(int) override {}
    void ButtonCleared(int, int, int, const char*) override {}
    void TextIgnored(int line, bool, const char*) override { lines.push_back(line); }
    std::vector<int> lines;
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line.substr(0, 40));
    // Line 2 belongs to no block; the case's line is line 8, before the next block.
    const std::string bytes =
        Lines(Join({{"TVM2", "Button1Action = Hold"},
                    Block(kA, "A", {V2Button(1, 1, 65, 0, 0), V2Button(2, 1, 66, 0, 0)}),
                    {"; a note", c.line.c_str(), "Pov5Up = 1,1,1,1,0,,0,"},
                    Block(kB, "B", {V2Button(1, 0, 0, 0, 0)})}));
    for (ReadRules rules : {ReadRules::WithActions, ReadRules::Classic}) {
      const bool classic = rules == ReadRules::Classic;
      IgnoredLines report;
      const ParsedConfiguration parsed =
          ParseConfiguration(bytes.data(), bytes.size(), &report, rules);
      ASSERT_EQ(parsed.recordCount, 2);
      const DeviceRecord& a = *parsed.records[0];
      const int changed = classic ? -1 : c.mapping;
      const bool text = c.holds.starts_with("text");
      const bool mouse = c.holds.starts_with("mouse");
      for (int k = 0; k < 2; ++k) {
        // A text row types no key; a mouse line takes the row's key: the row loads unassigned.
        EXPECT_EQ(a.buttons[k].virtualKey, k == changed && (text || mouse) ? 0 : 65 + k);
        EXPECT_EQ(Holds(a, k, k == changed ? c.holds.c_str() : "tap"),
                  k == changed ? c.holds : "tap")
            << "button " << k + 1;
      }
      EXPECT_EQ(a.controlRows, changed >= C ? 1u << (changed - C) : 0u);
      if (changed >= C) {
        EXPECT_EQ(Holds(a, changed, c.holds.c_str()), c.holds);
      }
      EXPECT_EQ(parsed.records[1]->controlRows, 0u);
      // The classic rules read a line past 1022 characters as two.
      std::vector<int> ignored{2, 7, 8, 9};
      if (classic && c.line.size() > 1022) ignored.insert(ignored.begin() + 2, 8);
      EXPECT_EQ(report.lines, changed < 0 || classic ? ignored : (std::vector<int>{2, 7, 9}));
    }
  }
}

// A record's Pointer and Scroll lines: what each sets, or that it is reported and ignored.
TEST(ParseConfiguration, ReadsThePointerAndScrollSticksAndReportsWhatIsOutOfRange) {
  const struct {
    const char* line;
    bool taken;
    PointerSettings pointer;
    ScrollSettings scroll;
  } kCases[] = {
      {"Pointer = RxRy,1200,15", true, {StickPair::RxRy, 1200, 15}, {}},
      {"pointer=xy , 100 , 0", true, {StickPair::XY, 100, 0}, {}},
      {"Pointer = ZRz,5000,90", true, {StickPair::ZRz, 5000, 90}, {}},
      {"Pointer = None,1200,15", true, {}, {}},
      {"Scroll = XY,15", true, {}, {StickPair::XY, 15}},
      {"SCROLL =rxry,0", true, {}, {StickPair::RxRy, 0}},
      {"Pointer = RxRy,99,15", false, {}, {}},
      {"Pointer = RxRy,5001,15", false, {}, {}},
      {"Pointer = RxRy,1200,91", false, {}, {}},
      {"Pointer = RxRy,1200", false, {}, {}},
      {"Pointer = LeftStick,1200,15", false, {}, {}},
      {"Pointer = RxRy,1200,15,3", false, {}, {}},
      {"Pointer = RxRy,9999999999,15", false, {}, {}},
      {"Scroll = XY", false, {}, {}},
      {"Scroll = XY,95", false, {}, {}},
      {"Scroll XY,15", false, {}, {}},
  };
  struct IgnoredLines final : LoadObserver {
    void BlockDropped(int, const char*) override {}
    void BlockPassedOver(int) override {}
    void ButtonCleared(int, int, int, const char*) override {}
    void TextIgnored(int line, bool, const char*) override { ignored.push_back(line); }
    std::vector<int> ignored;
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    const std::string bytes = Lines(Join({{"TVM2"},
                                          Block(kA, "A", {V2Button(1, 1, 65, 0, 0)}),
                                          {c.line},
                                          Block(kB, "B", {V2Button(1, 0, 0, 0, 0)})}));
    for (ReadRules rules : {ReadRules::WithActions, ReadRules::Classic}) {
      IgnoredLines report;
      const ParsedConfiguration parsed =
          ParseConfiguration(bytes.data(), bytes.size(), &report, rules);
      ASSERT_EQ(parsed.recordCount, 2);
      const bool taken = c.taken && rules == ReadRules::WithActions;
      const DeviceRecord& a = *parsed.records[0];
      const PointerSettings pointer = taken ? c.pointer : PointerSettings();
      const ScrollSettings scroll = taken ? c.scroll : ScrollSettings();
      EXPECT_EQ(a.pointer.pair, pointer.pair);
      EXPECT_EQ(a.pointer.speed, pointer.speed);
      EXPECT_EQ(a.pointer.deadZone, pointer.deadZone);
      EXPECT_EQ(a.scroll.pair, scroll.pair);
      EXPECT_EQ(a.scroll.deadZone, scroll.deadZone);
      EXPECT_EQ(parsed.records[1]->pointer.pair, StickPair::None);
      EXPECT_EQ(report.ignored.size(), taken ? 0u : 1u);
      EXPECT_EQ(a.buttons[0].virtualKey, 65);
    }
  }
}

// The document takes what the parse gives, and ties it to the attached controllers.
TEST(ParseConfiguration, TheDocumentAdoptsExactlyTheParsedRecords) {
  Reader r;
  r.backend.AddController(kB, "Pad B", 2);
  r.table.SetUpJoysticks(nullptr);
  const std::string bytes =
      Lines(Join({{"TVM2"},
                  Block(kA, "A", {V2Button(1, 1, 65, 30, 1, "Cls", "first")}),
                  {"stray text"},
                  Block(kB, "B", {V2Button(1, 0, 0, 0, 0), V2Button(3, 1, 66, 0, 0)})}));
  RecordingObserver report;
  const ParsedConfiguration parsed = ParseConfiguration(bytes.data(), bytes.size(), &report);

  ASSERT_EQ(r.Load(bytes), LoadResult::Loaded);

  EXPECT_EQ(r.observer.events, report.events);
  EXPECT_EQ(r.observer.reasons, report.reasons);
  ASSERT_EQ(r.doc.recordCount, parsed.recordCount);
  for (int i = 0; i < parsed.recordCount; ++i) {
    DeviceRecord expected = *parsed.records[i];
    expected.attachedIndex = i == 1 ? 0 : -1;
    EXPECT_EQ(std::memcmp(&r.Record(i), &expected, sizeof expected), 0) << "record " << i;
  }
  EXPECT_EQ(r.table.slots[0].recordIndex, 1);
  EXPECT_EQ(r.doc.fileVersion, parsed.version);
}

}  // namespace
}  // namespace tarvel::test
