// Reordering and deleting records (the Joysticks dialog's OK), with every tie rewritten.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/Polling.h"
#include "tests/core/TestSupport.h"

namespace tarvel::test {
namespace {

// Records R0..R3; R0 is fed by slot 1, R1 by slot 0, R2 by nothing, R3 by slot 2.
// Button 0 of record Rn types the letter A+n.
struct FourRecords : Harness {
  FourRecords() {
    for (int i = 0; i < 3; ++i) backend.AddController(3);
    table.SetUpJoysticks(nullptr);
    const Guid guids[4] = {backend.Controller(1).instanceGuid, backend.Controller(0).instanceGuid,
                           TestGuid(77), backend.Controller(2).instanceGuid};
    for (int r = 0; r < 4; ++r) {
      DeviceRecord* rec = AddRecord(doc, 2 + r, guids[r], "R" + std::to_string(r));
      Assign(rec->buttons[0], static_cast<uint8_t>(0x41 + r), 0, 0);
    }
    Tie(doc, table, 0, 1);
    Tie(doc, table, 1, 0);
    Tie(doc, table, 3, 2);
    doc.SetModifiedFlag(false);
    for (int i = 0; i < 3; ++i) backend.Controller(i).acquired = true;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int r = 0; r < doc.recordCount; ++r) names.emplace_back(doc.records[r]->name);
    return names;
  }
  std::vector<int> SlotTies() const {
    return {table.slots[0].recordIndex, table.slots[1].recordIndex, table.slots[2].recordIndex};
  }
  std::vector<int> RecordTies() const {
    std::vector<int> ties;
    for (int r = 0; r < doc.recordCount; ++r) ties.push_back(doc.records[r]->attachedIndex);
    return ties;
  }
};

TEST(RecordOrder, KeepsTheListedRecordsInOrderAndReTiesEverySlot) {
  struct Case {
    std::vector<int> order;
    std::vector<std::string> names;
    std::vector<int> slotTies;    // recordIndex of slots 0, 1, 2
    std::vector<int> recordTies;  // attachedIndex of the records, in their new order
  };
  const Case cases[] = {
      {{0, 1, 2, 3}, {"R0", "R1", "R2", "R3"}, {1, 0, 3}, {1, 0, -1, 2}},
      {{3, 0}, {"R3", "R0"}, {-1, 1, 0}, {2, 1}},
      {{3, 2, 1, 0}, {"R3", "R2", "R1", "R0"}, {2, 3, 0}, {2, -1, 0, 1}},
      {{2}, {"R2"}, {-1, -1, -1}, {-1}},
      {{1, 3}, {"R1", "R3"}, {0, -1, 1}, {0, 2}},
      {{}, {}, {-1, -1, -1}, {}},
  };
  for (const Case& c : cases) {
    std::string what = "order";
    for (int i : c.order) what += " " + std::to_string(i);
    SCOPED_TRACE(what);
    FourRecords h;

    h.doc.ApplyRecordOrder(c.order.data(), static_cast<int>(c.order.size()));

    EXPECT_EQ(h.Names(), c.names);
    EXPECT_EQ(h.doc.recordCount, static_cast<int>(c.order.size()));
    for (int r = h.doc.recordCount; r < kMaxRecords; ++r) EXPECT_EQ(h.doc.records[r], nullptr);
    EXPECT_EQ(h.SlotTies(), c.slotTies);
    EXPECT_EQ(h.RecordTies(), c.recordTies);
    for (int r = 0; r < h.doc.recordCount; ++r) {
      const int old = c.order[r];
      EXPECT_EQ(h.doc.records[r]->buttonCount, 2 + old);
      EXPECT_EQ(h.doc.records[r]->buttons[0].virtualKey, 0x41 + old);
    }
    EXPECT_TRUE(h.doc.IsModified());
    EXPECT_EQ(h.view.Count("RebuildRows"), 1);
  }
}

TEST(RecordOrder, RepeatedAndUnknownIndicesInTheOrderAreIgnored) {
  FourRecords h;
  const int order[] = {0, 0, 9, -1, 2, 4, 2};

  h.doc.ApplyRecordOrder(order, 7);

  EXPECT_EQ(h.Names(), (std::vector<std::string>{"R0", "R2"}));
  EXPECT_EQ(h.SlotTies(), (std::vector<int>{-1, 0, -1}));
  EXPECT_EQ(h.RecordTies(), (std::vector<int>{1, -1}));
  for (int r = 2; r < kMaxRecords; ++r) EXPECT_EQ(h.doc.records[r], nullptr);
}

TEST(RecordOrder, PressesFollowTheRecordsToTheirNewPlaces) {
  FourRecords h;
  const int order[] = {3, 0};
  h.doc.ApplyRecordOrder(order, 2);
  h.view.Clear();
  for (int i = 0; i < 3; ++i) h.backend.Controller(i).Press(0);

  PollJoysticks(h.table, &h.doc);

  // Slot 0 fed R1, which is gone; slot 1 feeds R0 (now record 1, first row 5); slot 2 feeds R3
  // (now record 0, row 0).
  std::vector<std::string> marks;
  for (const auto& call : h.view.calls)
    if (call.rfind("SetPressedMark", 0) == 0) marks.push_back(call);
  EXPECT_EQ(marks, (std::vector<std::string>{"SetPressedMark 5 on", "SetPressedMark 0 on"}));
  EXPECT_EQ(h.keys.sent,
            (std::vector<std::string>{KeyEventText(0x41, 0, false), KeyEventText(0x41, 0, true),
                                      KeyEventText(0x44, 0, false), KeyEventText(0x44, 0, true)}));
}

TEST(RecordOrder, TwoRecordsOfOneControllerShareItsSlotSafely) {
  {
    SCOPED_TRACE("the record that fed the slot is deleted");
    FourRecords h;
    h.doc.records[0]->instanceGuid = h.doc.records[1]->instanceGuid;
    Tie(h.doc, h.table, 0, 0);
    Tie(h.doc, h.table, 1, 0);
    const int order[] = {0, 2, 3};
    h.doc.ApplyRecordOrder(order, 3);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"R0", "R2", "R3"}));
    EXPECT_EQ(h.table.slots[0].recordIndex, 0) << "the remaining record still names the slot";
    EXPECT_EQ(h.doc.records[0]->attachedIndex, 0);
  }
  {
    SCOPED_TRACE("the two swap places");
    FourRecords h;
    h.doc.records[0]->instanceGuid = h.doc.records[1]->instanceGuid;
    Tie(h.doc, h.table, 0, 0);
    Tie(h.doc, h.table, 1, 0);
    h.table.slots[1].recordIndex = -1;
    const int order[] = {1, 0};
    h.doc.ApplyRecordOrder(order, 2);
    // The first of them in the new order takes the controller, as the saved file will.
    EXPECT_EQ(h.table.slots[0].recordIndex, 0);
    EXPECT_EQ(h.doc.records[0]->attachedIndex, 0);
    EXPECT_EQ(h.doc.records[1]->attachedIndex, -1);
  }
}

TEST(RecordOrder, DeletingEveryRecordLetsTheNextRefreshOfferEachController) {
  FourRecords h;
  h.doc.ApplyRecordOrder(nullptr, 0);
  ASSERT_EQ(h.doc.recordCount, 0);

  h.table.RefreshJoysticks(&h.frame);
  h.doc.SyncAttachedJoysticks();

  EXPECT_EQ(h.prompts.questions, (std::vector<std::string>{"Pad 1", "Pad 2", "Pad 3"}));
}

}  // namespace
}  // namespace tarvel::test
