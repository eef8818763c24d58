// Writing configuration files: the exact bytes, round trips, and saves that fail part way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/core/ReaderSupport.h"
#include "tests/doubles/FaultyFileOps.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tarvel::test {
namespace {

Guid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, std::initializer_list<uint8_t> d4) {
  Guid g;
  g.data1 = d1;
  g.data2 = d2;
  g.data3 = d3;
  std::copy(d4.begin(), d4.end(), g.data4);
  return g;
}

// Two records: the one every format rule shows.
void FillSmallDocument(CTarvelDoc& doc) {
  DeviceRecord* a = AddRecord(
      doc, 2,
      MakeGuid(0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}),
      "Pad One");
  a->productGuid = MakeGuid(1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11});
  Assign(a->buttons[0], 0x41, 0x1E, 3, "Notepad", "Jump, high");
  a->buttons[0].state = 0x80;       // never written
  a->buttons[1].virtualKey = 0x42;  // a key in an unassigned mapping is written as it is
  DeviceRecord* b = AddRecord(
      doc, 1, MakeGuid(0xFFFFFFFF, 0, 0xFFFF, {0, 0xFF, 0xFF, 0, 0xFF, 0, 0xFF, 0}), "Wheel");
  b->productGuid = Guid{};
  Assign(b->buttons[0], 255, 200, 7, "", "x");
}

const char* const kSmallDocumentFile =
    "TVM2\r\n"
    "[{01234567-89AB-CDEF-0123-456789ABCDEF},{00000001-0002-0003-0405-060708090A0B},Pad One]\r\n"
    "NumberOfButtons = 2\r\n"
    "Button1 = 1,65,30,3,7,Notepad,10,Jump, high\r\n"
    "Button2 = 0,66,0,0,0,,0,\r\n"
    "[{FFFFFFFF-0000-FFFF-00FF-FF00FF00FF00},{00000000-0000-0000-0000-000000000000},Wheel]\r\n"
    "NumberOfButtons = 1\r\n"
    "Button1 = 1,255,200,7,0,,1,x\r\n";

std::string Formatted(const CTarvelDoc& doc) {
  std::vector<char> buffer(CTarvelDoc::MaxConfigurationSize());
  const size_t length = doc.FormatConfiguration(buffer.data(), buffer.size());
  return std::string(buffer.data(), length);
}

TEST(ConfigWriter, WritesTheExactBytesOfASmallDocument) {
  Reader r;
  FillSmallDocument(r.doc);
  r.doc.SetModifiedFlag(true);

  EXPECT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));

  EXPECT_EQ(ReadBytes(r.path), kSmallDocumentFile);
  EXPECT_EQ(Formatted(r.doc), kSmallDocumentFile);
  // The format alone, from the records, and from what parsing its own text gives.
  EXPECT_EQ(FormatConfiguration(r.doc.records, r.doc.recordCount), kSmallDocumentFile);
  const std::string bytes = kSmallDocumentFile;
  EXPECT_EQ(FormatConfiguration(ParseConfiguration(bytes.data(), bytes.size())),
            kSmallDocumentFile);
  EXPECT_EQ(FormatConfiguration(nullptr, 0), "TVM2\r\n");
  EXPECT_FALSE(r.doc.IsModified());
  EXPECT_EQ(r.dir.Entries(), std::vector<std::string>{"config.tvm"});
}

// Hold and Turbo follow the block's button lines in lines of their own; Tap writes nothing.
TEST(ConfigWriter, WritesActionsAfterTheButtonLinesAndReadsThemBack) {
  Reader r;
  FillSmallDocument(r.doc);
  r.doc.records[0]->buttons[1].action = KeyAction::Turbo;
  r.doc.records[0]->buttons[1].turboRate = 50;
  r.doc.records[0]->buttons[0].turboRate = 3;  // a rate kept for a Tap mapping is not written
  r.doc.records[1]->buttons[0].action = KeyAction::Hold;
  const std::string expected =
      "TVM2\r\n"
      "[{01234567-89AB-CDEF-0123-456789ABCDEF},{00000001-0002-0003-0405-060708090A0B},Pad One]\r\n"
      "NumberOfButtons = 2\r\n"
      "Button1 = 1,65,30,3,7,Notepad,10,Jump, high\r\n"
      "Button2 = 0,66,0,0,0,,0,\r\n"
      "Button2Action = Turbo,50\r\n"
      "[{FFFFFFFF-0000-FFFF-00FF-FF00FF00FF00},{00000000-0000-0000-0000-000000000000},Wheel]\r\n"
      "NumberOfButtons = 1\r\n"
      "Button1 = 1,255,200,7,0,,1,x\r\n"
      "Button1Action = Hold\r\n";

  ASSERT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));
  EXPECT_EQ(ReadBytes(r.path), expected);
  ASSERT_EQ(r.Load(expected), LoadResult::Loaded);
  EXPECT_EQ(r.Entry(0, 0).action, KeyAction::Tap);
  EXPECT_EQ(r.Entry(0, 1).action, KeyAction::Turbo);
  EXPECT_EQ(r.Entry(0, 1).turboRate, 50);
  EXPECT_EQ(r.Entry(1, 0).action, KeyAction::Hold);
  EXPECT_EQ(Formatted(r.doc), expected);
}

