// Ties between records and attached controllers: on opening a file, on a new document, and the
// Refresh command's re-linking and discovery.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "input/Polling.h"
#include "tests/core/ReaderSupport.h"

namespace tarvel::test {
namespace {

const Guid kA = TestGuid(1);
const Guid kB = TestGuid(2);
const Guid kC = TestGuid(3);
const Guid kX = TestGuid(99);

// Three attached controllers A, B, C in slots 0, 1, 2.
struct ThreeAttached : Reader {
  explicit ThreeAttached(uint32_t buttonsOfC = 6) {
    backend.AddController(kA, "Pad A", 4);
    backend.AddController(kB, "Pad B", 5);
    backend.AddController(kC, "Pad C", buttonsOfC);
    table.SetUpJoysticks(nullptr);
  }
  // The Refresh command: enumerate again with the frame, then re-tie and discover.
  void Refresh() {
    table.RefreshJoysticks(&frame);
    doc.SyncAttachedJoysticks();
  }
  void ExpectTie(int record, int slot) {
    EXPECT_EQ(doc.records[record]->attachedIndex, slot) << "record " << record;
    if (slot >= 0) {
      EXPECT_EQ(table.slots[slot].recordIndex, record) << "slot " << slot;
    }
  }
};

TEST(DeviceMatching, OpeningAFileTiesRecordsByInstanceGuid) {
  ThreeAttached h;
  ASSERT_EQ(h.Load(Lines(Join({{"TVM2"},
                               Block(kC, "C", {V2Button(1, 0, 0, 0, 0)}),
                               Block(kX, "X", {V2Button(1, 0, 0, 0, 0)}),
                               Block(kA, "A", {V2Button(1, 0, 0, 0, 0)})}))),
            LoadResult::Loaded);

  ASSERT_EQ(h.doc.recordCount, 3);
  h.ExpectTie(0, 2);
  h.ExpectTie(1, -1);
  h.ExpectTie(2, 0);
  EXPECT_EQ(h.table.slots[1].recordIndex, -1);
  EXPECT_TRUE(h.prompts.questions.empty()) << "opening a file never asks about controllers";
}

TEST(DeviceMatching, ARecordNamesOnlyTheFirstSlotWithItsGuid) {
  Reader h;
  h.backend.AddController(kA, "Pad A", 4);
  h.backend.AddController(kA, "Twin of A", 4);
  h.table.SetUpJoysticks(nullptr);
  ASSERT_EQ(h.table.count, 2);
  ASSERT_EQ(h.Load(Lines(Join({{"TVM2"}, Block(kA, "A", {V2Button(1, 0, 0, 0, 0)})}))),
            LoadResult::Loaded);
  EXPECT_EQ(h.doc.records[0]->attachedIndex, 0);
  EXPECT_EQ(h.table.slots[0].recordIndex, 0);
  EXPECT_EQ(h.table.slots[1].recordIndex, -1);

  h.table.UntieAll();
  h.doc.SyncAttachedJoysticks();
  EXPECT_EQ(h.doc.records[0]->attachedIndex, 0);
  EXPECT_EQ(h.table.slots[1].recordIndex, -1);
  EXPECT_EQ(h.prompts.questions, std::vector<std::string>{"Twin of A"});
}

TEST(DeviceMatching, OpeningAFileUntiesEverySlotFirst) {
  ThreeAttached h;
  AddRecord(h.doc, 4, kA);
  Tie(h.doc, h.table, 0, 0);
  h.table.slots[1].recordIndex = 0;
  ASSERT_EQ(h.Load(Lines(Join({{"TVM2"}, Block(kX, "X", {V2Button(1, 0, 0, 0, 0)})}))),
            LoadResult::Loaded);
  for (int s = 0; s < 3; ++s) EXPECT_EQ(h.table.slots[s].recordIndex, -1);
}

// Controllers that share an instance GUID are told apart by order, whatever adds the records:
// the k-th record with the GUID takes the k-th controller with it, and keeps it across Refresh,
// Yes or No, and a save and reload. Before, every record named the first such controller and
// the highest of them alone got its presses: a Yes broke the mapping that worked.
TEST(DeviceMatching, RecordsWithOneGuidTakeItsControllersInOrder) {
  struct Case {
    const char* what;
    std::vector<Guid> slots;    // the attached controllers' GUIDs, in DirectInput's order
    std::vector<Guid> records;  // the file's records
    std::vector<bool> answers;  // to the first Refresh's questions
    std::vector<int> ties;      // each record's slot after it
  };
  const Case cases[] = {
      {"a file with two records of one GUID", {kA, kA}, {kA, kA}, {}, {0, 1}},
      {"the twin is added by Yes", {kA, kA}, {kA}, {true}, {0, 1}},
      {"the twin is refused", {kA, kA}, {kA}, {false}, {0}},
      {"two twins added at once", {kA, kA, kA}, {kA}, {true, true}, {0, 1, 2}},
      {"twins among others", {kB, kA, kC, kA}, {kA, kC}, {true, true}, {1, 2, 0, 3}},
      {"more records than controllers", {kA}, {kA, kA, kA}, {}, {0, -1, -1}},
      {"none attached", {}, {kA, kA}, {}, {-1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reader h;
    for (size_t s = 0; s < c.slots.size(); ++s)
      h.backend.AddController(c.slots[s], "Pad " + std::to_string(s), 4);
    h.table.SetUpJoysticks(nullptr);
    std::vector<std::string> file = {"TVM2"};
    for (size_t r = 0; r < c.records.size(); ++r)
      file = Join({file, Block(c.records[r], "R" + std::to_string(r),
                               {V2Button(1, 1, static_cast<int>(0x41 + r), 0, 0)})});
    ASSERT_EQ(h.Load(Lines(file)), LoadResult::Loaded);
    h.prompts.answers.assign(c.answers.begin(), c.answers.end());
    h.table.RefreshJoysticks(&h.frame);
    h.doc.SyncAttachedJoysticks();
    ASSERT_EQ(h.doc.recordCount, static_cast<int>(c.ties.size()));
    for (int r = 0; r < h.doc.recordCount; ++r)
      if (r >= static_cast<int>(c.records.size()))
        Assign(h.doc.records[r]->buttons[0], static_cast<uint8_t>(0x41 + r), 0, 0);

    // The same ties after a Refresh that asks again, a hot-plug pass, and a reload of the save.
    const std::string saved = FormatConfiguration(h.doc.records, h.doc.recordCount);
    for (const char* step : {"as added", "after Refresh", "after a hot-plug pass", "reloaded"}) {
      SCOPED_TRACE(step);
      const std::string name = step;
      if (name == "after Refresh") {
        h.prompts.answers = {false, false, false, false};
        h.table.RefreshJoysticks(&h.frame);
        h.doc.SyncAttachedJoysticks();
      } else if (name == "after a hot-plug pass") {
        h.table.RefreshJoysticks(&h.frame);
        h.doc.ReattachJoysticks();
      } else if (name == "reloaded") {
        ASSERT_EQ(h.Load(saved), LoadResult::Loaded);
      }
      ASSERT_EQ(h.doc.recordCount, static_cast<int>(c.ties.size()));
      for (int r = 0; r < h.doc.recordCount; ++r) {
        EXPECT_EQ(h.doc.records[r]->attachedIndex, c.ties[r]) << "record " << r;
        if (c.ties[r] >= 0) {
          EXPECT_EQ(h.table.slots[c.ties[r]].recordIndex, r) << "slot " << c.ties[r];
        }
      }
      // Each controller's press types the key of its own record, or nothing when it has none.
      PollJoysticks(h.table, &h.doc);  // acquires them
      for (int s = 0; s < h.table.count; ++s) {
        h.keys.sent.clear();
        h.backend.Controller(s).Press(0);
        PollJoysticks(h.table, &h.doc);
        h.backend.Controller(s).ReleaseButton(0);
        PollJoysticks(h.table, &h.doc);
        const int r = h.table.slots[s].recordIndex;
        const std::vector<std::string> expected =
            r < 0 ? std::vector<std::string>{}
                  : std::vector<std::string>{KeyEventText(static_cast<uint8_t>(0x41 + r), 0, false),
                                             KeyEventText(static_cast<uint8_t>(0x41 + r), 0, true)};
        EXPECT_EQ(h.keys.sent, expected) << "slot " << s;
      }
    }
  }
}

TEST(DeviceMatching, ADroppedBlockLeavesNoTie) {
  for (const std::string& brokenBlock :
       {Header(kA, "A") + "\r\nNumberOfButtons = 0\r\n",
        Header(kA, "A").substr(0, 80) + "\r\nNumberOfButtons = 1\r\nButton1 = 0,0,0,0,0,,0,\r\n",
        Header(kA, "A") + "\r\nButton1 = 0,0,0,0,0,,0,\r\n"}) {
    ThreeAttached h;
    ASSERT_EQ(
        h.Load("TVM2\r\n" + brokenBlock + Lines(Block(kB, "B", {V2Button(1, 1, 0x42, 0, 0)}))),
        LoadResult::Loaded);
    ASSERT_EQ(h.doc.recordCount, 1);
    EXPECT_STREQ(h.doc.records[0]->name, "B");
    EXPECT_EQ(h.table.slots[0].recordIndex, -1);
    h.ExpectTie(0, 1);
  }
}

TEST(DeviceMatching, ANewDocumentHasOneRecordPerAttachedController) {
  struct Case {
    int controllers;
    int records;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{3, 3}, Case{16, 16}, Case{17, 16}}) {
    SCOPED_TRACE(std::to_string(c.controllers) + " controllers");
    Harness h;
    for (int i = 0; i < c.controllers; ++i) h.backend.AddController(static_cast<uint32_t>(i + 1));
    h.table.SetUpJoysticks(nullptr);
    AddRecord(h.doc, 3, kX, "Old");
    h.doc.SetModifiedFlag(false);

    EXPECT_TRUE(h.doc.OnNewDocument());

    EXPECT_EQ(h.app.refreshes, 1);
    EXPECT_EQ(h.doc.recordCount, c.records);
    EXPECT_TRUE(h.doc.IsModified());
    for (int r = 0; r < c.records; ++r) {
      SCOPED_TRACE("record " + std::to_string(r));
      const DeviceRecord& rec = *h.doc.records[r];
      const JoystickSlot& slot = h.table.slots[r];
      EXPECT_STREQ(rec.name, slot.productName);
      EXPECT_TRUE(rec.instanceGuid == slot.instanceGuid);
      EXPECT_TRUE(rec.productGuid == slot.productGuid);
      EXPECT_EQ(rec.buttonCount, r + 1);
      EXPECT_EQ(rec.attachedIndex, r);
      EXPECT_EQ(slot.recordIndex, r);
      for (const ButtonMapping& m : rec.buttons) ExpectCleared(m);
      // Refreshed during start-up: no window yet.
      EXPECT_EQ(h.backend.Controller(r).cooperativeWindow, nullptr);
    }
    for (int r = c.records; r < kMaxRecords; ++r) EXPECT_EQ(h.doc.records[r], nullptr);
  }
}

TEST(DeviceMatching, AControllerWithMoreThan128ButtonsGetsARecordOf128) {
  {
    Harness h;
    h.backend.AddController(200);
    h.table.SetUpJoysticks(nullptr);
    ASSERT_TRUE(h.doc.OnNewDocument());
    ASSERT_EQ(h.doc.recordCount, 1);
    EXPECT_EQ(h.doc.records[0]->buttonCount, 128);
  }
  {
    ThreeAttached h(200);
    AddRecord(h.doc, 4, kA);
    AddRecord(h.doc, 5, kB);
    h.prompts.answers = {true};
    h.Refresh();
    ASSERT_EQ(h.doc.recordCount, 3);
    EXPECT_EQ(h.doc.records[2]->buttonCount, 128);
    EXPECT_EQ(h.doc.RowCount(), 4 + 5 + 128);
  }
}

TEST(DeviceMatching, RefreshReTiesRecordsToWhereTheirControllersAreNow) {
  ThreeAttached h;
  h.doc.BuildRecordsFromAttached();
  h.backend.Controller(1).Unplug();
  h.doc.SetModifiedFlag(false);

  h.Refresh();

  ASSERT_EQ(h.table.count, 2);
  ASSERT_EQ(h.doc.recordCount, 3);
  h.ExpectTie(0, 0);
  h.ExpectTie(1, -1);  // unplugged: stays in the document, untied
  h.ExpectTie(2, 1);
  EXPECT_TRUE(h.prompts.questions.empty());
  EXPECT_FALSE(h.doc.IsModified());
  EXPECT_EQ(h.view.calls, std::vector<std::string>{"OnUpdate null 0"});

  h.backend.Controller(1).PlugIn();
  h.view.Clear();
  h.Refresh();

  h.ExpectTie(0, 0);
  h.ExpectTie(1, 1);
  h.ExpectTie(2, 2);
  EXPECT_TRUE(h.prompts.questions.empty());
  EXPECT_EQ(h.view.calls, std::vector<std::string>{"OnUpdate null 0"});
}

TEST(DeviceMatching, DiscoveryAsksInSlotOrderAndAppendsEachYesAtOnce) {
  ThreeAttached h;
  AddRecord(h.doc, 5, kB, "Known B");
  Assign(h.doc.records[0]->buttons[0], 0x41, 0, 0);
  h.doc.SetModifiedFlag(false);
  h.prompts.answers = {true, true};
  h.log.Clear();

  h.Refresh();

  EXPECT_EQ(h.prompts.questions, (std::vector<std::string>{"Pad A", "Pad C"}));
  ASSERT_EQ(h.doc.recordCount, 3);
  EXPECT_STREQ(h.doc.records[0]->name, "Known B");
  EXPECT_EQ(h.doc.records[0]->buttons[0].virtualKey, 0x41);
  h.ExpectTie(0, 1);
  h.ExpectTie(1, 0);
  h.ExpectTie(2, 2);
  const DeviceRecord& added = *h.doc.records[1];
  EXPECT_STREQ(added.name, "Pad A");
  EXPECT_TRUE(added.instanceGuid == kA);
  EXPECT_TRUE(added.productGuid == h.backend.Controller(0).productGuid);
  EXPECT_EQ(added.buttonCount, 4);
  for (const ButtonMapping& m : added.buttons) ExpectCleared(m);
  EXPECT_EQ(h.doc.records[2]->buttonCount, 6);
  EXPECT_TRUE(h.doc.IsModified());
  // Each Yes rebuilds the rows before the next question; the views update last.
  std::vector<std::string> tail;
  for (const auto& e : h.log.events)
    if (e.rfind("prompt", 0) == 0 || e.rfind("view", 0) == 0) tail.push_back(e);
  EXPECT_EQ(tail,
            (std::vector<std::string>{"prompt ask Pad A", "view RebuildRows", "prompt ask Pad C",
                                      "view RebuildRows", "view OnUpdate null 0"}));
}

TEST(DeviceMatching, NoChangesNothingAndTheNextRefreshAsksAgain) {
  ThreeAttached h;
  AddRecord(h.doc, 4, kA);
  AddRecord(h.doc, 5, kB);
  h.doc.SetModifiedFlag(false);
  h.prompts.answers = {false};

  h.Refresh();

  EXPECT_EQ(h.prompts.questions, std::vector<std::string>{"Pad C"});
  EXPECT_EQ(h.doc.recordCount, 2);
  EXPECT_EQ(h.table.slots[2].recordIndex, -1);
  EXPECT_FALSE(h.doc.IsModified());
  EXPECT_EQ(h.view.calls, std::vector<std::string>{"OnUpdate null 0"});

  h.prompts.answers = {true};
  h.Refresh();

  EXPECT_EQ(h.prompts.questions, (std::vector<std::string>{"Pad C", "Pad C"}));
  ASSERT_EQ(h.doc.recordCount, 3);
  h.ExpectTie(2, 2);
}

TEST(DeviceMatching, AYesCountsOnlyForAControllerStillThereAndUnknownAfterTheQuestion) {
  struct Case {
    const char* what;
    bool unplugAsked;  // the controller asked about is pulled out while the question is open
    int records;       // after the Yes
  };
  const Case cases[] = {{"the table is enumerated again meanwhile", false, 3},
                        {"and the controller asked about is gone", true, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ThreeAttached h;
    AddRecord(h.doc, 4, kA);
    AddRecord(h.doc, 5, kB);
    bool openWhileAsking = false;
    h.prompts.whileAsking = [&](const std::string&) {
      openWhileAsking = h.doc.DiscoveryOpen();
      if (c.unplugAsked) h.backend.Controller(2).Unplug();
      h.table.RefreshJoysticks(&h.frame);  // every tie of the table is undone
    };
    h.prompts.answers = {true};

    h.Refresh();

    EXPECT_TRUE(openWhileAsking);
    EXPECT_FALSE(h.doc.DiscoveryOpen());
    ASSERT_EQ(h.doc.recordCount, c.records);
    h.ExpectTie(0, 0);
    h.ExpectTie(1, 1);
    if (c.records == 3) h.ExpectTie(2, 2);
    // Nothing known was added a second time: the next refresh finds nothing to ask.
    h.prompts.whileAsking = nullptr;
    h.prompts.questions.clear();
    if (c.unplugAsked) h.backend.Controller(2).PlugIn();
    h.prompts.answers = {false};
    h.Refresh();
    EXPECT_EQ(h.prompts.questions.size(), c.unplugAsked ? 1u : 0u);
  }
}

TEST(DeviceMatching, YesAndNoMixed) {
  ThreeAttached h;
  h.prompts.answers = {false, true, false};
  h.Refresh();
  EXPECT_EQ(h.prompts.questions, (std::vector<std::string>{"Pad A", "Pad B", "Pad C"}));
  ASSERT_EQ(h.doc.recordCount, 1);
  EXPECT_STREQ(h.doc.records[0]->name, "Pad B");
  h.ExpectTie(0, 1);
  EXPECT_EQ(h.table.slots[0].recordIndex, -1);
  EXPECT_EQ(h.table.slots[2].recordIndex, -1);
}

TEST(DeviceMatching, NothingNewAsksNothingButTheViewsStillUpdate) {
  ThreeAttached h;
  h.doc.BuildRecordsFromAttached();
  h.doc.SetModifiedFlag(false);
  h.Refresh();
  EXPECT_TRUE(h.prompts.questions.empty());
  EXPECT_FALSE(h.doc.IsModified());
  EXPECT_EQ(h.view.calls, std::vector<std::string>{"OnUpdate null 0"});
}

TEST(DeviceMatching, AFullDocumentAsksNothing) {
  {
    SCOPED_TRACE("already full");
    ThreeAttached h;
    for (uint32_t i = 0; i < 16; ++i) AddRecord(h.doc, 2, TestGuid(500 + i));
    h.prompts.answers = {true, true, true};
    h.Refresh();
    EXPECT_TRUE(h.prompts.questions.empty());
    EXPECT_EQ(h.doc.recordCount, 16);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(h.table.slots[s].recordIndex, -1);
    EXPECT_EQ(h.view.calls, std::vector<std::string>{"OnUpdate null 0"});
  }
  {
    SCOPED_TRACE("full after the first Yes");
    ThreeAttached h;
    for (uint32_t i = 0; i < 15; ++i) AddRecord(h.doc, 2, TestGuid(500 + i));
    h.prompts.answers = {true, true, true};
    h.Refresh();
    EXPECT_EQ(h.prompts.questions, std::vector<std::string>{"Pad A"});
    ASSERT_EQ(h.doc.recordCount, 16);
    h.ExpectTie(15, 0);
    EXPECT_EQ(h.table.slots[1].recordIndex, -1);
  }
}

TEST(DeviceMatching, TheJoystickInQuestionFeedsNothingUntilTheAnswer) {
  ThreeAttached h;
  AddRecord(h.doc, 4, kA);
  AddRecord(h.doc, 5, kB);
  Assign(h.doc.records[0]->buttons[0], 0x41, 0, 0);
  h.backend.Controller(2).Press(0);
  h.backend.Controller(0).Press(0);
  int slotDuringQuestion = 0;
  h.prompts.whileAsking = [&](const std::string&) {
    slotDuringQuestion = h.table.slots[2].recordIndex;
    // The question is modal: polling goes on meanwhile.
    PollJoysticks(h.table, &h.doc);
    PollJoysticks(h.table, &h.doc);
  };
  h.prompts.answers = {true};

  h.Refresh();

  EXPECT_EQ(slotDuringQuestion, -1);
  // Only controller A's press reached a record (record 0, row 0) during the question.
  EXPECT_EQ(h.view.Count("SetPressedMark 0 on"), 1);
  EXPECT_EQ(h.view.CountStarting("SetPressedMark"), 1);
  ASSERT_EQ(h.doc.recordCount, 3);
  h.view.Clear();
  PollJoysticks(h.table, &h.doc);
  EXPECT_EQ(h.view.calls, std::vector<std::string>{"SetPressedMark 9 on"});
}

TEST(DeviceMatching, TheQuestionNamesTheController) {
  char buffer[256];
  FormatNewJoystickQuestion("Pad C", buffer, sizeof buffer);
  EXPECT_STREQ(buffer,
               "New joystick named \"Pad C\" was discovered.\n\n"
               "Do you want to add it to your configuration?");

  char small[16 + 4];
  std::memset(small, 0x7E, sizeof small);
  FormatNewJoystickQuestion("Pad C", small, 16);
  EXPECT_LT(std::strlen(small), 16u);
  EXPECT_EQ(std::string(small), std::string("New joystick named").substr(0, std::strlen(small)));
  for (size_t i = 16; i < sizeof small; ++i) EXPECT_EQ(small[i], 0x7E);

  std::string longName(255, 'L');
  std::vector<char> big(400);
  FormatNewJoystickQuestion(longName.c_str(), big.data(), static_cast<int>(big.size()));
  EXPECT_NE(std::string(big.data()).find("\"" + longName + "\""), std::string::npos);
}

}  // namespace
}  // namespace tarvel::test
