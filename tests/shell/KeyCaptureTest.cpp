// Key capture from end to end: a double click on a key cell, the key messages as the message
// loop delivers them, and the clicks that clear or cancel.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/shell/EditingSupport.h"
#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {
namespace {

const std::string kIdleHint =
    "Doubleclick corresponding row area to assign key, target window or description";
const std::string kCaptureHint =
    "Press keyboard key to assign. Right click to delete. Left click to cancel";

struct Key {
  UINT message;
  UINT virtualKey;
  UINT scanCode;
  bool extended = false;
};

class KeyCaptureTest : public TwoPadsTest {
 protected:
  void StartCapture(int row) {
    PostDoubleClick(list_, CellCentre(list_, row, 2));
    Pump();
  }
  void Press(const std::vector<Key>& keys) {
    for (const Key& key : keys)
      PostKey(list_, key.message, key.virtualKey, key.scanCode, key.extended);
    Pump();
  }
  const ButtonMapping& Mapping(int row) {
    int record = 0;
    int button = 0;
    app_->Doc().RowToButton(row, &record, &button);
    return app_->Doc().records[record]->buttons[button];
  }
  bool Capturing() { return app_->App().CaptureOn() != 0; }
};

TEST_F(KeyCaptureTest, ModifiersHeldWhenTheKeyGoesDownAreStoredWithIt) {
  struct Case {
    const char* name;
    std::vector<Key> keys;
    uint8_t virtualKey;
    uint8_t scanCode;
    uint8_t modifiers;
    const char* keyText;
  };
  const Case cases[] = {
      {"Ctrl then A",
       {{WM_KEYDOWN, VK_CONTROL, 0x1D}, {WM_KEYDOWN, 'A', 0x1E}},
       'A',
       0x1E,
       kModCtrl,
       "Ctrl + A"},
      {"Shift released before A",
       {{WM_KEYDOWN, VK_SHIFT, 0x2A}, {WM_KEYUP, VK_SHIFT, 0x2A}, {WM_KEYDOWN, 'A', 0x1E}},
       'A',
       0x1E,
       0,
       "A"},
      {"Alt and X, both system keys",
       {{WM_SYSKEYDOWN, VK_MENU, 0x38}, {WM_SYSKEYDOWN, 'X', 0x2D}},
       'X',
       0x2D,
       kModAlt,
       "Alt + X"},
      {"Ctrl, Alt and Shift together",
       {{WM_KEYDOWN, VK_SHIFT, 0x2A},
        {WM_KEYDOWN, VK_CONTROL, 0x1D},
        {WM_SYSKEYDOWN, VK_MENU, 0x38},
        {WM_SYSKEYDOWN, VK_F1, 0x3B}},
       VK_F1,
       0x3B,
       kModShift | kModCtrl | kModAlt,
       "Ctrl + Alt + Shift + F1"},
      {"Escape is a key like any other",
       {{WM_KEYDOWN, VK_ESCAPE, 0x01}},
       VK_ESCAPE,
       0x01,
       0,
       nullptr},
      {"F10 arrives as a system key", {{WM_SYSKEYDOWN, VK_F10, 0x44}}, VK_F10, 0x44, 0, "F10"},
      {"Ctrl as a system key (Alt held) is the key itself",
       {{WM_SYSKEYDOWN, VK_MENU, 0x38}, {WM_SYSKEYDOWN, VK_CONTROL, 0x1D}},
       VK_CONTROL,
       0x1D,
       kModAlt,
       nullptr},
      {"The extended-key flag is not kept",
       {{WM_KEYDOWN, VK_LEFT, 0x4B, true}},
       VK_LEFT,
       0x4B,
       0,
       nullptr},
      {"Key-ups of other keys and of modifiers not held change nothing",
       {{WM_KEYUP, 'B', 0x30},
        {WM_SYSKEYUP, VK_CONTROL, 0x1D},
        {WM_KEYDOWN, VK_CONTROL, 0x1D},
        {WM_KEYUP, VK_MENU, 0x38},
        {WM_KEYDOWN, 'Q', 0x10}},
       'Q',
       0x10,
       kModCtrl,
       "Ctrl + Q"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app_->Doc().SetModifiedFlag(false);
    StartCapture(3);
    ASSERT_TRUE(Capturing());
    EXPECT_EQ(app_->Frame().HintText(), kCaptureHint);
    EXPECT_EQ(app_->View().List().ItemImage(3), 6);

    Press(c.keys);
    EXPECT_FALSE(Capturing());
    EXPECT_EQ(app_->Frame().HintText(), kIdleHint);
    const ButtonMapping& mapping = Mapping(3);
    EXPECT_EQ(mapping.assigned, 1);
    EXPECT_EQ(mapping.virtualKey, c.virtualKey);
    EXPECT_EQ(mapping.scanCode, c.scanCode);
    EXPECT_EQ(mapping.modifiers, c.modifiers);
    char keyText[kKeyTextSize] = {};
    app_->Doc().GetRowKeyText(3, keyText);
    EXPECT_EQ(CellText(list_, 3, 2), keyText);
    if (c.keyText != nullptr) {
      EXPECT_STREQ(keyText, c.keyText);
    }
    EXPECT_TRUE(app_->Doc().IsModified());
    // The row shows no capture colour; the capture row stays where it was.
    EXPECT_EQ(app_->View().List().ItemImage(3), 4);
    EXPECT_EQ(app_->Doc().captureRow, 3);
    // No other row was touched.
    for (int row : {0, 1, 2, 4}) EXPECT_EQ(Mapping(row).assigned, 0);
  }
}

TEST_F(KeyCaptureTest, ModifiersAloneStoreNothingUntilAnotherKey) {
  StartCapture(1);
  Press({{WM_KEYDOWN, VK_SHIFT, 0x2A}, {WM_KEYDOWN, VK_CONTROL, 0x1D}, {WM_KEYUP, 'Z', 0x2C}});
  EXPECT_TRUE(Capturing());
  EXPECT_EQ(app_->Frame().m_captureModifiers, kModShift | kModCtrl);
  EXPECT_EQ(Mapping(1).assigned, 0);
  // A new capture starts with no modifiers held.
  PostLeftClick(list_, CellCentre(list_, 0, 0));
  Pump();
  StartCapture(1);
  EXPECT_EQ(app_->Frame().m_captureModifiers, 0);
  Press({{WM_KEYDOWN, 'Z', 0x2C}});
  EXPECT_EQ(Mapping(1).modifiers, 0);
}

TEST_F(KeyCaptureTest, ModifiersLetGoInAnotherWindowDoNotStayHeld) {
  StartCapture(1);
  Press({{WM_SYSKEYDOWN, VK_MENU, 0x38}});
  // Alt+Tab: the frame loses the activation, and Alt goes up in the other window.
  SendMessageA(app_->FrameHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageA(app_->FrameHandle(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_TRUE(Capturing());
  Press({{WM_KEYDOWN, 'A', 0x1E}});
  EXPECT_EQ(Mapping(1).virtualKey, 'A');
  EXPECT_EQ(Mapping(1).modifiers, 0);
}

TEST_F(KeyCaptureTest, KeysDuringCaptureReachNeitherTheListNorTheAccelerators) {
  // The list's own keys: Down would move the focused row.
  SendMessageA(list_, WM_SETFOCUS, 0, 0);
  LVITEMA focus = {};
  focus.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
  focus.state = LVIS_FOCUSED | LVIS_SELECTED;
  SendMessageA(list_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
  StartCapture(2);
  const int focused = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
  Press({{WM_KEYDOWN, VK_DOWN, 0x50, true}});
  EXPECT_EQ(SendMessageA(list_, LVM_GETNEXTITEM, -1, LVNI_FOCUSED), focused);
  EXPECT_EQ(Mapping(2).virtualKey, VK_DOWN);

  // Ctrl+N and F5 become mappings; they neither start a new file nor refresh.
  const std::string caption = app_->Caption();
  const int enumerations = services_.controllers.enumDevicesCalls;
  StartCapture(0);
  Press({{WM_KEYDOWN, VK_CONTROL, 0x1D}, {WM_KEYDOWN, 'N', 0x31}});
  StartCapture(4);
  Press({{WM_KEYDOWN, VK_F5, 0x3F}});
  EXPECT_TRUE(services_.frameworkPrompts.questions.empty());
  EXPECT_EQ(app_->Caption(), caption);
  EXPECT_EQ(services_.controllers.enumDevicesCalls, enumerations);
  EXPECT_EQ(Mapping(0).virtualKey, 'N');
  EXPECT_EQ(Mapping(0).modifiers, kModCtrl);
  EXPECT_EQ(Mapping(4).virtualKey, VK_F5);
  EXPECT_EQ(app_->View().List().ItemCount(), 5);

  // Once capture is over the key-up of Ctrl and the keys after it are handled as usual.
  Press({{WM_KEYUP, VK_CONTROL, 0x1D}, {WM_KEYDOWN, VK_F5, 0x3F}});
  EXPECT_EQ(services_.controllers.enumDevicesCalls, enumerations + 1);
}

TEST_F(KeyCaptureTest, RightClickDuringCaptureClearsTheKeyAndKeepsTheTexts) {
  StartCapture(2);
  Press({{WM_KEYDOWN, VK_SHIFT, 0x2A}, {WM_KEYDOWN, VK_F1, 0x3B}});
  app_->Doc().SetRowWindowClass(2, "Notepad");
  app_->Doc().SetRowDescription(2, "Help");
  app_->View().RefreshRowTexts(2);
  ASSERT_EQ(CellText(list_, 2, 2), "Shift + F1");

  // Not capturing: a right click changes nothing.
  app_->Doc().SetModifiedFlag(false);
  PostRightClick(list_, CellCentre(list_, 2, 2));
  Pump();
  EXPECT_EQ(Mapping(2).assigned, 1);
  EXPECT_FALSE(app_->Doc().IsModified());

  // Capturing: the key goes, the class and description stay, capture ends.
  StartCapture(2);
  PostRightClick(list_, CellCentre(list_, 0, 4));
  Pump();
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(app_->Frame().HintText(), kIdleHint);
  EXPECT_EQ(app_->Doc().captureRow, 0);
  EXPECT_EQ(Mapping(2).assigned, 0);
  EXPECT_EQ(Mapping(2).virtualKey, 0);
  EXPECT_EQ(Mapping(2).modifiers, 0);
  EXPECT_EQ(CellText(list_, 2, 2), "");
  EXPECT_EQ(CellText(list_, 2, 3), "Notepad");
  EXPECT_EQ(CellText(list_, 2, 4), "Help");
  EXPECT_EQ(app_->View().List().ItemImage(2), 4);
  EXPECT_TRUE(app_->Doc().IsModified());
}

TEST_F(KeyCaptureTest, LeftClickCancelsAndKeepsThePreviousKey) {
  StartCapture(1);
  Press({{WM_KEYDOWN, 'K', 0x25}});
  app_->Doc().SetModifiedFlag(false);

  StartCapture(1);
  Press({{WM_KEYDOWN, VK_CONTROL, 0x1D}, {WM_SYSKEYDOWN, VK_MENU, 0x38}});
  ASSERT_TRUE(Capturing());
  PostLeftClick(list_, CellCentre(list_, 4, 0));
  Pump();
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(app_->Frame().HintText(), kIdleHint);
  EXPECT_EQ(app_->Doc().captureRow, 0);
  EXPECT_EQ(app_->View().List().ItemImage(1), 4);
  EXPECT_EQ(Mapping(1).virtualKey, 'K');
  EXPECT_EQ(Mapping(1).modifiers, 0);
  EXPECT_FALSE(app_->Doc().IsModified());
  // Keys go their usual way again: this one is no mapping.
  Press({{WM_KEYDOWN, 'J', 0x24}});
  EXPECT_EQ(Mapping(1).virtualKey, 'K');
}

// The pixels of a row's small picture as the view draws it.
std::vector<COLORREF> RowPicture(CTarvelView& view, int row) {
  MemoryCanvas canvas(nullptr, 800, 400);
  HDC dc = canvas.dc();
  DRAWITEMSTRUCT draw = {};
  draw.CtlType = ODT_LISTVIEW;
  draw.itemID = static_cast<UINT>(row);
  draw.itemAction = ODA_DRAWENTIRE;
  draw.hwndItem = view.Handle();
  draw.hDC = dc;
  view.List().ItemRect(row, LVIR_BOUNDS, &draw.rcItem);
  view.DrawItem(draw);
  RECT icon = {};
  view.List().ItemRect(row, LVIR_ICON, &icon);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) pixels.push_back(canvas.At(icon.left + x, icon.top + y));
  return pixels;
}

// While a row waits for its key, its key cell asks for one, and its red picture is drawn whole
// when the row is selected, where other pictures are blended with the selection.
TEST_F(KeyCaptureTest, TheWaitingRowAsksForAKeyInItsCellAndKeepsItsPictureWhole) {
  StartCapture(1);
  Press({{WM_KEYDOWN, 'K', 0x25}});
  const fw::ListView list = app_->View().List();
  StartCapture(1);
  ASSERT_TRUE(Capturing());
  list.SetItemState(1, 0, LVIS_SELECTED);
  EXPECT_EQ(list.ItemText(1, 2), "Press a key...");
  // The document's views are updated meanwhile (controllers found): the cell still asks.
  app_->Doc().UpdateAllViews(nullptr, 0);
  EXPECT_EQ(list.ItemText(1, 2), "Press a key...");
  const std::vector<COLORREF> unselected = RowPicture(app_->View(), 1);
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(RowPicture(app_->View(), 1), unselected);
  // A cancelled capture shows the key it kept; a stored one the new key.
  PostLeftClick(list_, CellCentre(list_, 4, 0));
  Pump();
  EXPECT_EQ(list.ItemText(1, 2), "K");
  EXPECT_NE(RowPicture(app_->View(), 1), unselected);
  StartCapture(1);
  EXPECT_EQ(list.ItemText(1, 2), "Press a key...");
  Press({{WM_KEYDOWN, 'L', 0x26}});
  EXPECT_EQ(list.ItemText(1, 2), "L");
}

TEST_F(KeyCaptureTest, ARowThatIsGoneStoresNothingButCaptureEnds) {
  app_->Doc().SetModifiedFlag(false);
  app_->Doc().SetKeyCapture(true, 99);
  ASSERT_TRUE(Capturing());
  Press({{WM_KEYDOWN, 'A', 0x1E}});
  EXPECT_FALSE(Capturing());
  EXPECT_FALSE(app_->Doc().IsModified());
  for (int row = 0; row < 5; ++row) EXPECT_EQ(Mapping(row).assigned, 0);
}

TEST_F(KeyCaptureTest, PressedAndCaptureMarksCombineWhilePolling) {
  StartCapture(0);
  services_.controllers.Controller(0).Press(0);
  EXPECT_TRUE(PumpUntil(&app_->App(), [&] { return app_->View().List().ItemImage(0) == 7; }));
  services_.controllers.Controller(0).ReleaseButton(0);
  EXPECT_TRUE(PumpUntil(&app_->App(), [&] { return app_->View().List().ItemImage(0) == 6; }));
  Press({{WM_KEYDOWN, 'P', 0x19}});
  EXPECT_EQ(app_->View().List().ItemImage(0), 4);
}

TEST_F(KeyCaptureTest, ACaptureDoesNotOutliveItsRecordsOrItsDocument) {
  // Configure moves records: the capture ends before the dialog opens.
  WindowWatch cancel(DialogCalled("Joysticks Configuration"),
                     [](HWND dialog) { ClickButton(dialog, IDCANCEL); });
  StartCapture(3);
  app_->Frame().RouteCommand(ID_JOYSTICK_CONFIGURE);
  ASSERT_TRUE(cancel.Fired());
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(app_->View().List().ItemImage(3), 4);

  // A new document (chosen from the menu while capturing) starts without a capture row.
  StartCapture(4);
  services_.frameworkPrompts.saveAnswers.push_back(fw::FrameworkPrompts::Answer::No);
  app_->Frame().RouteCommand(ID_FILE_NEW);
  EXPECT_FALSE(Capturing());
  EXPECT_EQ(app_->Frame().HintText(), kIdleHint);
  for (int row = 0; row < 5; ++row) EXPECT_EQ(app_->View().List().ItemImage(row) & 2, 0);
  Press({{WM_KEYDOWN, 'A', 0x1E}});
  for (int row = 0; row < 5; ++row) EXPECT_EQ(Mapping(row).assigned, 0);
}

}  // namespace
}  // namespace tarvel::test