// A combo, a chat line, a latch, a key and a mouse button with a second meaning on a long press:
// written after the button lines in button order, read back to the same records, and the
// classic rules read every button line's key as before.
TEST(ConfigWriter, WritesSequencesTextsTogglesAndLongPressesAndReadsThemBackBothWays) {
  Reader r;
  DeviceRecord* pad = AddRecord(r.doc, 5, MakeGuid(1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}), "Pad");
  const KeyStroke combo[] = {{0x43, 0x2E, kModCtrl}, {0x09, 0x0F, kModAlt}, {0x56, 0x2F, kModCtrl}};
  ASSERT_TRUE(pad->SetSequence(pad->buttons[0], combo, 3, 50));
  ASSERT_TRUE(pad->SetText(pad->buttons[1],
                           "gg wp\nGr\xC3\xBC\xC3\x9F"
                           "e \\o/"));
  Assign(pad->buttons[2], 0x57, 0x11, 0);
  pad->buttons[2].action = KeyAction::Toggle;
  Assign(pad->buttons[3], 0x53, 0x1F, kModCtrl);
  pad->buttons[3].longPressMs = 300;
  pad->buttons[3].longKey = {0x74, 0x3F, 0};
  pad->buttons[4].mouse = MouseAction::RightClick;
  pad->buttons[4].modifiers = kModCtrl;
  pad->buttons[4].longPressMs = 300;
  pad->buttons[4].longKey = {0x74, 0x3F, 0};
  pad->controlRows = 1u << kHatControls;  // X Axis -
  ASSERT_TRUE(pad->SetText(pad->controls[kHatControls], "hi"));
  const std::string expected =
      "TVM2\r\n"
      "[{00000001-0002-0003-0405-060708090A0B},{00000001-0002-7777-0405-060708090A0B},Pad]\r\n"
      "NumberOfButtons = 5\r\n"
      "Button1 = 1,67,46,2,0,,0,\r\n"
      "Button2 = 0,0,0,0,0,,0,\r\n"
      "Button3 = 1,87,17,0,0,,0,\r\n"
      "Button4 = 1,83,31,2,0,,0,\r\n"
      "Button5 = 0,0,0,2,0,,0,\r\n"
      "Button1Sequence = 50;67,46,2;9,15,4;86,47,2\r\n"
      "Button2Text = gg wp\\nGr\xC3\xBC\xC3\x9F"
      "e \\\\o/\r\n"
      "Button3Action = Toggle\r\n"
      "Button4Long = 300,116,63,0\r\n"
      "Button5Mouse = RightClick\r\n"
      "Button5Long = 300,116,63,0\r\n"
      "XMinusText = hi\r\n";
  ASSERT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));
  EXPECT_EQ(ReadBytes(r.path), expected);
  ASSERT_EQ(r.Load(expected), LoadResult::Loaded);
  EXPECT_EQ(Formatted(r.doc), expected);
  char cell[kOutputTextSize];
  const char* const cells[] = {
      "Ctrl+C, Alt+Tab, ...", "Text: gg wp Gr\u00FC\u00DFe \\o/", "W",
      "Ctrl+S (hold: F5)",    "Ctrl + Right Click (hold: F5)",    "Text: hi"};
  for (int row = 0; row < 6; ++row) {
    ASSERT_TRUE(r.doc.GetRowOutputText(row, cell));
    EXPECT_STREQ(cell, cells[row]) << "row " << row;
  }
  const ParsedConfiguration classic =
      ParseConfiguration(expected.data(), expected.size(), nullptr, ReadRules::Classic);
  ASSERT_EQ(classic.recordCount, 1);
  const uint8_t keys[] = {0x43, 0, 0x57, 0x53, 0};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(classic.records[0]->buttons[k].virtualKey, keys[k]);
  EXPECT_EQ(classic.records[0]->controlRows, 0u);
  EXPECT_EQ(classic.records[0]->buttons[0].sequence, 0);
}

