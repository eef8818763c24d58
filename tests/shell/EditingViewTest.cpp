// Editing in the mapping list: the rows of a document, the row pictures as buttons go down and
// up, and what a double click does in each column, with the target window and description
// dialogs that it opens.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "tests/shell/EditingSupport.h"
#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {
namespace {

constexpr const char* kTargetCaption = "Select Target Window Class for Key Mapping";
constexpr const char* kDescriptionCaption = "Enter Key Mapping Description";

// Two attached controllers, "Pad 1" with 2 buttons and "Pad 2" with 3: rows 0-1 and 2-4.
class EditingViewTest : public TwoPadsTest {
 protected:
  void DoubleClickCell(int row, int column) {
    PostDoubleClick(list_, CellCentre(list_, row, column));
    Pump();
  }
};

TEST_F(EditingViewTest, TwoAndThreeButtonRecordsGiveFiveOwnerDrawnRows) {
  const LONG_PTR style = GetWindowLongPtrA(list_, GWL_STYLE);
  EXPECT_NE(style & LVS_OWNERDRAWFIXED, 0);
  EXPECT_TRUE(app_->View().IsFullRowMode());
  EXPECT_EQ(style & LVS_SINGLESEL, 0);
  // The view destroys its image lists itself; the list must leave them alone.
  EXPECT_NE(style & LVS_SHAREIMAGELISTS, 0);

  struct Row {
    const char* device;
    const char* button;
  };
  const Row rows[] = {
      {"Pad 1", "1"}, {"Pad 1", "2"}, {"Pad 2", "1"}, {"Pad 2", "2"}, {"Pad 2", "3"}};
  ASSERT_EQ(app_->View().List().ItemCount(), 5);
  for (int r = 0; r < 5; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(CellText(list_, r, 0), rows[r].device);
    EXPECT_EQ(CellText(list_, r, 1), rows[r].button);
    // Unassigned: no key, class or description; connected and idle: picture 4.
    for (int column = 2; column < 5; ++column) EXPECT_EQ(CellText(list_, r, column), "");
    EXPECT_EQ(CellText(list_, r, 5), "Tap");
    EXPECT_EQ(app_->View().List().ItemImage(r), 4);
  }
  int record = -1;
  int button = -1;
  ASSERT_TRUE(app_->Doc().RowToButton(3, &record, &button));
  EXPECT_EQ(record, 1);
  EXPECT_EQ(button, 1);

  // The pictures: eight of 16 x 16 and eight of 32 x 32, the last one also overlay 1.
  int cx = 0;
  int cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(app_->View().SmallImages(), &cx, &cy));
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  EXPECT_EQ(ImageList_GetImageCount(app_->View().SmallImages()), 8);
  ASSERT_TRUE(ImageList_GetIconSize(app_->View().LargeImages(), &cx, &cy));
  EXPECT_EQ(cx, 32);
  EXPECT_EQ(ImageList_GetImageCount(app_->View().LargeImages()), 8);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(list_, LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
            app_->View().SmallImages());
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(list_, LVM_GETIMAGELIST, LVSIL_NORMAL, 0)),
            app_->View().LargeImages());
}

TEST_F(EditingViewTest, RowPicturesFollowTheButtonsOfConnectedAndUnattachedRecords) {
  CTarvelView& view = app_->View();
  FakeController& pad2 = services_.controllers.Controller(1);
  // Connected: 4 idle, 5 held, 4 again; only the held button's row changes.
  pad2.Press(1);
  ASSERT_TRUE(PumpUntil(&app_->App(), [&] { return view.List().ItemImage(3) == 5; }));
  for (int row : {0, 1, 2, 4}) EXPECT_EQ(view.List().ItemImage(row), 4);
  pad2.ReleaseButton(1);
  ASSERT_TRUE(PumpUntil(&app_->App(), [&] { return view.List().ItemImage(3) == 4; }));

  // A record whose controller is not attached: 0 idle, 1 held (the same picture), 0 again.
  TempDir folder;
  const std::string path = folder.File("unattached.tvm");
  WriteBytes(path, ConfigText({{TestGuid(40), "Old Wheel", 2}}));
  services_.frameworkPrompts.saveAnswers.push_back(fw::FrameworkPrompts::Answer::No);
  services_.frameworkPrompts.files.push_back(path);
  app_->Frame().RouteCommand(ID_FILE_OPEN);
  ASSERT_EQ(view.List().ItemCount(), 2);
  EXPECT_EQ(view.List().ItemImage(1), 0);
  uint8_t buttons[128] = {};
  buttons[1] = 0x80;
  app_->Doc().ProcessButtons(0, buttons);
  EXPECT_EQ(view.List().ItemImage(1), 1);
  EXPECT_EQ(view.List().ItemImage(0), 0);
  buttons[1] = 0;
  app_->Doc().ProcessButtons(0, buttons);
  EXPECT_EQ(view.List().ItemImage(1), 0);
}

