// The main frame: hiding instead of minimising, the tray icon and its menu, the hint bar, the
// accelerators, menu and toolbar states and prompts, and the About box.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "framework/DocTemplate.h"
#include "res/resource.h"
#include "tests/doubles/FakeXInput.h"
#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {
namespace {

class FrameTest : public testing::Test {
 protected:
  void SetUp() override {
    services_.controllers.AddController(4);
    app_ = std::make_unique<AppUnderTest>(services_);
    ASSERT_TRUE(app_->Start());
    frame_ = app_->FrameHandle();
    ASSERT_TRUE(IsWindowVisible(frame_));
  }
  void TearDown() override {
    app_.reset();
    SetKeys({});
  }
  // The thread's keyboard state: exactly these keys down.
  static void SetKeys(std::initializer_list<int> down) {
    BYTE state[256] = {};
    for (int key : down) state[key] = 0x80;
    SetKeyboardState(state);
  }

  TestServices services_;
  std::unique_ptr<AppUnderTest> app_;
  HWND frame_ = nullptr;
};

TEST_F(FrameTest, EveryMinimiseHidesTheWindowAndShowHideBringsItBackNormal) {
  // The minimise box and the system menu.
  SendMessageA(frame_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(IsWindowVisible(frame_));
  EXPECT_FALSE(IsIconic(frame_));
  app_->Frame().RouteCommand(ID_TRAY_SHOW_HIDE);
  EXPECT_TRUE(IsWindowVisible(frame_));

  // Any other minimise, seen as SIZE_MINIMIZED.
  ShowWindow(frame_, SW_MINIMIZE);
  EXPECT_FALSE(IsWindowVisible(frame_));
  app_->Frame().RouteCommand(ID_TRAY_SHOW_HIDE);
  EXPECT_TRUE(IsWindowVisible(frame_));
  EXPECT_FALSE(IsIconic(frame_));
  EXPECT_EQ(GetForegroundWindow(), frame_);

  // Hide to Tray, then the tray's double-click.
  app_->Frame().RouteCommand(ID_VIEW_HIDE_TO_TRAY);
  EXPECT_FALSE(IsWindowVisible(frame_));
  SendMessageA(frame_, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(frame_));
  SendMessageA(frame_, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
  EXPECT_FALSE(IsWindowVisible(frame_));

  // Other mouse messages on the icon do nothing.
  for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE})
    EXPECT_EQ(SendMessageA(frame_, WM_TRAYNOTIFY, 0, mouse), 0);
  EXPECT_FALSE(IsWindowVisible(frame_));
}

TEST_F(FrameTest, OtherSystemCommandsKeepTheirUsualEffect) {
  SendMessageA(frame_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(frame_));
  EXPECT_TRUE(IsWindowVisible(frame_));
  SendMessageA(frame_, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(frame_));
}

// What the tray menu showed, seen from inside its modal loop.
struct TrayMenuSeen {
  bool open = false;
  int items = 0;
  UINT defaultItem = 0;
  HWND foreground = nullptr;
  RECT rect = {};
  UINT keysToSend[2] = {};
};
TrayMenuSeen trayMenuSeen;

void CALLBACK LookAtTrayMenu(HWND window, UINT /*message*/, UINT_PTR id, DWORD /*time*/) {
  KillTimer(window, id);
  HWND menuWindow = FindWindowA("#32768", nullptr);
  if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) return;
  trayMenuSeen.open = true;
  auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
  trayMenuSeen.items = GetMenuItemCount(menu);
  trayMenuSeen.defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
  trayMenuSeen.foreground = GetForegroundWindow();
  GetWindowRect(menuWindow, &trayMenuSeen.rect);
  if (trayMenuSeen.keysToSend[0] == 0) {
    EndMenu();
    return;
  }
  for (UINT key : trayMenuSeen.keysToSend) {
    PostMessageA(menuWindow, WM_KEYDOWN, key, 0);
    PostMessageA(menuWindow, WM_KEYUP, key, 0xC0000000);
  }
}

