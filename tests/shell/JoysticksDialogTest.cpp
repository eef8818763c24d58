// Joystick > Configure...: the records in another order or fewer, applied on OK in one step with
// the ties between records and attached joysticks; Cancel changes nothing.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/shell/EditingSupport.h"
#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {
namespace {

constexpr const char* kCaption = "Joysticks Configuration";

struct Buttons {
  bool up;
  bool down;
  bool remove;
  bool operator==(const Buttons&) const = default;
};

Buttons ButtonStates(HWND dialog) {
  return {IsButtonEnabled(dialog, IDC_MOVE_UP), IsButtonEnabled(dialog, IDC_MOVE_DOWN),
          IsButtonEnabled(dialog, IDC_DELETE)};
}

void Select(HWND list, int row, bool on) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = on ? LVIS_SELECTED : 0;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

std::vector<std::string> RowNames(HWND list) {
  std::vector<std::string> names;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) names.push_back(CellText(list, i, 0));
  return names;
}

// Three attached controllers "Pad 1" (2 buttons), "Pad 2" (3) and "Pad 3" (1): records 0-2.
class JoysticksDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    services_.controllers.AddController(2);
    services_.controllers.AddController(3);
    services_.controllers.AddController(1);
    app_ = std::make_unique<AppUnderTest>(services_);
    ASSERT_TRUE(app_->Start());
    ASSERT_TRUE(PumpUntil(&app_->App(), [&] { return app_->View().List().ItemImage(5) == 4; }));
    app_->Doc().SetModifiedFlag(false);
  }
  void TearDown() override { app_.reset(); }

  // Runs Configure; script gets the dialog and its list and must end the dialog.
  void Configure(const std::function<void(HWND dialog, HWND list)>& script) {
    WindowWatch watch(DialogCalled(kCaption),
                      [&](HWND dialog) { script(dialog, GetDlgItem(dialog, IDC_JOYSTICK_LIST)); });
    ASSERT_TRUE(app_->Frame().RouteCommand(ID_JOYSTICK_CONFIGURE));
    ASSERT_TRUE(watch.Fired());
    PumpFor(&app_->App(), 20);
  }
  std::vector<std::string> RecordNames() {
    std::vector<std::string> names;
    for (int r = 0; r < app_->Doc().recordCount; ++r) names.push_back(app_->Doc().records[r]->name);
    return names;
  }
  int SlotRecord(int slot) { return app_->App().Joysticks().slots[slot].recordIndex; }
  // The row picture of a row once controller c holds its button b, then lets go.
  bool PressShowsOnRow(int controller, int button, int row) {
    FakeController& pad = services_.controllers.Controller(controller);
    pad.Press(button);
    const bool shown = PumpUntil(
        &app_->App(), [&] { return app_->View().List().ItemImage(row) == 5; }, 500);
    pad.ReleaseButton(button);
    PumpUntil(
        &app_->App(), [&] { return app_->View().List().ItemImage(row) == 4; }, 500);
    return shown;
  }

  TestServices services_;
  std::unique_ptr<AppUnderTest> app_;
};

TEST_F(JoysticksDialogTest, ListsTheRecordsAndEnablesTheButtonsByTheFirstSelectedRow) {
  Configure([&](HWND dialog, HWND list) {
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"Pad 1", "Pad 2", "Pad 3"}));
    for (int i = 0; i < 3; ++i) {
      LVITEMA item = {};
      item.mask = LVIF_PARAM;
      item.iItem = i;
      SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
      EXPECT_EQ(item.lParam, i);
    }
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 280);
    const LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
    EXPECT_EQ(style & LVS_SINGLESEL, 0);
    EXPECT_NE(style & LVS_SHOWSELALWAYS, 0);

    struct Step {
      std::vector<int> selected;
      Buttons buttons;
    };
    const Step steps[] = {
        {{}, {false, false, false}}, {{0}, {false, true, true}},    {{1}, {true, true, true}},
        {{2}, {true, false, true}},  {{0, 2}, {false, true, true}}, {{1, 2}, {true, true, true}},
    };
    for (const Step& step : steps) {
      for (int i = 0; i < 3; ++i) Select(list, i, false);
      for (int row : step.selected) Select(list, row, true);
      EXPECT_EQ(ButtonStates(dialog), step.buttons) << step.selected.size();
    }
    ClickButton(dialog, IDCANCEL);
  });
}