TEST_F(EditingViewTest, DoubleClickActsByColumn) {
  enum class Effect { None, Capture, TargetDialog, DescriptionDialog, ActionDialog };
  struct Case {
    int column;
    Effect effect;
  };
  const Case cases[] = {{0, Effect::None},
                        {1, Effect::None},
                        {2, Effect::Capture},
                        {3, Effect::TargetDialog},
                        {4, Effect::DescriptionDialog},
                        {5, Effect::ActionDialog}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    app_->Doc().SetModifiedFlag(false);
    bool targetSeen = false;
    bool descriptionSeen = false;
    WindowWatch target(DialogCalled(kTargetCaption), [&](HWND dialog) {
      targetSeen = true;
      ClickButton(dialog, IDCANCEL);
    });
    WindowWatch description(DialogCalled(kDescriptionCaption), [&](HWND dialog) {
      descriptionSeen = true;
      ClickButton(dialog, IDCANCEL);
    });
    // The action dialog is answered with OK: Turbo at 20 keystrokes a second, F5 on a long press.
    WindowWatch action(DialogCalled("Key Mapping Action"), [&](HWND dialog) {
      SendMessageA(GetDlgItem(dialog, IDC_ACTION_TURBO), BM_CLICK, 0, 0);
      SetDlgItemTextA(dialog, IDC_TURBO_RATE, "20");
      SendMessageA(GetDlgItem(dialog, IDC_LONG_PRESS), BM_CLICK, 0, 0);
      SendMessageA(GetDlgItem(dialog, IDC_LONG_KEY), WM_KEYDOWN, VK_F5, 0x3F << 16);
      ClickButton(dialog, IDOK);
    });
    DoubleClickCell(3, c.column);
    EXPECT_EQ(action.Fired(), c.effect == Effect::ActionDialog);
    if (c.effect == Effect::ActionDialog) {
      EXPECT_EQ(CellText(list_, 3, 5), "Turbo 20/s");
      const std::string key = CellText(list_, 3, 2);
      EXPECT_TRUE(key.ends_with("(hold: F5)")) << key;
      EXPECT_EQ(app_->Doc().records[1]->buttons[1].longPressMs, kDefaultLongPressMs);
      EXPECT_EQ(app_->Doc().records[1]->buttons[1].action, KeyAction::Turbo);
      EXPECT_EQ(app_->Doc().records[1]->buttons[1].turboRate, 20);
      EXPECT_TRUE(app_->Doc().IsModified());
      continue;
    }
    EXPECT_EQ(app_->App().CaptureOn() != 0, c.effect == Effect::Capture);
    EXPECT_EQ(targetSeen, c.effect == Effect::TargetDialog);
    EXPECT_EQ(descriptionSeen, c.effect == Effect::DescriptionDialog);
    if (c.effect == Effect::Capture) {
      EXPECT_EQ(app_->Doc().captureRow, 3);
      EXPECT_EQ(app_->View().List().ItemImage(3), 6);
      // A left click anywhere in the list cancels.
      PostLeftClick(list_, CellCentre(list_, 0, 1));
      Pump();
      EXPECT_EQ(app_->App().CaptureOn(), 0);
      EXPECT_EQ(app_->View().List().ItemImage(3), 4);
    }
    // Cancel in a dialog, and the columns that do nothing, leave the document as it was.
    EXPECT_FALSE(app_->Doc().IsModified());
  }

  // Below the last row nothing happens either.
  RECT last = {};
  last.left = LVIR_BOUNDS;
  SendMessageA(list_, LVM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&last));
  const POINT below = CellCentre(list_, 4, 2);
  PostDoubleClick(list_, POINT{below.x, last.bottom + 40});
  Pump();
  EXPECT_EQ(app_->App().CaptureOn(), 0);
}