TEST_F(FrameTest, TrayMenuOpensAtTheCursorWithShowHideAsDefaultAndCloses) {
  SetCursorPos(300, 200);
  trayMenuSeen = TrayMenuSeen();
  SetTimer(nullptr, 0, 200, LookAtTrayMenu);
  EXPECT_EQ(SendMessageA(frame_, WM_TRAYNOTIFY, 0, WM_RBUTTONUP), 0);
  EXPECT_TRUE(trayMenuSeen.open);
  EXPECT_EQ(trayMenuSeen.items, 3);
  EXPECT_EQ(trayMenuSeen.defaultItem, static_cast<UINT>(ID_TRAY_SHOW_HIDE));
  EXPECT_EQ(trayMenuSeen.foreground, frame_);
  EXPECT_EQ(trayMenuSeen.rect.left, 300);
  EXPECT_EQ(trayMenuSeen.rect.top, 200);
  // The menu went without a choice; the frame got its WM_NULL.
  MSG msg = {};
  EXPECT_TRUE(PeekMessageA(&msg, frame_, WM_NULL, WM_NULL, PM_REMOVE));
  PumpFor(&app_->App(), 50);
  EXPECT_TRUE(IsWindowVisible(frame_));
}

TEST_F(FrameTest, ChoosingShowHideInTheTrayMenuTogglesTheWindow) {
  trayMenuSeen = TrayMenuSeen();
  trayMenuSeen.keysToSend[0] = VK_DOWN;
  trayMenuSeen.keysToSend[1] = VK_RETURN;
  SetTimer(nullptr, 0, 200, LookAtTrayMenu);
  SendMessageA(frame_, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
  EXPECT_TRUE(trayMenuSeen.open);
  EXPECT_TRUE(PumpUntil(&app_->App(), [&] { return !IsWindowVisible(frame_); }));
}

TEST_F(FrameTest, ExitClosesTheWindowAndEndsTheMessageLoop) {
  EXPECT_TRUE(app_->Frame().RouteCommand(ID_APP_EXIT));
  bool quit = false;
  PumpUntil(nullptr, [&] {
    MSG msg = {};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) quit = true;
      DispatchMessageA(&msg);
    }
    return quit;
  });
  EXPECT_TRUE(quit);
  EXPECT_FALSE(IsWindow(frame_));
}

TEST_F(FrameTest, HintBarShowsTheCaptureHintOnlyWhileCaptureIsOn) {
  const std::string idle =
      "Doubleclick corresponding row area to assign key, target window or description";
  const std::string capture =
      "Press keyboard key to assign. Right click to delete. Left click to cancel";
  EXPECT_EQ(app_->Frame().HintText(), idle);

  app_->Frame().m_captureModifiers = 3;
  app_->App().SetCaptureOn(1);
  EXPECT_EQ(app_->Frame().HintText(), capture);
  EXPECT_EQ(app_->Frame().m_captureModifiers, 0);
  app_->App().SetCaptureOn(0);
  EXPECT_EQ(app_->Frame().HintText(), idle);

  // Through the document, as a double click on a key cell starts it.
  app_->Doc().SetKeyCapture(true, 2);
  EXPECT_EQ(app_->App().CaptureOn(), 1);
  EXPECT_EQ(app_->Frame().HintText(), capture);
  EXPECT_EQ(app_->View().List().ItemImage(2) & kStatusCaptureRow, kStatusCaptureRow);
  app_->Doc().SetKeyCapture(false, 0);
  EXPECT_EQ(app_->Frame().HintText(), idle);
  EXPECT_EQ(app_->View().List().ItemImage(2) & kStatusCaptureRow, 0);

  // The bar shows its band's background, beside and behind the text, not a box of its own.
  const HWND hint = app_->Frame().HintBarHandle();
  REBARBANDINFOA band = {};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_COLORS;
  band.clrFore = RGB(0, 0, 0);
  band.clrBack = RGB(255, 255, 255);
  SendMessageA(app_->Frame().ReBarHandle(), RB_SETBANDINFOA, 1, reinterpret_cast<LPARAM>(&band));
  MemoryCanvas canvas(hint);
  SendMessageA(hint, WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()),
               PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN);
  EXPECT_EQ(canvas.At(canvas.client.right - 2, canvas.client.bottom / 2), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(1, 1), RGB(255, 255, 255));
}