// The pools hold 32 sequences and 16 texts a record: one more is refused, in the document and
// in a file, and freeing one makes room.
TEST(ConfigWriter, ThePoolsOfARecordAreFullAtTheirLimits) {
  for (const bool texts : {false, true}) {
    SCOPED_TRACE(texts ? "texts" : "sequences");
    DeviceRecord record;
    record.buttonCount = kMaxButtons;
    const int limit = texts ? kMaxTexts : kMaxSequences;
    const KeyStroke two[] = {{0x41, 0, 0}, {0x42, 0, 0}};
    auto give = [&](int k) {
      return texts ? record.SetText(record.buttons[k], "x")
                   : record.SetSequence(record.buttons[k], two, 2, 0);
    };
    for (int k = 0; k < limit; ++k) ASSERT_TRUE(give(k)) << k;
    EXPECT_FALSE(give(limit));
    EXPECT_EQ(record.buttons[limit].sequence + record.buttons[limit].text, 0);
    // A mapping that has one keeps its place when it is given another.
    EXPECT_TRUE(give(0));
    record.ClearExtras(record.buttons[5]);
    EXPECT_TRUE(give(limit));
    // One step is a key, no sequence; an empty text is none.
    EXPECT_TRUE(texts ? record.SetText(record.buttons[limit + 1], "")
                      : record.SetSequence(record.buttons[limit + 1], two, 1, 0));
    EXPECT_EQ(record.buttons[limit + 1].sequence + record.buttons[limit + 1].text, 0);
  }
  // A file with one more: the line past the limit is reported and left out.
  std::vector<std::string> lines{"TVM2",
                                 "[{00000001-0002-0003-0405-060708090A0B},"
                                 "{00000000-0000-0000-0000-000000000000},Pad]",
                                 "NumberOfButtons = 40"};
  for (int k = 1; k <= 40; ++k) lines.push_back("Button" + std::to_string(k) + " = 0,0,0,0,0,,0,");
  for (int k = 1; k <= kMaxSequences + 1; ++k)
    lines.push_back("Button" + std::to_string(k) + "Sequence = 0;65,0,0;66,0,0");
  struct Ignored final : LoadObserver {
    void BlockDropped(int, const char*) override {}
    void BlockPassedOver(int) override {}
    void ButtonCleared(int, int, int, const char*) override {}
    void TextIgnored(int line, bool, const char* why) override {
      lines.push_back(std::to_string(line) + " " + why);
    }
    std::vector<std::string> lines;
  } report;
  const std::string bytes = Lines(lines);
  const ParsedConfiguration parsed = ParseConfiguration(bytes.data(), bytes.size(), &report);
  ASSERT_EQ(parsed.recordCount, 1);
  EXPECT_EQ(report.lines,
            std::vector<std::string>{"76 more than 32 sequences in one device block"});
  EXPECT_EQ(parsed.records[0]->buttons[kMaxSequences - 1].sequence, kMaxSequences);
  EXPECT_EQ(parsed.records[0]->buttons[kMaxSequences].sequence, 0);
}

TEST(ConfigWriter, WritesHatAndAxisRowsAfterTheButtonsAndReadsThemBackBothWays) {
  Reader r;
  FillSmallDocument(r.doc);
  DeviceRecord& pad = *r.doc.records[0];
  pad.controlRows = ControlsOfController(1, 0x01);  // POV 1 and the X axis: rows 16-21 of 24
  const int up = 0;
  const int down = 2;
  const int left = 3;
  const int xMinus = kHatControls;
  const int xPlus = kHatControls + 1;
  Assign(pad.controls[up], 0x26, 0x48, 0);
  Assign(pad.controls[left], 0x25, 0x4B, 2, "Game, Window", "walk");
  pad.controls[left].assigned = 0;  // a class and a description without a key
  pad.controls[down].action = KeyAction::Turbo;
  pad.controls[down].turboRate = 25;
  Assign(pad.controls[xPlus], 0x44, 0x20, 0);
  pad.controls[xPlus].action = KeyAction::Hold;
  pad.thresholds[xPlus] = AxisThresholds{60, 45};
  pad.thresholds[xMinus] = AxisThresholds{50, 10};
  // An XInput pad's own rows come last; a trigger's default thresholds are not written.
  pad.controlRows |= kPadControls;
  Assign(pad.controls[kGuideControl], 0x1B, 0x01, 0);
  pad.controls[kLeftTriggerControl].action = KeyAction::Hold;
  pad.thresholds[kRightTriggerControl] = AxisThresholds{20, 10};
  const std::string expected =
      "TVM2\r\n"
      "[{01234567-89AB-CDEF-0123-456789ABCDEF},{00000001-0002-0003-0405-060708090A0B},Pad One]\r\n"
      "NumberOfButtons = 2\r\n"
      "Button1 = 1,65,30,3,7,Notepad,10,Jump, high\r\n"
      "Button2 = 0,66,0,0,0,,0,\r\n"
      "Pov1Up = 1,38,72,0,0,,0,\r\n"
      "Pov1DownAction = Turbo,25\r\n"
      "Pov1Left = 0,37,75,2,12,Game, Window,4,walk\r\n"
      "XMinusThreshold = 50,10\r\n"
      "XPlus = 1,68,32,0,0,,0,\r\n"
      "XPlusAction = Hold\r\n"
      "XPlusThreshold = 60,45\r\n"
      "Guide = 1,27,1,0,0,,0,\r\n"
      "LeftTriggerAction = Hold\r\n"
      "RightTriggerThreshold = 20,10\r\n"
      "[{FFFFFFFF-0000-FFFF-00FF-FF00FF00FF00},{00000000-0000-0000-0000-000000000000},Wheel]\r\n"
      "NumberOfButtons = 1\r\n"
      "Button1 = 1,255,200,7,0,,1,x\r\n";

  ASSERT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));
  EXPECT_EQ(ReadBytes(r.path), expected);
  // Unattached, the record keeps the rows its file names, in their places.
  ASSERT_EQ(r.Load(expected), LoadResult::Loaded);
  EXPECT_EQ(r.doc.records[0]->controlRows, 0xDu | 3u << kHatControls | kPadControls);
  EXPECT_EQ(r.doc.RowCount(), 2 + 3 + 2 + 3 + 1);
  // With rows only a pad has, the record is taken for one while its controller is away.
  char name[kRowNameSize] = {};
  EXPECT_TRUE(r.doc.GetRowControlName(4, name, sizeof name));
  EXPECT_STREQ(name, "POV 1 Left (D-pad Left)");
  EXPECT_TRUE(r.doc.GetRowControlName(0, name, sizeof name));
  EXPECT_STREQ(name, "Button 1 (A)");
  EXPECT_TRUE(r.doc.GetRowControlName(9, name, sizeof name));
  EXPECT_STREQ(name, "Right Trigger (20/10%)");
  EXPECT_EQ(Formatted(r.doc), expected);
  // The classic rules read the same buttons, and no row.
  const ParsedConfiguration classic =
      ParseConfiguration(expected.data(), expected.size(), nullptr, ReadRules::Classic);
  ASSERT_EQ(classic.recordCount, 2);
  DeviceRecord buttonsOnly = *r.doc.records[0];
  buttonsOnly.controlRows = 0;
  for (int k = 0; k < kControlCount; ++k) {
    buttonsOnly.controls[k] = ButtonMapping();
    buttonsOnly.thresholds[k] = DefaultThresholds(k);
  }
  EXPECT_EQ(std::memcmp(classic.records[0].get(), &buttonsOnly, sizeof buttonsOnly), 0);
}