// Six quick presses of a sequence with gaps: one is typed, four wait, and the status bar says
// that the sixth was dropped.
TEST_F(EditingViewTest, APressPastTheSequencesWaitingIsDroppedAndTheStatusBarSaysSo) {
  DeviceRecord& pad = *app_->Doc().records[0];
  const KeyStroke two[] = {{'A', 0x1E, 0}, {'B', 0x30, 0}};
  ASSERT_TRUE(pad.SetSequence(pad.buttons[0], two, 2, 1000));
  uint8_t buttons[128] = {};
  for (int press = 0; press < 6; ++press) {
    EXPECT_NE(app_->Frame().MessageText().rfind("A press was dropped", 0), 0u) << press;
    buttons[0] = 0x80;
    app_->Doc().ProcessButtons(0, buttons);
    buttons[0] = 0x00;
    app_->Doc().ProcessButtons(0, buttons);
  }
  EXPECT_EQ(app_->Frame().MessageText(),
            "A press was dropped: 4 sequences are already waiting to be typed.");
  app_->Doc().ReleaseHeldKeys();
}

TEST_F(EditingViewTest, AHalfAxisRowIsNamedAndItsButtonCellSetsItsThresholds) {
  // Pad 2 gets the rows of its X axis: rows 5 "X Axis -" and 6 "X Axis +".
  app_->Doc().records[1]->controlRows = 3u << kHatControls;
  app_->View().RebuildRows();
  ASSERT_EQ(app_->View().List().ItemCount(), 7);
  EXPECT_EQ(CellText(list_, 5, 1), "X Axis -");
  EXPECT_EQ(CellText(list_, 6, 1), "X Axis +");
  // Widened from its 50 pixels to show the names whole.
  const int stringWidth = static_cast<int>(
      SendMessageA(list_, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>("X Axis +")));
  EXPECT_GE(app_->View().List().ColumnWidth(1), stringWidth + 12);
  app_->Doc().SetModifiedFlag(false);
  bool stayedOpen = false;
  WindowWatch refusal(DialogCalled("Tarvel"), [&](HWND box) { ClickButton(box, IDOK); });
  // First two percents that do not fit (release not below press): the dialog says so and stays.
  WindowWatch thresholds(DialogCalled("Axis Thresholds"), [&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_PRESS_PERCENT, "70");
    SetDlgItemTextA(dialog, IDC_RELEASE_PERCENT, "70");
    ClickButton(dialog, IDOK);
    stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
    SetDlgItemTextA(dialog, IDC_RELEASE_PERCENT, "30");
    ClickButton(dialog, IDOK);
  });
  DoubleClickCell(6, 1);
  EXPECT_TRUE(thresholds.Fired());
  EXPECT_TRUE(stayedOpen);
  int press = 0;
  int release = 0;
  ASSERT_TRUE(app_->Doc().GetRowThresholds(6, &press, &release));
  EXPECT_EQ(press * 100 + release, 7030);
  EXPECT_EQ(CellText(list_, 6, 1), "X Axis + (70/30%)");
  EXPECT_GE(
      app_->View().List().ColumnWidth(1),
      SendMessageA(list_, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>("X Axis + (70/30%)")) +
          12);
  EXPECT_TRUE(refusal.Fired());
  EXPECT_TRUE(app_->Doc().IsModified());
  // A button row's Button cell opens nothing.
  app_->Doc().SetModifiedFlag(false);
  DoubleClickCell(2, 1);
  EXPECT_FALSE(app_->Doc().IsModified());
}

