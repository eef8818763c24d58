// The configuration model: row numbering, row status, text fields, clearing and storing keys.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/core/TestSupport.h"

namespace tarvel::test {
namespace {

// Records with 12, 0 and 8 buttons: rows 0-11 and 12-19.
struct TwelveZeroEight : Harness {
  TwelveZeroEight() {
    AddRecord(doc, 12, TestGuid(1), "Twelve");
    AddRecord(doc, 0, TestGuid(2), "None");
    AddRecord(doc, 8, TestGuid(3), "Eight");
  }
};

TEST(RowModel, RowsRunThroughTheRecordsInOrder) {
  TwelveZeroEight h;
  struct Case {
    int row;
    bool resolves;
    int record;
    int button;
  };
  const Case cases[] = {{0, true, 0, 0},   {11, true, 0, 11}, {12, true, 2, 0},   {19, true, 2, 7},
                        {20, false, 0, 0}, {-1, false, 0, 0}, {1000, false, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row));
    int record = -7, button = -7;
    EXPECT_EQ(h.doc.RowToButton(c.row, &record, &button), c.resolves);
    if (c.resolves) {
      EXPECT_EQ(record, c.record);
      EXPECT_EQ(button, c.button);
    }
  }
  EXPECT_EQ(h.doc.RowCount(), 20);
}

TEST(RowModel, ButtonToRowIsTheInverse) {
  TwelveZeroEight h;
  struct Case {
    int record, button, row;
  };
  const Case cases[] = {{0, 0, 0},  {0, 11, 11}, {1, 0, 12},  {2, 0, 12},   {2, 7, 19},
                        {3, 0, -1}, {-1, 0, -1}, {16, 0, -1}, {0, 200, 200}};
  for (const Case& c : cases)
    EXPECT_EQ(h.doc.ButtonToRow(c.record, c.button), c.row)
        << "record " << c.record << " button " << c.button;
}

TEST(RowModel, AnEmptyDocumentHasNoRows) {
  Harness h;
  int record = 0, button = 0;
  EXPECT_FALSE(h.doc.RowToButton(0, &record, &button));
  EXPECT_EQ(h.doc.ButtonToRow(0, 0), -1);
  EXPECT_EQ(h.doc.RowCount(), 0);
  EXPECT_EQ(h.doc.GetRowStatus(0), 0);
}

// Record 0 (4 buttons) is fed by slot 0; record 1 (4 buttons) has no controller although slot 1
// is connected; record 2 (4 buttons) names a slot past the table's count.
struct StatusScene : Harness {
  StatusScene() {
    AddRecord(doc, 4, TestGuid(1));
    AddRecord(doc, 4, TestGuid(2));
    AddRecord(doc, 4, TestGuid(3));
    table.count = 2;
    Tie(doc, table, 0, 0);
    table.slots[1].connected = 1;
    doc.records[2]->attachedIndex = 5;
    table.slots[5].connected = 1;  // stale value beyond the count
  }
};

TEST(RowModel, RowStatusIsTheSumOfConnectedPressedAndCaptureBits) {
  struct Case {
    int row;
    int connected;  // slot 0
    uint8_t state;
    int captureOn;
    int captureRow;
    uint8_t expected;
  };
  const Case cases[] = {
      {1, 0, 0x00, 0, 0, 0},
      {1, 0, 0x80, 0, 0, 1},
      {1, 0, 0x00, 1, 1, 2},
      {1, 0, 0x80, 1, 1, 3},
      {1, 1, 0x00, 0, 0, 4},
      {1, 1, 0x80, 0, 0, 5},
      {1, 1, 0x00, 1, 1, 6},
      {1, 1, 0x80, 1, 1, 7},
      {1, 1, 0x80, 0, 1, 5},
      {1, 1, 0xFF, 1, 2, 5},
      {1, 1, 0x7F, 0, 0, 4},
      {1, 0, 0x01, 1, 0, 0},
      // Record 1 has no controller: never bit 4, whatever the slots hold.
      {5, 1, 0x80, 1, 5, 3},
      {4, 1, 0x00, 0, 0, 0},
      // Record 2 names a slot outside the table.
      {9, 1, 0x80, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row) + " state " + std::to_string(c.state) +
                 " capture " + std::to_string(c.captureOn) + "/" + std::to_string(c.captureRow));
    StatusScene h;
    h.table.slots[0].connected = c.connected;
    int record = 0, button = 0;
    ASSERT_TRUE(h.doc.RowToButton(c.row, &record, &button));
    h.doc.records[record]->buttons[button].state = c.state;
    h.app.captureOn = c.captureOn;
    h.doc.captureRow = c.captureRow;

    EXPECT_EQ(h.doc.GetRowStatus(c.row), c.expected);
    EXPECT_EQ(h.doc.GetButtonStatus(record, button), c.expected);
  }
}