// The program declares itself aware of each monitor's density; moved to a denser monitor, the
// frame takes its pictures drawn for that density, fonts and widths as much larger, and the
// place Windows suggests; moved back, it is as it was.
TEST_F(FrameTest, AMoveToAMonitorOfAnotherDensityScalesPicturesFontsAndWidths) {
  HRSRC manifest = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(nullptr, manifest))),
                         SizeofResource(nullptr, manifest));
  EXPECT_NE(text.find("<dpiAwareness"), std::string::npos);
  EXPECT_NE(text.find("PerMonitorV2"), std::string::npos);

  const HWND list = app_->View().Handle();
  const HWND hint = GetDlgItem(app_->Frame().HintBarHandle(), IDC_HINT_TEXT);
  auto rowPictureSize = [&] {
    int cx = 0;
    int cy = 0;
    ImageList_GetIconSize(ListView_GetImageList(list, LVSIL_SMALL), &cx, &cy);
    return cx;
  };
  auto fontHeight = [](HWND window) {
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return std::abs(font.lfHeight);
  };
  auto rowHeight = [&] {
    RECT row = {};
    app_->View().List().ItemRect(0, LVIR_BOUNDS, &row);
    return row.bottom - row.top;
  };
  int widths[6] = {};
  for (int i = 0; i < 6; ++i) widths[i] = app_->View().List().ColumnWidth(i);
  const int listFont = fontHeight(list);
  const int hintFont = fontHeight(hint);
  const int statusFont = fontHeight(app_->Frame().StatusBarHandle());
  const int rebar =
      app_->Frame().ReBarHandle() != nullptr
          ? static_cast<int>(SendMessageA(app_->Frame().ReBarHandle(), RB_GETBARHEIGHT, 0, 0))
          : 0;
  EXPECT_EQ(app_->Frame().ToolBarImageSize().cx, 16);
  EXPECT_EQ(rowPictureSize(), 16);

  struct Step {
    int dpi;
    int picture;
    SIZE tool;
  };
  for (const Step& step :
       {Step{144, 24, {24, 23}}, Step{192, 32, {32, 30}}, Step{96, 16, {16, 15}}}) {
    SCOPED_TRACE(step.dpi);
    const RECT suggested = {30, 40, 30 + 500 * step.dpi / 96, 40 + 300 * step.dpi / 96};
    SendMessageA(frame_, WM_DPICHANGED, MAKEWPARAM(step.dpi, step.dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(app_->Frame().ToolBarImageSize().cx, step.tool.cx);
    EXPECT_EQ(app_->Frame().ToolBarImageSize().cy, step.tool.cy);
    const LRESULT button = SendMessageA(app_->Frame().ToolBarHandle(), TB_GETBUTTONSIZE, 0, 0);
    EXPECT_GT(LOWORD(button), step.tool.cx);
    EXPECT_LT(LOWORD(button), step.tool.cx + 16);
    EXPECT_GT(HIWORD(button), step.tool.cy);
    EXPECT_EQ(rowPictureSize(), step.picture);
    EXPECT_GE(rowHeight(), step.picture);
    for (int i = 0; i < 6; ++i)
      EXPECT_NEAR(app_->View().List().ColumnWidth(i), widths[i] * step.dpi / 96, 2) << i;
    EXPECT_NEAR(fontHeight(list), listFont * step.dpi / 96, 1);
    EXPECT_NEAR(fontHeight(hint), hintFont * step.dpi / 96, 1);
    EXPECT_NEAR(fontHeight(app_->Frame().StatusBarHandle()), statusFont * step.dpi / 96, 1);
    EXPECT_GE(static_cast<int>(SendMessageA(app_->Frame().ReBarHandle(), RB_GETBARHEIGHT, 0, 0)),
              step.dpi > 96 ? rebar + 1 : rebar);
    RECT window = {};
    GetWindowRect(frame_, &window);
    EXPECT_EQ(window.left, suggested.left);
    EXPECT_EQ(window.right, suggested.right);
    EXPECT_EQ(window.bottom, suggested.bottom);
  }
}

TEST_F(FrameTest, WhileCaptureIsOnKeysGoToTheCaptureAndNotToTheAccelerators) {
  app_->Doc().SetModifiedFlag(false);
  app_->Doc().SetKeyCapture(true, 0);
  const int enumerations = services_.controllers.enumDevicesCalls;
  MSG msg = {};
  msg.hwnd = app_->View().Handle();
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_F5;
  EXPECT_TRUE(app_->App().PreTranslateMessage(&msg));
  PumpFor(&app_->App(), 30);
  // F5 did not refresh; the key ended the capture and became the row's key.
  EXPECT_EQ(services_.controllers.enumDevicesCalls, enumerations);
  EXPECT_EQ(app_->App().CaptureOn(), 0);

  // With capture off the same key is the Refresh accelerator.
  EXPECT_TRUE(app_->App().PreTranslateMessage(&msg));
  PumpFor(&app_->App(), 30);
  EXPECT_EQ(services_.controllers.enumDevicesCalls, enumerations + 1);
}

TEST_F(FrameTest, EditAndPaneAcceleratorsDoNothingWhileTheOthersWork) {
  struct Case {
    UINT key;
    int modifier;  // 0, VK_CONTROL, VK_SHIFT or VK_MENU
    UINT command;
    bool works;
  };
  const Case cases[] = {
      {'C', VK_CONTROL, ID_EDIT_COPY, false},  {VK_INSERT, VK_CONTROL, ID_EDIT_COPY, false},
      {'X', VK_CONTROL, ID_EDIT_CUT, false},   {VK_DELETE, VK_SHIFT, ID_EDIT_CUT, false},
      {'V', VK_CONTROL, ID_EDIT_PASTE, false}, {VK_INSERT, VK_SHIFT, ID_EDIT_PASTE, false},
      {'Z', VK_CONTROL, ID_EDIT_UNDO, false},  {VK_BACK, VK_MENU, ID_EDIT_UNDO, false},
      {VK_F6, 0, ID_NEXT_PANE, false},         {VK_F6, VK_SHIFT, ID_PREV_PANE, false},
      {VK_F5, 0, ID_JOYSTICK_REFRESH, true},   {'N', VK_CONTROL, ID_FILE_NEW, true},
  };
  TempDir folder;
  const std::string path = folder.File("accelerators.tvm");
  WriteBytes(path, ConfigText({{TestGuid(1), "Pad 1", 4}}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    ASSERT_EQ(app_->App().DocTemplate()->OpenDocumentFile(path),
              fw::SingleDocTemplate::OpenResult::Opened);
    ASSERT_FALSE(app_->Doc().IsModified());
    const std::string caption = app_->Caption();
    const int enumerations = services_.controllers.enumDevicesCalls;
    const size_t questions = services_.frameworkPrompts.questions.size();
    const size_t joystickQuestions = services_.prompts.questions.size();

    if (c.modifier != 0)
      SetKeys({c.modifier});
    else
      SetKeys({});
    MSG msg = {};
    msg.hwnd = app_->View().Handle();
    msg.message = c.modifier == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = c.key;
    msg.lParam = c.modifier == VK_MENU ? 0x20000001 : 1;  // bit 29: Alt is down
    // The key is an accelerator: it became a command and is not dispatched.
    EXPECT_TRUE(app_->App().PreTranslateMessage(&msg));
    PumpFor(&app_->App(), 30);
    SetKeys({});

    const bool somethingHappened =
        app_->Caption() != caption || services_.controllers.enumDevicesCalls != enumerations ||
        app_->Doc().IsModified() || services_.frameworkPrompts.questions.size() != questions ||
        services_.prompts.questions.size() != joystickQuestions;
    EXPECT_EQ(somethingHappened, c.works);
    EXPECT_TRUE(IsWindowVisible(frame_));
    EXPECT_EQ(app_->Frame().RouteCommand(c.command), c.works);
  }
}

TEST_F(FrameTest, MenuItemsAndToolbarButtonsFollowTheirUpdateHandlers) {
  HMENU bar = GetMenu(frame_);
  ASSERT_NE(bar, nullptr);
  auto stateOf = [&](int popupIndex, UINT id) {
    HMENU popup = GetSubMenu(bar, popupIndex);
    SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup),
                 MAKELPARAM(popupIndex, FALSE));
    return GetMenuState(popup, id, MF_BYCOMMAND);
  };
  // Options > Hide on Startup: check mark while the option is on.
  EXPECT_EQ(stateOf(2, ID_OPTIONS_HIDE_ON_STARTUP) & MF_CHECKED, 0u);
  app_->Frame().RouteCommand(ID_OPTIONS_HIDE_ON_STARTUP);
  EXPECT_EQ(stateOf(2, ID_OPTIONS_HIDE_ON_STARTUP) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));

  // File > Recent File: the grayed placeholder while the list is empty.
  EXPECT_EQ(stateOf(0, ID_FILE_MRU_FILE1) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  for (UINT id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_APP_EXIT})
    EXPECT_EQ(stateOf(0, id) & MF_GRAYED, 0u) << id;

  // View > Toolbar and Status Bar: checked while shown; toggling hides them and the list
  // takes the room.
  EXPECT_EQ(stateOf(3, ID_VIEW_STATUS_BAR) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(stateOf(3, ID_VIEW_TOOLBAR) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_TRUE(app_->Frame().RouteCommand(ID_VIEW_STATUS_BAR));
  EXPECT_FALSE(IsWindowVisible(app_->Frame().StatusBarHandle()));
  EXPECT_EQ(stateOf(3, ID_VIEW_STATUS_BAR) & MF_CHECKED, 0u);
  RECT client = {};
  RECT view = {};
  GetClientRect(frame_, &client);
  GetWindowRect(app_->View().Handle(), &view);
  MapWindowPoints(nullptr, frame_, reinterpret_cast<POINT*>(&view), 2);
  EXPECT_EQ(view.bottom, client.bottom);
  EXPECT_TRUE(app_->Frame().RouteCommand(ID_VIEW_STATUS_BAR));
  EXPECT_TRUE(IsWindowVisible(app_->Frame().StatusBarHandle()));
  EXPECT_TRUE(app_->Frame().RouteCommand(ID_VIEW_TOOLBAR));
  EXPECT_EQ(stateOf(3, ID_VIEW_TOOLBAR) & MF_CHECKED, 0u);
  EXPECT_TRUE(app_->Frame().RouteCommand(ID_VIEW_TOOLBAR));

  // The toolbar: New, Open, Save, a separator and Refresh, all enabled after an idle update.
  HWND toolbar = app_->Frame().ToolBarHandle();
  ASSERT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 5);
  const UINT commands[] = {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_JOYSTICK_REFRESH};
  for (int i = 0; i < 5; ++i) {
    TBBUTTON button = {};
    SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
    EXPECT_EQ(static_cast<UINT>(button.idCommand), commands[i]);
    if (commands[i] != 0) {
      EXPECT_NE(SendMessageA(toolbar, TB_ISBUTTONENABLED, commands[i], 0), 0);
    }
  }
}