// Mouse actions and the sticks that drive the mouse: lines of their own, the button line with
// no key, so that the classic rules load those rows unassigned and nothing else.
TEST(ConfigWriter, WritesMouseActionsAndSticksAfterTheButtonsAndReadsThemBackBothWays) {
  Reader r;
  FillSmallDocument(r.doc);
  DeviceRecord& pad = *r.doc.records[0];
  ASSERT_TRUE(r.doc.SetRowMouseAction(0, MouseAction::WheelUp, kModCtrl));
  pad.buttons[1].mouse = MouseAction::LeftClick;
  pad.buttons[1].action = KeyAction::Hold;
  pad.controlRows = ControlsOfController(1, 0);
  pad.controls[0].mouse = MouseAction::Back;
  pad.controls[1].mouse = MouseAction::RightClick;
  pad.controls[1].modifiers = kModShift;
  pad.pointer = PointerSettings{StickPair::RxRy, 1500, 20};
  pad.scroll = ScrollSettings{StickPair::XY, 15};
  r.doc.records[1]->pointer.speed = 2000;  // kept with no stick set
  const std::string expected =
      "TVM2\r\n"
      "[{01234567-89AB-CDEF-0123-456789ABCDEF},{00000001-0002-0003-0405-060708090A0B},Pad One]\r\n"
      "NumberOfButtons = 2\r\n"
      "Button1 = 0,0,0,2,7,Notepad,10,Jump, high\r\n"
      "Button2 = 0,0,0,0,0,,0,\r\n"
      "Button1Mouse = WheelUp\r\n"
      "Button2Action = Hold\r\n"
      "Button2Mouse = LeftClick\r\n"
      "Pov1UpMouse = Back\r\n"
      "Pov1Right = 0,0,0,1,0,,0,\r\n"
      "Pov1RightMouse = RightClick\r\n"
      "Pointer = RxRy,1500,20\r\n"
      "Scroll = XY,15\r\n"
      "[{FFFFFFFF-0000-FFFF-00FF-FF00FF00FF00},{00000000-0000-0000-0000-000000000000},Wheel]\r\n"
      "NumberOfButtons = 1\r\n"
      "Button1 = 1,255,200,7,0,,1,x\r\n"
      "Pointer = None,2000,15\r\n";
  EXPECT_EQ(Formatted(r.doc), expected);
  ASSERT_EQ(r.Load(expected), LoadResult::Loaded);
  EXPECT_EQ(Formatted(r.doc), expected);
  char text[kKeyTextSize];
  ASSERT_TRUE(r.doc.GetRowKeyText(0, text));
  EXPECT_STREQ(text, "Ctrl + Wheel Up");
  EXPECT_EQ(r.doc.records[0]->pointer.pair, StickPair::RxRy);
  // The classic rules: the mouse rows unassigned, no hat rows, no sticks.
  const ParsedConfiguration classic =
      ParseConfiguration(expected.data(), expected.size(), nullptr, ReadRules::Classic);
  ASSERT_EQ(classic.recordCount, 2);
  EXPECT_EQ(classic.records[0]->buttons[0].assigned, 0);
  EXPECT_EQ(classic.records[0]->buttons[0].mouse, MouseAction::None);
  EXPECT_EQ(classic.records[0]->buttons[1].mouse, MouseAction::None);
  EXPECT_EQ(classic.records[0]->controlRows, 0u);
  EXPECT_EQ(classic.records[0]->pointer.pair, StickPair::None);
  // Keyboard chosen for a key's row changes nothing; sticks set back to none leave the file as
  // it was without them.
  r.doc.ClearRecords();
  FillSmallDocument(r.doc);
  const std::string plain = Formatted(r.doc);
  ASSERT_TRUE(r.doc.SetRowMouseAction(0, MouseAction::None, 0));
  ASSERT_TRUE(r.doc.SetRowMouseAction(1, MouseAction::None, 0));
  ASSERT_TRUE(
      r.doc.SetRecordPointer(0, PointerSettings{StickPair::ZRz, 1200, 15}, ScrollSettings()));
  ASSERT_TRUE(r.doc.SetRecordPointer(0, PointerSettings(), ScrollSettings()));
  EXPECT_EQ(Formatted(r.doc), plain);
}