TEST(RowModel, StatusOfWhatDoesNotResolveIsZero) {
  StatusScene h;
  h.table.slots[0].connected = 1;
  for (int r = 0; r < 3; ++r)
    for (int b = 0; b < 4; ++b) h.doc.records[r]->buttons[b].state = 0x80;
  EXPECT_EQ(h.doc.GetRowStatus(-1), 0);
  EXPECT_EQ(h.doc.GetRowStatus(12), 0);
  EXPECT_EQ(h.doc.GetButtonStatus(-1, 0), 0);
  EXPECT_EQ(h.doc.GetButtonStatus(3, 0), 0);
  EXPECT_EQ(h.doc.GetButtonStatus(0, -1), 0);
  EXPECT_EQ(h.doc.GetButtonStatus(0, 4), 0);
  EXPECT_EQ(h.doc.GetButtonStatus(0, 3), 5);
}

TEST(RowModel, TextFieldsKeepAtMost63CharactersInAZeroFilledBuffer) {
  for (size_t length : {0u, 1u, 62u, 63u, 64u, 100u}) {
    SCOPED_TRACE("length " + std::to_string(length));
    TwelveZeroEight h;
    std::string text;
    for (size_t i = 0; i < length; ++i) text += static_cast<char>(i % 3 == 0 ? ',' : 'a' + i % 26);
    const std::string expected = text.substr(0, 63);

    h.doc.SetRowDescription(13, text.c_str());
    h.doc.SetRowWindowClass(13, text.c_str());

    EXPECT_TRUE(h.doc.IsModified());
    EXPECT_EQ(std::string(h.doc.records[2]->buttons[1].description), expected);
    EXPECT_EQ(std::string(h.doc.records[2]->buttons[1].windowClass), expected);
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(h.doc.GetRowDescription(13, buffer));
    EXPECT_EQ(std::string(buffer), expected);
    for (size_t i = expected.size(); i < 64; ++i) ASSERT_EQ(buffer[i], '\0') << "byte " << i;
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(h.doc.GetRowWindowClass(13, buffer));
    EXPECT_EQ(std::string(buffer), expected);
    for (size_t i = expected.size(); i < 64; ++i) ASSERT_EQ(buffer[i], '\0') << "byte " << i;
    // The setters leave refreshing to the view that called them.
    EXPECT_TRUE(h.view.calls.empty());
  }
}

TEST(RowModel, SettersMarkTheDocumentModifiedEvenWhenNothingChanges) {
  TwelveZeroEight h;
  h.doc.SetRowDescription(3, "Same");
  h.doc.SetModifiedFlag(false);
  h.doc.SetRowDescription(3, "Same");
  EXPECT_TRUE(h.doc.IsModified());
  h.doc.SetModifiedFlag(false);
  h.doc.SetRowWindowClass(3, "");
  EXPECT_TRUE(h.doc.IsModified());
}

TEST(RowModel, RowOperationsOnARowThatDoesNotResolveChangeNothing) {
  for (int row : {-1, 20, 12345}) {
    SCOPED_TRACE("row " + std::to_string(row));
    TwelveZeroEight h;
    Assign(h.doc.records[0]->buttons[11], 0x41, 0x1E, 1, "Class", "Desc");
    h.doc.SetModifiedFlag(false);
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);

    EXPECT_FALSE(h.doc.GetRowDescription(row, buffer));
    EXPECT_FALSE(h.doc.GetRowWindowClass(row, buffer));
    for (char b : buffer) ASSERT_EQ(b, '#');
    h.doc.SetRowDescription(row, "x");
    h.doc.SetRowWindowClass(row, "y");
    h.doc.ClearRowKey(row);

    EXPECT_FALSE(h.doc.IsModified());
    EXPECT_TRUE(h.view.calls.empty());
    EXPECT_EQ(h.doc.records[0]->buttons[11].assigned, 1);
    EXPECT_STREQ(h.doc.records[0]->buttons[11].description, "Desc");
    EXPECT_STREQ(h.doc.records[0]->buttons[11].windowClass, "Class");
    for (int r : {0, 2})
      for (int b = 0; b < h.doc.records[r]->buttonCount; ++b)
        if (r != 0 || b != 11) {
          ASSERT_STREQ(h.doc.records[r]->buttons[b].description, "");
          ASSERT_STREQ(h.doc.records[r]->buttons[b].windowClass, "");
        }
  }
}