TEST_F(FrameTest, StatusBarShowsPromptsAndReadyWhenIdle) {
  EXPECT_EQ(app_->Frame().MessageText(), "Ready");
  HMENU file = GetSubMenu(GetMenu(frame_), 0);
  struct Case {
    UINT id;
    const char* prompt;
  };
  const Case cases[] = {
      {ID_FILE_NEW, "Create a new Tarvel configuration"},
      {ID_FILE_OPEN, "Open an existing Tarvel configuration file"},
      {ID_FILE_SAVE, "Save the active Tarvel configuration"},
      {ID_FILE_SAVE_AS, "Save the active Tarvel configuration with a new name"},
      {ID_JOYSTICK_REFRESH, "Refresh attached joysticks list"},
      {ID_JOYSTICK_CONFIGURE, "Configure joysticks in your document"},
      {ID_OPTIONS_HIDE_ON_STARTUP, "Check to hide window automatically when program starts"},
      {ID_TRAY_SHOW_HIDE, "Show or hide Tarvel main window"},
      {ID_VIEW_HIDE_TO_TRAY, ""},
      {ID_FILE_MRU_FILE2, "Open this document"},
      {ID_VIEW_STATUS_BAR, "Show or hide the status bar"},
      {ID_APP_EXIT, "Quit the application; prompts to save documents"},
  };
  for (const Case& c : cases) {
    SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(c.id, MF_STRING),
                 reinterpret_cast<LPARAM>(file));
    EXPECT_EQ(app_->Frame().MessageText(), c.prompt);
  }
  // The system menu's commands have prompts of their own; the menu itself has none.
  HMENU system = GetSystemMenu(frame_, FALSE);
  const Case systemCases[] = {
      {SC_MINIMIZE, "Reduce the window to an icon"},
      {SC_CLOSE, "Close the active window and prompts to save the documents"},
      {SC_RESTORE, "Restore the window to normal size"},
      {SC_SIZE, "Change the window size"},
  };
  for (const Case& c : systemCases) {
    SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(c.id, MF_STRING | MF_SYSMENU),
                 reinterpret_cast<LPARAM>(system));
    EXPECT_EQ(app_->Frame().MessageText(), c.prompt);
  }
  SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_SYSMENU),
               reinterpret_cast<LPARAM>(system));
  EXPECT_EQ(app_->Frame().MessageText(), "");
  SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_EQ(app_->Frame().MessageText(), "Ready");

  // A toolbar button under the mouse shows its prompt too.
  SendMessageA(app_->Frame().ToolBarHandle(), TB_SETHOTITEM, 4, 0);
  EXPECT_EQ(app_->Frame().MessageText(), "Refresh attached joysticks list");
  SendMessageA(app_->Frame().ToolBarHandle(), TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(app_->Frame().MessageText(), "Ready");
}