TEST(ConfigWriter, AnEmptyDocumentAndARecordWithoutButtons) {
  Reader r;
  EXPECT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));
  EXPECT_EQ(ReadBytes(r.path), "TVM2\r\n");

  AddRecord(r.doc, 0, MakeGuid(1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}), "Empty");
  r.doc.records[0]->productGuid = r.doc.records[0]->instanceGuid;
  EXPECT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));
  EXPECT_EQ(ReadBytes(r.path),
            "TVM2\r\n[{00000001-0002-0003-0405-060708090A0B},"
            "{00000001-0002-0003-0405-060708090A0B},Empty]\r\nNumberOfButtons = 0\r\n");
}

TEST(ConfigWriter, FormatGuidWritesThirtyEightUpperCaseCharacters) {
  struct Case {
    Guid guid;
    const char* text;
  };
  const Case cases[] = {
      {Guid{}, "{00000000-0000-0000-0000-000000000000}"},
      {MakeGuid(1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}), "{00000001-0002-0003-0405-060708090A0B}"},
      {MakeGuid(0xDEADBEEF, 0xABCD, 0x00EF, {0xFA, 0xCE, 0x0B, 0x0C, 0xAB, 0xCD, 0xEF, 0x01}),
       "{DEADBEEF-ABCD-00EF-FACE-0B0CABCDEF01}"},
      {MakeGuid(0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
       "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
  };
  for (const Case& c : cases) {
    char buffer[kGuidTextSize + 8];
    std::memset(buffer, 0x7E, sizeof buffer);
    EXPECT_TRUE(FormatGuid(c.guid, buffer));
    EXPECT_STREQ(buffer, c.text);
    for (size_t i = kGuidTextSize; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0x7E);
  }
}

// Deterministic values for a document as full as the model allows.
struct Filler {
  uint32_t seed = 12345;
  uint32_t Next() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  }
  std::string Text(size_t length) {
    static const char kChars[] = "abcXYZ019 ,.;[]{}()-_=+!#$%&'\"\t\xE9\xFC\x80\xFF";
    std::string s;
    for (size_t i = 0; i < length; ++i) s += kChars[Next() % (sizeof kChars - 1)];
    return s;
  }
};

void FillFullDocument(CTarvelDoc& doc) {
  Filler f;
  for (int r = 0; r < kMaxRecords; ++r) {
    std::string name = f.Text(r == 0 ? 511 : f.Next() % 80);
    for (char& c : name)
      if (c == ']') c = ')';  // a name ends at its first "]"
    DeviceRecord* rec = AddRecord(doc, kMaxButtons, TestGuid(100 + r), name);
    rec->productGuid = TestGuid(200 + r, 0xEE);
    for (int b = 0; b < kMaxButtons; ++b) {
      ButtonMapping& m = rec->buttons[b];
      m.assigned = static_cast<int32_t>(f.Next() % 2);
      m.virtualKey = static_cast<uint8_t>(f.Next());
      m.scanCode = static_cast<uint8_t>(f.Next());
      m.modifiers = static_cast<uint8_t>(f.Next());
      m.state = 0x80;
      const size_t classLength = b % 3 == 0 ? 63 : f.Next() % 64;
      const size_t descriptionLength = b % 4 == 0 ? 63 : f.Next() % 64;
      std::snprintf(m.windowClass, sizeof m.windowClass, "%s", f.Text(classLength).c_str());
      std::snprintf(m.description, sizeof m.description, "%s", f.Text(descriptionLength).c_str());
    }
  }
}