TEST_F(EditingViewTest, TargetWindowDialogStoresTheClassOnOkOnly) {
  // Cancel after typing changes nothing.
  app_->Doc().SetModifiedFlag(false);
  WindowWatch cancel(DialogCalled(kTargetCaption), [](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_SELECTION, "Typed");
    ClickButton(dialog, IDCANCEL);
  });
  DoubleClickCell(1, 3);
  ASSERT_TRUE(cancel.Fired());
  EXPECT_EQ(CellText(list_, 1, 3), "");
  EXPECT_FALSE(app_->Doc().IsModified());

  // OK stores the edit's text, and the row shows it.
  std::string shown;
  WindowWatch ok(DialogCalled(kTargetCaption), [&](HWND dialog) {
    char text[128] = {};
    GetDlgItemTextA(dialog, IDC_SELECTION, text, sizeof(text));
    shown = text;
    SetDlgItemTextA(dialog, IDC_SELECTION, "Notepad");
    ClickButton(dialog, IDOK);
  });
  DoubleClickCell(1, 3);
  ASSERT_TRUE(ok.Fired());
  EXPECT_EQ(shown, "");
  EXPECT_EQ(CellText(list_, 1, 3), "Notepad");
  EXPECT_STREQ(app_->Doc().records[0]->buttons[1].windowClass, "Notepad");
  EXPECT_TRUE(app_->Doc().IsModified());

  // The dialog opens with the row's class in its edit.
  WindowWatch again(DialogCalled(kTargetCaption), [&](HWND dialog) {
    char text[128] = {};
    GetDlgItemTextA(dialog, IDC_SELECTION, text, sizeof(text));
    shown = text;
    ClickButton(dialog, IDCANCEL);
  });
  DoubleClickCell(1, 3);
  EXPECT_EQ(shown, "Notepad");
}

TEST_F(EditingViewTest, DescriptionDialogStoresOnOkEvenWhenUnchanged) {
  WindowWatch first(DialogCalled(kDescriptionCaption), [](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_DESCRIPTION, "Fire");
    ClickButton(dialog, IDOK);
  });
  DoubleClickCell(4, 4);
  ASSERT_TRUE(first.Fired());
  EXPECT_EQ(CellText(list_, 4, 4), "Fire");
  EXPECT_STREQ(app_->Doc().records[1]->buttons[2].description, "Fire");

  // OK without an edit still counts as a change.
  app_->Doc().SetModifiedFlag(false);
  std::string shown;
  WindowWatch second(DialogCalled(kDescriptionCaption), [&](HWND dialog) {
    char text[128] = {};
    GetDlgItemTextA(dialog, IDC_DESCRIPTION, text, sizeof(text));
    shown = text;
    ClickButton(dialog, IDOK);
  });
  DoubleClickCell(4, 4);
  EXPECT_EQ(shown, "Fire");
  EXPECT_TRUE(app_->Doc().IsModified());
  EXPECT_EQ(CellText(list_, 4, 4), "Fire");
}

TEST_F(EditingViewTest, DialogsAreOwnedByTheMainWindowAndCentredOnIt) {
  HWND owner = nullptr;
  RECT box = {};
  WindowWatch watch(DialogCalled(kDescriptionCaption), [&](HWND dialog) {
    owner = GetWindow(dialog, GW_OWNER);
    GetWindowRect(dialog, &box);
    ClickButton(dialog, IDCANCEL);
  });
  DoubleClickCell(0, 4);
  ASSERT_TRUE(watch.Fired());
  EXPECT_EQ(owner, app_->FrameHandle());
  RECT frame = {};
  GetWindowRect(app_->FrameHandle(), &frame);
  EXPECT_NEAR((box.left + box.right) / 2, (frame.left + frame.right) / 2, 2);
  EXPECT_NEAR((box.top + box.bottom) / 2, (frame.top + frame.bottom) / 2, 2);
}

TEST_F(EditingViewTest, ConfigureAndPrintAreEnabled) {
  fw::CmdUI configure(ID_JOYSTICK_CONFIGURE);
  EXPECT_TRUE(app_->Frame().RouteUpdate(configure));
  EXPECT_TRUE(configure.enabled);
  fw::CmdUI print(ID_FILE_PRINT);
  EXPECT_TRUE(app_->Frame().RouteUpdate(print));
  EXPECT_TRUE(print.enabled);
}

}  // namespace
}  // namespace tarvel::test