TEST(RowModel, ClearRowKeyKeepsClassDescriptionAndState) {
  TwelveZeroEight h;
  ButtonMapping& m = h.doc.records[2]->buttons[3];
  Assign(m, 0x70, 0x3B, 7, "Notepad", "Save all");
  m.state = 0x80;
  h.doc.SetModifiedFlag(false);

  h.doc.ClearRowKey(15);

  EXPECT_EQ(m.assigned, 0);
  EXPECT_EQ(m.virtualKey, 0);
  EXPECT_EQ(m.scanCode, 0);
  EXPECT_EQ(m.modifiers, 0);
  EXPECT_STREQ(m.windowClass, "Notepad");
  EXPECT_STREQ(m.description, "Save all");
  EXPECT_EQ(m.state, 0x80);
  EXPECT_TRUE(h.doc.IsModified());
  EXPECT_EQ(h.view.calls, (std::vector<std::string>{"RefreshRowTexts 15", "RefreshRowImage 15"}));
  char text[kKeyTextSize];
  EXPECT_TRUE(h.doc.GetRowKeyText(15, text));
  EXPECT_STREQ(text, "");
}

// A row's whole output changes in one step, or is refused and nothing changes; the same choice
// again changes nothing, not even the modified flag.
TEST(RowModel, SetRowOutputChangesAllOrNothing) {
  RowOutput sequence;
  sequence.stepCount = 2;
  sequence.steps[0] = {0x43, 0x2E, kModCtrl};
  sequence.steps[1] = {0x56, 0x2F, kModCtrl};
  sequence.gapMs = 20;
  RowOutput text;
  text.typesText = true;
  text.text = "gg";
  auto with = [](RowOutput out, auto change) {
    change(out);
    return out;
  };
  const struct {
    const char* what;
    RowOutput output;
    int fullPool;  // 0 none, 1 the sequences, 2 the texts
    RowOutputResult result;
  } cases[] = {
      {"sequence", sequence, 0, RowOutputResult::Done},
      {"text", text, 0, RowOutputResult::Done},
      {"held sequence", with(sequence, [](RowOutput& o) { o.action = KeyAction::Hold; }), 0,
       RowOutputResult::HeldNotTyped},
      {"toggled text", with(text, [](RowOutput& o) { o.action = KeyAction::Toggle; }), 0,
       RowOutputResult::HeldNotTyped},
      {"gap 1001", with(sequence, [](RowOutput& o) { o.gapMs = 1001; }), 0,
       RowOutputResult::BadValue},
      {"17 steps", with(sequence, [](RowOutput& o) { o.stepCount = 17; }), 0,
       RowOutputResult::BadValue},
      {"long 99", with(sequence, [](RowOutput& o) { o.longPressMs = 99; }), 0,
       RowOutputResult::BadValue},
      {"not UTF-8", with(text, [](RowOutput& o) { o.text = "\xC3"; }), 0,
       RowOutputResult::BadValue},
      {"256 characters", with(text, [](RowOutput& o) { o.text = std::string(256, 'x'); }), 0,
       RowOutputResult::BadValue},
      {"sequences full", sequence, 1, RowOutputResult::SequencesFull},
      {"texts full", text, 2, RowOutputResult::TextsFull},
      {"a text where the sequences are full", text, 1, RowOutputResult::Done},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TwelveZeroEight h;
    DeviceRecord& r = *h.doc.records[2];
    for (int k = 0; c.fullPool == 1 && k < kMaxSequences; ++k) r.sequences[k].stepCount = 2;
    for (int k = 0; c.fullPool == 2 && k < kMaxTexts; ++k) r.texts[k].utf8[0] = 'x';
    Assign(r.buttons[3], 0x57, 0x11, 0);
    r.buttons[3].action = KeyAction::Turbo;
    h.doc.ProcessButtons(2, std::vector<uint8_t>(128, 0x80).data());  // a Turbo that repeats
    h.doc.SetModifiedFlag(false);
    const ButtonMapping before = r.buttons[3];

    EXPECT_EQ(h.doc.SetRowOutput(15, c.output), c.result);

    RowOutput now;
    ASSERT_TRUE(h.doc.GetRowOutput(15, &now));
    const bool done = c.result == RowOutputResult::Done;
    EXPECT_EQ(now.SameAs(c.output), done);
    EXPECT_EQ(h.doc.IsModified(), done);
    EXPECT_EQ(h.doc.HoldsKeys(), !done);  // the repeat stops only with a change
    if (!done) {
      EXPECT_EQ(std::memcmp(&before, &r.buttons[3], sizeof before), 0);
    }
    h.doc.SetModifiedFlag(false);
    EXPECT_EQ(h.doc.SetRowOutput(15, now), RowOutputResult::Done);
    EXPECT_FALSE(h.doc.IsModified());
  }
}