void ExpectSameRecord(const DeviceRecord& saved, const DeviceRecord& loaded) {
  EXPECT_STREQ(loaded.name, saved.name);
  EXPECT_TRUE(loaded.instanceGuid == saved.instanceGuid);
  EXPECT_TRUE(loaded.productGuid == saved.productGuid);
  ASSERT_EQ(loaded.buttonCount, saved.buttonCount);
  for (int b = 0; b < saved.buttonCount; ++b) {
    SCOPED_TRACE("button " + std::to_string(b));
    const ButtonMapping& s = saved.buttons[b];
    ExpectEntry(loaded.buttons[b], s.assigned, s.virtualKey, s.scanCode, s.modifiers, s.windowClass,
                s.description);
  }
}

TEST(ConfigWriter, AFullDocumentComesBackAsItWasSaved) {
  Reader saved;
  FillFullDocument(saved.doc);
  ASSERT_TRUE(saved.doc.OnSaveDocument(saved.path.c_str()));
  const std::string bytes = ReadBytes(saved.path);
  EXPECT_LE(bytes.size(), CTarvelDoc::MaxConfigurationSize());

  Reader loaded;
  ASSERT_EQ(loaded.Load(bytes), LoadResult::Loaded);

  ASSERT_EQ(loaded.doc.recordCount, kMaxRecords);
  for (int r = 0; r < kMaxRecords; ++r) {
    SCOPED_TRACE("record " + std::to_string(r));
    ExpectSameRecord(*saved.doc.records[r], *loaded.doc.records[r]);
  }
  EXPECT_EQ(std::strlen(loaded.doc.records[0]->name), 511u);
  EXPECT_TRUE(loaded.observer.events.empty());
  // Saving what was read gives the same bytes again.
  ASSERT_TRUE(loaded.doc.OnSaveDocument(loaded.path.c_str()));
  EXPECT_EQ(ReadBytes(loaded.path), bytes);
}

TEST(ConfigWriter, ARoundTripLosesOnlyEmptyRecordsAndWhatFollowsABracketInAName) {
  Reader saved;
  DeviceRecord* a = AddRecord(saved.doc, 2, TestGuid(1), "Alpha");
  Assign(a->buttons[1], 0x43, 0x2E, 2, "Cls", "Desc");
  AddRecord(saved.doc, 0, TestGuid(2), "Nothing");
  DeviceRecord* c = AddRecord(saved.doc, 1, TestGuid(3), "Joy]stick");
  Assign(c->buttons[0], 0x44, 0x20, 0);
  ASSERT_TRUE(saved.doc.OnSaveDocument(saved.path.c_str()));

  Reader loaded;
  ASSERT_EQ(loaded.Load(ReadBytes(saved.path)), LoadResult::Loaded);

  ASSERT_EQ(loaded.doc.recordCount, 2);
  ExpectSameRecord(*a, *loaded.doc.records[0]);
  EXPECT_STREQ(loaded.doc.records[1]->name, "Joy");
  EXPECT_EQ(loaded.doc.records[1]->buttons[0].virtualKey, 0x44);
}

// A line break inside a text would split its line and lose the rest of the block on reading:
// it is written as a blank, and everything after it survives.
TEST(ConfigWriter, LineBreaksInTextsAreWrittenAsBlanks) {
  Reader saved;
  DeviceRecord* a = AddRecord(saved.doc, 3, TestGuid(1), "Two\nlines");
  Assign(a->buttons[0], 0x41, 0x1E, 0, "Cls\r\nX", "first\nsecond");
  Assign(a->buttons[2], 0x43, 0x2E, 2, "After", "kept");
  ASSERT_TRUE(saved.doc.OnSaveDocument(saved.path.c_str()));

  Reader loaded;
  ASSERT_EQ(loaded.Load(ReadBytes(saved.path)), LoadResult::Loaded);
  ASSERT_EQ(loaded.doc.recordCount, 1);
  const DeviceRecord& r = *loaded.doc.records[0];
  EXPECT_STREQ(r.name, "Two lines");
  EXPECT_STREQ(r.buttons[0].windowClass, "Cls  X");
  EXPECT_STREQ(r.buttons[0].description, "first second");
  EXPECT_EQ(r.buttons[2].virtualKey, 0x43);
  EXPECT_STREQ(r.buttons[2].description, "kept");
}

TEST(ConfigWriter, FormatConfigurationNeedsRoomForTheWholeText) {
  Harness h;
  FillFullDocument(h.doc);
  std::vector<char> buffer(CTarvelDoc::MaxConfigurationSize());
  const size_t length = h.doc.FormatConfiguration(buffer.data(), buffer.size());
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::string(buffer.data(), 6), "TVM2\r\n");
  std::vector<char> small(length / 2);
  EXPECT_EQ(h.doc.FormatConfiguration(small.data(), small.size()), 0u);
}