TEST_F(FrameTest, ToolbarTooltipsAreThePartAfterTheLineBreak) {
  struct Case {
    UINT id;
    const char* tip;
  };
  const Case cases[] = {{ID_FILE_NEW, "New Configuration"},
                        {ID_FILE_OPEN, "Open Configuration"},
                        {ID_FILE_SAVE, "Save Configuration"},
                        {ID_JOYSTICK_REFRESH, "Refresh Joysticks"}};
  for (const Case& c : cases) {
    NMTTDISPINFOA info = {};
    info.hdr.hwndFrom = app_->Frame().ToolBarHandle();
    info.hdr.idFrom = c.id;
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(frame_, WM_NOTIFY, IDW_TOOLBAR, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_STREQ(info.lpszText, c.tip);
  }
}

TEST_F(FrameTest, LockKeyIndicatorsFollowTheKeyboard) {
  HWND status = app_->Frame().StatusBarHandle();
  ASSERT_EQ(SendMessageA(status, SB_GETPARTS, 0, 0), 4);
  auto paneText = [&](int pane) {
    char text[32] = {};
    SendMessageA(status, SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(text));
    return std::string(text);
  };
  BYTE state[256] = {};
  state[VK_CAPITAL] = 1;
  state[VK_SCROLL] = 1;
  SetKeyboardState(state);
  app_->App().OnIdle();
  EXPECT_EQ(paneText(1), "CAP");
  EXPECT_EQ(paneText(2), "");
  EXPECT_EQ(paneText(3), "SCRL");
  state[VK_CAPITAL] = 0;
  state[VK_NUMLOCK] = 1;
  SetKeyboardState(state);
  app_->App().OnIdle();
  EXPECT_EQ(paneText(1), "");
  EXPECT_EQ(paneText(2), "NUM");
}

struct AboutSeen {
  bool found = false;
  bool versionShown = false;
  LRESULT defaultId = 0;
  SIZE client = {};
  SIZE expected = {};
};
AboutSeen aboutSeen;

BOOL CALLBACK FindVersionText(HWND child, LPARAM) {
  if (WindowText(child) == "Tarvel Version 1.1p1 beta") aboutSeen.versionShown = true;
  return TRUE;
}

void CALLBACK LookAtAboutBox(HWND window, UINT /*message*/, UINT_PTR id, DWORD /*time*/) {
  HWND about = FindWindowA("#32770", "About Tarvel");
  if (about == nullptr) return;  // not up yet: look again at the next tick
  KillTimer(window, id);
  aboutSeen.found = true;
  EnumChildWindows(about, FindVersionText, 0);
  aboutSeen.defaultId = LOWORD(SendMessageA(about, DM_GETDEFID, 0, 0));
  RECT client = {};
  GetClientRect(about, &client);
  aboutSeen.client = {client.right, client.bottom};
  RECT units = {0, 0, 235, 122};
  MapDialogRect(about, &units);
  aboutSeen.expected = {units.right, units.bottom};
  SendMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST_F(FrameTest, AboutBoxShowsTheVersionAndClosesWithOK) {
  aboutSeen = AboutSeen();
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, LookAtAboutBox);
  EXPECT_TRUE(app_->Frame().RouteCommand(ID_APP_ABOUT));
  KillTimer(nullptr, timer);
  EXPECT_TRUE(aboutSeen.found);
  EXPECT_TRUE(aboutSeen.versionShown);
  EXPECT_EQ(aboutSeen.defaultId, IDOK);
  EXPECT_EQ(aboutSeen.client.cx, aboutSeen.expected.cx);
  EXPECT_EQ(aboutSeen.client.cy, aboutSeen.expected.cy);
  EXPECT_EQ(FindWindowA("#32770", "About Tarvel"), nullptr);
}

}  // namespace
// What the message loop waits on: the high-resolution tick while a controller has no change
// event (its signal runs a pass), and each controller's event (its signal reads that buffer).
TEST(FrameWaitSource, TheTickForPolledControllersAndAnEventForEachOther) {
  TestServices services;
  FakeController& polled = services.controllers.AddController(4);
  polled.buffers = true;
  polled.pollEvents = true;
  FakeController& evented = services.controllers.AddController(4);
  evented.buffers = true;
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  ASSERT_TRUE(app.Frame().HasTickTimer());
  PumpFor(&app.App(), 50);  // acquired

  HANDLE handles[fw::WaitSource::kMaxHandles];
  ASSERT_EQ(app.Frame().WaitHandles(handles, fw::WaitSource::kMaxHandles), 2);
  EXPECT_EQ(handles[1], evented.changeEvent);
  const int polls = polled.pollCalls;
  const int reads = evented.getDeviceDataCalls;
  app.Frame().OnHandleSet(0);
  EXPECT_EQ(polled.pollCalls, polls + 1);
  EXPECT_EQ(evented.getDeviceDataCalls, reads);  // left to its event
  app.Frame().OnHandleSet(1);
  EXPECT_EQ(evented.getDeviceDataCalls, reads + 1);
  EXPECT_EQ(polled.pollCalls, polls + 1);

  // With every controller on an event, the loop waits on the events alone.
  polled.pollEvents = false;
  app.App().RefreshAttachedJoysticks();
  EXPECT_EQ(app.Frame().WaitHandles(handles, fw::WaitSource::kMaxHandles), 2);
  EXPECT_EQ(handles[0], polled.changeEvent);
}