TEST(RowModel, StoreCapturedKeyFillsTheCaptureRow) {
  TwelveZeroEight h;
  ButtonMapping& m = h.doc.records[2]->buttons[1];
  std::snprintf(m.windowClass, sizeof m.windowClass, "Target");
  std::snprintf(m.description, sizeof m.description, "Kept");
  m.state = 0x80;
  h.doc.captureRow = 13;

  EXPECT_TRUE(h.doc.StoreCapturedKey(0x41, 0x1E, 3));

  EXPECT_EQ(m.assigned, 1);
  EXPECT_EQ(m.virtualKey, 0x41);
  EXPECT_EQ(m.scanCode, 0x1E);
  EXPECT_EQ(m.modifiers, 3);
  EXPECT_STREQ(m.windowClass, "Target");
  EXPECT_STREQ(m.description, "Kept");
  EXPECT_EQ(m.state, 0x80);
  EXPECT_TRUE(h.doc.IsModified());
  EXPECT_EQ(h.view.calls, (std::vector<std::string>{"RefreshRowTexts 13", "RefreshRowImage 13"}));
  char text[kKeyTextSize];
  ASSERT_TRUE(h.doc.GetRowKeyText(13, text));
  EXPECT_STREQ(text, "Ctrl + Shift + A");
}

TEST(RowModel, StoreCapturedKeyWithoutACaptureRowChangesNothing) {
  for (int captureRow : {-1, 20, 999}) {
    SCOPED_TRACE("capture row " + std::to_string(captureRow));
    TwelveZeroEight h;
    h.doc.captureRow = captureRow;
    EXPECT_FALSE(h.doc.StoreCapturedKey(0x41, 0x1E, 3));
    EXPECT_FALSE(h.doc.IsModified());
    EXPECT_TRUE(h.view.calls.empty());
    for (int r : {0, 2})
      for (int b = 0; b < h.doc.records[r]->buttonCount; ++b)
        ASSERT_EQ(h.doc.records[r]->buttons[b].assigned, 0);
  }
  Harness empty;
  EXPECT_FALSE(empty.doc.StoreCapturedKey(0x41, 0, 0));
  EXPECT_FALSE(empty.doc.IsModified());
}

TEST(RowModel, KeyCaptureMarksTheRowAndSetsTheApplicationFlag) {
  TwelveZeroEight h;

  h.doc.SetKeyCapture(true, 5);
  EXPECT_EQ(h.doc.captureRow, 5);
  EXPECT_EQ(h.app.captureOn, 1);
  EXPECT_EQ(h.doc.GetRowStatus(5), kStatusCaptureRow);

  h.doc.SetKeyCapture(false, 0);
  EXPECT_EQ(h.doc.captureRow, 0);
  EXPECT_EQ(h.app.captureOn, 0);
  EXPECT_EQ(h.doc.GetRowStatus(5), 0);
  EXPECT_EQ(h.view.calls,
            (std::vector<std::string>{"SetCaptureMark 5 on", "SetCaptureMark 5 off"}));
}

TEST(RowModel, ClearRecordsEmptiesTheDocumentButLeavesTheTable) {
  TwelveZeroEight h;
  h.table.count = 1;
  h.table.slots[0].recordIndex = 2;

  h.doc.ClearRecords();

  EXPECT_EQ(h.doc.recordCount, 0);
  for (DeviceRecord* r : h.doc.records) EXPECT_EQ(r, nullptr);
  EXPECT_EQ(h.table.slots[0].recordIndex, 2);
  EXPECT_EQ(h.doc.RowCount(), 0);
}

}  // namespace
}  // namespace tarvel::test