// A save into an existing file, with the file layer failing at one step.
TEST(ConfigWriter, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
  std::string expected;
  {
    Harness h;
    FillSmallDocument(h.doc);
    expected = Formatted(h.doc);
  }
  ASSERT_EQ(expected, kSmallDocumentFile);
  const int64_t size = static_cast<int64_t>(expected.size());
  struct Case {
    const char* what;
    bool failCreate;
    int64_t failWriteAt;
    bool failClose;
    bool failReplace;
  };
  const Case cases[] = {
      {"create fails", true, -1, false, false},
      {"the first byte cannot be written", false, 0, false, false},
      {"the second byte cannot be written", false, 1, false, false},
      {"the disk fills up half way", false, size / 2, false, false},
      {"the last byte cannot be written", false, size - 1, false, false},
      {"close reports lost data", false, -1, true, false},
      {"the temporary file cannot replace the old one", false, -1, false, true},
  };
  for (bool targetExists : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (targetExists ? "" : " (no old file)"));
      FaultyFileOps files;
      files.failCreate = c.failCreate;
      files.failWriteAtByte = c.failWriteAt;
      files.failClose = c.failClose;
      files.failReplace = c.failReplace;
      Reader r;
      Harness h(&files);
      FillSmallDocument(h.doc);
      h.doc.SetModifiedFlag(true);
      const std::string old = "TVM2\r\nOLD CONTENT\r\n";
      if (targetExists) WriteBytes(r.path, old);

      errno = ENOENT;
      EXPECT_FALSE(h.doc.OnSaveDocument(r.path.c_str()));

      // These faults come with no error of the system's: none is made up, none left over.
      EXPECT_EQ(errno, 0);
      EXPECT_TRUE(h.doc.IsModified());
      if (targetExists) {
        EXPECT_EQ(ReadBytes(r.path), old);
        EXPECT_EQ(r.dir.Entries(), std::vector<std::string>{"config.tvm"});
      } else {
        EXPECT_TRUE(r.dir.Entries().empty());
      }
      EXPECT_EQ(files.openFiles, 0) << "the temporary file was left open";
      ASSERT_FALSE(files.created.empty());
      for (const std::string& created : files.created) {
        EXPECT_NE(created, r.path) << "the old file was opened for writing";
        EXPECT_EQ(std::filesystem::path(created).parent_path(),
                  std::filesystem::path(r.path).parent_path());
      }
    }
  }
}

TEST(ConfigWriter, ASuccessfulSaveReplacesTheFileThroughATemporaryOne) {
  FaultyFileOps files;
  Reader r;
  Harness h(&files);
  FillSmallDocument(h.doc);
  h.doc.SetModifiedFlag(true);
  WriteBytes(r.path, "old");

  EXPECT_TRUE(h.doc.OnSaveDocument(r.path.c_str()));

  EXPECT_FALSE(h.doc.IsModified());
  EXPECT_EQ(ReadBytes(r.path), kSmallDocumentFile);
  EXPECT_EQ(r.dir.Entries(), std::vector<std::string>{"config.tvm"});
  ASSERT_EQ(files.created.size(), 1u);
  ASSERT_EQ(files.replaced.size(), 1u);
  EXPECT_EQ(files.replaced[0].first, files.created[0]);
  EXPECT_EQ(files.replaced[0].second, r.path);
  EXPECT_EQ(files.openFiles, 0);
}

TEST(ConfigWriter, ASaveIntoAMissingDirectoryFailsWithTheSystemsFiles) {
  Reader r;
  FillSmallDocument(r.doc);
  r.doc.SetModifiedFlag(true);
  const std::string path = (r.dir.Path() / "no such dir" / "config.tvm").string();

  EXPECT_FALSE(r.doc.OnSaveDocument(path.c_str()));

  EXPECT_TRUE(r.doc.IsModified());
  EXPECT_TRUE(r.dir.Entries().empty());
}

// Files by the names a save uses for its temporary file: the user's own while a name is free,
// else what cut-off saves of this file left. A save always finds a name.
TEST(ConfigWriter, TemporaryNamesAreLeftAloneUntilAllAreTakenThenClearedAndASaveGoesOn) {
  for (int taken : {0, 1, 9, 10, 11, 100}) {
    SCOPED_TRACE(std::to_string(taken) + " names taken");
    FaultyFileOps files;
    Reader r;
    Harness h(&files);
    FillSmallDocument(h.doc);
    std::vector<std::string> theirs;
    for (int n = 1; n <= taken; ++n) {
      theirs.push_back(r.path + ".saving" + (n == 1 ? "" : std::to_string(n)));
      WriteBytes(theirs.back(), "left " + std::to_string(n));
    }

    ASSERT_TRUE(h.doc.OnSaveDocument(r.path.c_str()));
    ASSERT_TRUE(h.doc.OnSaveDocument(r.path.c_str())) << "the second save";

    EXPECT_EQ(ReadBytes(r.path), kSmallDocumentFile);
    // Below ten nothing is touched; at ten the ten are cleared, and numbers past them never are.
    const int cleared = taken >= 10 ? 10 : 0;
    for (int n = 1; n <= taken; ++n) {
      if (n <= cleared) {
        EXPECT_FALSE(std::filesystem::exists(theirs[n - 1])) << n;
      } else {
        EXPECT_EQ(ReadBytes(theirs[n - 1]), "left " + std::to_string(n));
      }
    }
    for (const std::string& created : files.created)
      EXPECT_EQ(std::find(theirs.begin() + cleared, theirs.end(), created), theirs.end())
          << created;
    EXPECT_EQ(r.dir.Entries().size(), static_cast<size_t>(taken - cleared + 1));
  }
  {
    SCOPED_TRACE("folders by all ten names are never removed");
    Reader r;
    FillSmallDocument(r.doc);
    for (int n = 1; n <= 10; ++n)
      std::filesystem::create_directory(r.path + ".saving" + (n == 1 ? "" : std::to_string(n)));
    EXPECT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));
    EXPECT_EQ(ReadBytes(r.path), kSmallDocumentFile);
    EXPECT_EQ(r.dir.Entries().size(), 11u);
  }
}