TEST_F(JoysticksDialogTest, MovingTheLastRecordFirstReordersRowsAndTies) {
  Configure([&](HWND dialog, HWND list) {
    Select(list, 2, true);
    ClickButton(dialog, IDC_MOVE_UP);
    EXPECT_EQ(SelectedRow(list), 1);
    ClickButton(dialog, IDC_MOVE_UP);
    EXPECT_EQ(SelectedRow(list), 0);
    EXPECT_EQ(ButtonStates(dialog), (Buttons{false, true, true}));
    // Up on the first row does nothing.
    ClickButton(dialog, IDC_MOVE_UP);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"Pad 3", "Pad 1", "Pad 2"}));
    ClickButton(dialog, IDOK);
  });
  EXPECT_EQ(RecordNames(), (std::vector<std::string>{"Pad 3", "Pad 1", "Pad 2"}));
  EXPECT_TRUE(app_->Doc().IsModified());
  EXPECT_EQ(SlotRecord(0), 1);
  EXPECT_EQ(SlotRecord(1), 2);
  EXPECT_EQ(SlotRecord(2), 0);
  for (int r = 0; r < 3; ++r) EXPECT_EQ(app_->Doc().records[r]->attachedIndex, (r + 2) % 3);
  // The rows follow: Pad 3's one button first, then Pad 1's two, then Pad 2's three.
  const HWND view = app_->View().Handle();
  const char* devices[] = {"Pad 3", "Pad 1", "Pad 1", "Pad 2", "Pad 2", "Pad 2"};
  ASSERT_EQ(app_->View().List().ItemCount(), 6);
  for (int row = 0; row < 6; ++row) EXPECT_EQ(CellText(view, row, 0), devices[row]) << row;
  // Pad 3's presses now light the first row, Pad 2's second button the fifth.
  EXPECT_TRUE(PressShowsOnRow(2, 0, 0));
  EXPECT_TRUE(PressShowsOnRow(1, 1, 4));
}

TEST_F(JoysticksDialogTest, MoveDownActsOnTheFirstSelectedRowOnly) {
  Configure([&](HWND dialog, HWND list) {
    Select(list, 0, true);
    Select(list, 2, true);
    ClickButton(dialog, IDC_MOVE_DOWN);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"Pad 2", "Pad 1", "Pad 3"}));
    // The moved row's selection went with it; the other stays selected.
    EXPECT_EQ(SelectedRow(list), 1);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 2, LVIS_SELECTED), LVIS_SELECTED);
    ClickButton(dialog, IDC_MOVE_DOWN);
    ClickButton(dialog, IDC_MOVE_DOWN);  // now last: nothing
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"Pad 2", "Pad 3", "Pad 1"}));
    ClickButton(dialog, IDOK);
  });
  EXPECT_EQ(RecordNames(), (std::vector<std::string>{"Pad 2", "Pad 3", "Pad 1"}));
  EXPECT_EQ(SlotRecord(0), 2);
  EXPECT_EQ(SlotRecord(1), 0);
  EXPECT_EQ(SlotRecord(2), 1);
}

TEST_F(JoysticksDialogTest, DeletingARecordUntiesItsJoystick) {
  app_->Doc().SetRowDescription(2, "kept with Pad 2");
  Configure([&](HWND dialog, HWND list) {
    Select(list, 0, true);
    ClickButton(dialog, IDC_DELETE);
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"Pad 2", "Pad 3"}));
    // Nothing is selected now: the buttons say so.
    EXPECT_EQ(ButtonStates(dialog), (Buttons{false, false, false}));
    ClickButton(dialog, IDC_DELETE);  // with no selection: nothing
    EXPECT_EQ(RowNames(list), (std::vector<std::string>{"Pad 2", "Pad 3"}));
    ClickButton(dialog, IDOK);
  });
  EXPECT_EQ(RecordNames(), (std::vector<std::string>{"Pad 2", "Pad 3"}));
  EXPECT_EQ(SlotRecord(0), -1);
  EXPECT_EQ(SlotRecord(1), 0);
  EXPECT_EQ(SlotRecord(2), 1);
  EXPECT_STREQ(app_->Doc().records[0]->buttons[0].description, "kept with Pad 2");
  ASSERT_EQ(app_->View().List().ItemCount(), 4);
  // Pad 1's presses reach no row; Pad 2's reach its own.
  services_.controllers.Controller(0).Press(0);
  PumpFor(&app_->App(), 100);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(app_->View().List().ItemImage(row), 4) << row;
  services_.controllers.Controller(0).ReleaseButton(0);
  EXPECT_TRUE(PressShowsOnRow(1, 0, 0));
}