// An XInput pad tells of no change: while one answers, the one high-resolution timer runs at
// 4 ms and its tick reads the pad; the DirectInput pass keeps its own pace of about 10 ms.
TEST(FrameWaitSource, TheTickRunsAt4MsWhileAnXInputPadAnswers) {
  TestServices services;
  FakeXInput xinput;
  services.xinput = &xinput;
  FakeController& polled = services.controllers.AddController(4);
  polled.buffers = true;
  polled.pollEvents = true;
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  ASSERT_TRUE(app.Frame().HasTickTimer());
  HANDLE handles[fw::WaitSource::kMaxHandles];
  app.Frame().WaitHandles(handles, fw::WaitSource::kMaxHandles);
  EXPECT_EQ(app.Frame().TickPeriodMs(), CMainFrame::kPollPeriodMs);

  xinput.connected[0] = true;  // a pad with no DirectInput side: a controller of its own
  app.App().RefreshAttachedJoysticks();
  ASSERT_EQ(app.App().Joysticks().count, 2);
  ASSERT_EQ(app.Frame().WaitHandles(handles, fw::WaitSource::kMaxHandles), 1);
  EXPECT_EQ(app.Frame().TickPeriodMs(), CMainFrame::kFastTickMs);
  const int asked = xinput.calls[0];
  const int polls = polled.pollCalls;
  app.Frame().OnHandleSet(0);
  app.Frame().OnHandleSet(0);
  EXPECT_EQ(xinput.calls[0], asked + 2);
  EXPECT_LE(polled.pollCalls, polls + 1);  // two ticks at once: one pass at most

  // Pulled out: the tick goes back to its pace, and the empty user is not asked on it.
  xinput.connected[0] = false;
  app.Frame().OnHandleSet(0);
  app.Frame().WaitHandles(handles, fw::WaitSource::kMaxHandles);
  EXPECT_EQ(app.Frame().TickPeriodMs(), CMainFrame::kPollPeriodMs);
  const int empty = xinput.calls[0];
  app.Frame().OnHandleSet(0);
  EXPECT_EQ(xinput.calls[0], empty);
}

}  // namespace tarvel::test