#ifndef _WIN32
// Targets that are not plain files, as POSIX systems have them: a link, a pipe. And the
// permissions a replaced file had.
TEST(ConfigWriter, ALinkIsFollowedAPipeIsRefusedAndPermissionsAreKept) {
  {
    SCOPED_TRACE("a link to the configuration");
    Reader r;
    FillSmallDocument(r.doc);
    const std::string real = r.dir.File("real.tvm");
    WriteBytes(real, "old");
    const std::string link = r.dir.File("link.tvm");
    std::filesystem::create_symlink(real, link);

    EXPECT_TRUE(r.doc.OnSaveDocument(link.c_str()));

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), kSmallDocumentFile);
  }
  {
    SCOPED_TRACE("a pipe");
    Reader r;
    FillSmallDocument(r.doc);
    r.doc.SetModifiedFlag(true);
    ASSERT_EQ(mkfifo(r.path.c_str(), 0644), 0);

    EXPECT_FALSE(r.doc.OnSaveDocument(r.path.c_str()));

    EXPECT_TRUE(r.doc.IsModified());
    EXPECT_TRUE(std::filesystem::is_fifo(r.path));
    EXPECT_EQ(r.dir.Entries(), std::vector<std::string>{"config.tvm"});
  }
  {
    SCOPED_TRACE("permissions");
    Reader r;
    FillSmallDocument(r.doc);
    WriteBytes(r.path, "old");
    ASSERT_EQ(chmod(r.path.c_str(), 0600), 0);

    EXPECT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));

    struct stat info;
    ASSERT_EQ(stat(r.path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(ReadBytes(r.path), kSmallDocumentFile);
  }
}
#endif

// Targets that must not be replaced: a folder of that name, and a file made read-only.
TEST(ConfigWriter, ASaveOverAFolderOrAReadOnlyFileLeavesItAlone) {
  {
    SCOPED_TRACE("a folder");
    Reader r;
    FillSmallDocument(r.doc);
    r.doc.SetModifiedFlag(true);
    std::filesystem::create_directory(r.path);

    EXPECT_FALSE(r.doc.OnSaveDocument(r.path.c_str()));

    EXPECT_TRUE(r.doc.IsModified());
    EXPECT_TRUE(std::filesystem::is_directory(r.path));
    EXPECT_EQ(r.dir.Entries(), std::vector<std::string>{"config.tvm"});
  }
  {
    SCOPED_TRACE("a read-only file");
    Reader r;
    FillSmallDocument(r.doc);
    r.doc.SetModifiedFlag(true);
    const std::string old = "TVM2\r\nOLD CONTENT\r\n";
    WriteBytes(r.path, old);
    using std::filesystem::perms;
    std::filesystem::permissions(r.path,
                                 perms::owner_write | perms::group_write | perms::others_write,
                                 std::filesystem::perm_options::remove);

    EXPECT_FALSE(r.doc.OnSaveDocument(r.path.c_str()));

    EXPECT_TRUE(r.doc.IsModified());
    EXPECT_EQ(ReadBytes(r.path), old);
    EXPECT_EQ(r.dir.Entries(), std::vector<std::string>{"config.tvm"});
    std::filesystem::permissions(r.path, perms::owner_write, std::filesystem::perm_options::add);
  }
}

TEST(ConfigWriter, SavingChangesNothingButTheModifiedFlag) {
  Reader r;
  FillSmallDocument(r.doc);
  r.table.count = 1;
  Tie(r.doc, r.table, 1, 0);
  DeviceRecord* first = r.doc.records[0];

  ASSERT_TRUE(r.doc.OnSaveDocument(r.path.c_str()));

  EXPECT_EQ(r.doc.recordCount, 2);
  EXPECT_EQ(r.doc.records[0], first);
  EXPECT_EQ(r.doc.records[0]->buttons[0].state, 0x80);
  EXPECT_EQ(r.table.slots[0].recordIndex, 1);
  EXPECT_EQ(r.doc.records[1]->attachedIndex, 0);
  EXPECT_TRUE(r.view.calls.empty());
}

}  // namespace
}  // namespace tarvel::test