TEST_F(JoysticksDialogTest, DeletingEveryRecordEmptiesTheDocumentAndRefreshOffersThemAgain) {
  Configure([&](HWND dialog, HWND list) {
    for (int i = 0; i < 3; ++i) {
      Select(list, 0, true);
      ClickButton(dialog, IDC_DELETE);
    }
    EXPECT_TRUE(RowNames(list).empty());
    ClickButton(dialog, IDOK);
  });
  EXPECT_EQ(app_->Doc().recordCount, 0);
  for (int r = 0; r < kMaxRecords; ++r) EXPECT_EQ(app_->Doc().records[r], nullptr);
  for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(SlotRecord(slot), -1);
  EXPECT_EQ(app_->View().List().ItemCount(), 0);
  EXPECT_TRUE(app_->Doc().IsModified());

  services_.prompts.answers = {true, false, true};
  app_->Frame().RouteCommand(ID_JOYSTICK_REFRESH);
  EXPECT_EQ(services_.prompts.questions, (std::vector<std::string>{"Pad 1", "Pad 2", "Pad 3"}));
  EXPECT_EQ(RecordNames(), (std::vector<std::string>{"Pad 1", "Pad 3"}));
}

TEST_F(JoysticksDialogTest, CancelForgetsEveryChange) {
  Configure([&](HWND dialog, HWND list) {
    Select(list, 1, true);
    ClickButton(dialog, IDC_DELETE);
    Select(list, 1, true);
    ClickButton(dialog, IDC_MOVE_UP);
    ClickButton(dialog, IDCANCEL);
  });
  EXPECT_EQ(RecordNames(), (std::vector<std::string>{"Pad 1", "Pad 2", "Pad 3"}));
  for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(SlotRecord(slot), slot);
  EXPECT_FALSE(app_->Doc().IsModified());
  EXPECT_EQ(app_->View().List().ItemCount(), 6);
}

TEST_F(JoysticksDialogTest, OkWithoutChangesStillMarksModifiedAndRebuildsTheRows) {
  // A stale picture on a row is redrawn from the document by the rebuild.
  app_->View().SetCaptureMark(1, true);
  Configure([&](HWND dialog, HWND) { ClickButton(dialog, IDOK); });
  EXPECT_EQ(RecordNames(), (std::vector<std::string>{"Pad 1", "Pad 2", "Pad 3"}));
  EXPECT_TRUE(app_->Doc().IsModified());
  EXPECT_EQ(app_->View().List().ItemImage(1), 4);
}

TEST(JoysticksDialogEmpty, NoRecordsNoRowsAndEveryButtonDisabled) {
  TestServices services;
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  bool checked = false;
  WindowWatch watch(DialogCalled(kCaption), [&](HWND dialog) {
    EXPECT_TRUE(RowNames(GetDlgItem(dialog, IDC_JOYSTICK_LIST)).empty());
    EXPECT_EQ(ButtonStates(dialog), (Buttons{false, false, false}));
    checked = true;
    ClickButton(dialog, IDOK);
  });
  app.Frame().RouteCommand(ID_JOYSTICK_CONFIGURE);
  EXPECT_TRUE(checked);
  EXPECT_EQ(app.Doc().recordCount, 0);
}

TEST(JoysticksDialogEmpty, OneRecordSelectedCanOnlyBeDeleted) {
  TestServices services;
  services.controllers.AddController(4);
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  WindowWatch watch(DialogCalled(kCaption), [&](HWND dialog) {
    Select(GetDlgItem(dialog, IDC_JOYSTICK_LIST), 0, true);
    EXPECT_EQ(ButtonStates(dialog), (Buttons{false, false, true}));
    ClickButton(dialog, IDCANCEL);
  });
  app.Frame().RouteCommand(ID_JOYSTICK_CONFIGURE);
  EXPECT_TRUE(watch.Fired());
}

}  // namespace
}  // namespace tarvel::test
