// The joysticks as the running program sees them: Refresh with a newly attached controller,
// controllers found when they are plugged in or pulled out, and the polling timer turning a button
// press into key messages for a window of a target class.
#include <gtest/gtest.h>
#include <windows.h>
// <dbt.h> needs <windows.h> first.
#include <dbt.h>

#include <vector>

#include "input/JoystickTable.h"
#include "platform/win32/Win32KeySender.h"
#include "res/resource.h"
#include "tests/doubles/FakeNotices.h"
#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {
namespace {

constexpr const char* kTargetClass = "TarvelShellKeyTarget";

struct KeyMessage {
  UINT message;
  WPARAM key;
  bool operator==(const KeyMessage&) const = default;
};
std::vector<KeyMessage> received;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) {
    received.push_back({message, wParam});
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window of the target class that records the key messages it is sent.
class KeyTargetWindow {
 public:
  KeyTargetWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kTargetClass;
    RegisterClassA(&windowClass);
    hwnd_ = CreateWindowExA(0, kTargetClass, "target", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    received.clear();
  }
  ~KeyTargetWindow() { DestroyWindow(hwnd_); }
  HWND Handle() const { return hwnd_; }

 private:
  HWND hwnd_;
};

// The texts of the balloons shown for the frame's tray icon, in order.
std::vector<std::string> BalloonTexts(const RecordingTray& tray, HWND frame) {
  std::vector<std::string> texts;
  for (const RecordingTray::Call& call : tray.calls)
    if (call.message == NIM_MODIFY && call.data.uFlags == NIF_INFO &&
        call.data.cbSize == NOTIFYICONDATAA_V2_SIZE && call.data.hWnd == frame)
      texts.push_back(call.data.szInfo);
  return texts;
}

TEST(Joysticks, RefreshAsksAboutANewControllerAndYesAppendsItsRows) {
  TestServices services;
  services.controllers.AddController(4);
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  ASSERT_EQ(app.View().List().ItemCount(), 4);
  app.Doc().SetModifiedFlag(false);

  services.controllers.AddController(8);
  services.prompts.answers = {false};
  EXPECT_TRUE(app.Frame().RouteCommand(ID_JOYSTICK_REFRESH));
  ASSERT_EQ(services.prompts.questions, std::vector<std::string>({"Pad 2"}));
  EXPECT_EQ(app.View().List().ItemCount(), 4);
  EXPECT_FALSE(app.Doc().IsModified());
  EXPECT_EQ(app.App().Joysticks().slots[1].recordIndex, -1);

  // The next Refresh asks again; Yes appends the controller's rows after the others.
  services.prompts.answers = {true};
  SendMessageA(app.FrameHandle(), WM_COMMAND, MAKEWPARAM(ID_JOYSTICK_REFRESH, 0), 0);
  ASSERT_EQ(services.prompts.questions.size(), 2u);
  EXPECT_EQ(services.prompts.questions[1], "Pad 2");
  EXPECT_TRUE(app.Doc().IsModified());
  ASSERT_EQ(app.Doc().recordCount, 2);
  ASSERT_EQ(app.View().List().ItemCount(), 12);
  EXPECT_EQ(app.View().List().ItemText(3, 0), "Pad 1");
  EXPECT_EQ(app.View().List().ItemText(4, 0), "Pad 2");
  EXPECT_EQ(app.View().List().ItemText(4, 1), "1");
  EXPECT_EQ(app.View().List().ItemText(11, 1), "8");
  EXPECT_EQ(app.App().Joysticks().slots[1].recordIndex, 1);
  EXPECT_EQ(app.Doc().records[1]->attachedIndex, 1);

  // Nothing new: no question. The refresh passed the frame as the cooperative window and the
  // polling timer runs again.
  EXPECT_TRUE(app.Frame().RouteCommand(ID_JOYSTICK_REFRESH));
  EXPECT_EQ(services.prompts.questions.size(), 2u);
  EXPECT_EQ(services.controllers.Controller(1).cooperativeWindow, app.FrameHandle());
  const int polls = services.controllers.Controller(1).pollCalls;
  EXPECT_TRUE(PumpUntil(&app.App(),
                        [&] { return services.controllers.Controller(1).pollCalls > polls + 2; }));

  // Sent from outside while the question is open: a refresh waits for the answer, a new
  // configuration is dropped. Neither rebuilds the table under the question.
  services.controllers.AddController(2);
  services.prompts.answers = {true};
  services.prompts.whileAsking = [&](const std::string&) {
    SendMessageA(app.FrameHandle(), WM_COMMAND, MAKEWPARAM(ID_JOYSTICK_REFRESH, 0), 0);
    SendMessageA(app.FrameHandle(), WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 0), 0);
  };
  const int created = services.controllers.Controller(0).createDeviceCalls;
  EXPECT_TRUE(app.Frame().RouteCommand(ID_JOYSTICK_REFRESH));
  services.prompts.whileAsking = nullptr;
  EXPECT_EQ(services.prompts.questions.size(), 3u);
  ASSERT_EQ(app.Doc().recordCount, 3);
  EXPECT_EQ(app.View().List().ItemCount(), 14);
  // The refresh that waited runs at a later tick, and finds nothing new.
  EXPECT_TRUE(PumpUntil(&app.App(), [&] {
    return services.controllers.Controller(0).createDeviceCalls > created + 1;
  }));
  EXPECT_EQ(services.prompts.questions.size(), 3u);
  EXPECT_EQ(app.Doc().recordCount, 3);
  for (int s = 0; s < 3; ++s) EXPECT_EQ(app.App().Joysticks().slots[s].recordIndex, s);
}

// A device notification as Windows sends it: a HID interface arriving or leaving, a volume, or
// the device tree changing.
void NotifyDevices(HWND frame, WPARAM event, DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE) {
  DEV_BROADCAST_DEVICEINTERFACE_A device = {};
  device.dbcc_size = sizeof(device);
  device.dbcc_devicetype = deviceType;
  SendMessageA(frame, WM_DEVICECHANGE, event,
               event == DBT_DEVNODES_CHANGED ? 0 : reinterpret_cast<LPARAM>(&device));
}

// Controllers plugged in and pulled out are found without Refresh: one enumeration after a
// burst of notifications, the records tied without a question, and a balloon for controllers
// that no record names, whose click asks the question as Refresh does.
TEST(Joysticks, ControllersPluggedInAndPulledOutAreFoundWithoutAQuestion) {
  TempDir folder;
  const std::string config = folder.File("two.tvm");
  WriteBytes(config, ConfigText({{TestGuid(1), "Pad 1", 4}, {TestGuid(2), "Pad 2", 3}}));
  TestServices services;
  services.controllers.AddController(4);
  AppUnderTest app(services, config);
  ASSERT_TRUE(app.Start());
  const HWND frame = app.FrameHandle();
  auto enumerations = [&] { return services.controllers.enumDevicesCalls; };
  auto balloons = [&] { return BalloonTexts(services.tray, frame); };
  const int before = enumerations();
  // Neither a volume nor a port is a controller.
  NotifyDevices(frame, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME);
  PumpFor(&app.App(), 2 * CMainFrame::kDeviceSettleMs);
  EXPECT_EQ(enumerations(), before);

  // The known Pad 2 arrives, with a burst of notifications: one enumeration once they settle.
  FakeController& pad2 = services.controllers.AddController(3);
  NotifyDevices(frame, DBT_DEVICEARRIVAL);
  for (int i = 0; i < 5; ++i) NotifyDevices(frame, DBT_DEVNODES_CHANGED);
  PumpFor(&app.App(), 50);
  EXPECT_EQ(enumerations(), before);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return enumerations() == before + 1; }));
  PumpFor(&app.App(), 2 * CMainFrame::kDeviceSettleMs);
  EXPECT_EQ(enumerations(), before + 1);
  EXPECT_EQ(app.Doc().records[1]->attachedIndex, 1);
  EXPECT_EQ(app.App().Joysticks().slots[1].recordIndex, 1);
  pad2.Press(2);
  EXPECT_TRUE(PumpUntil(&app.App(), [&] { return app.View().List().ItemImage(6) == 5; }));
  pad2.ReleaseButton(2);
  EXPECT_TRUE(services.prompts.questions.empty());
  EXPECT_TRUE(balloons().empty());
  EXPECT_FALSE(app.Doc().IsModified());

  // Two controllers that no record names: no question, one balloon naming both; a later pass
  // with nothing new says nothing again.
  services.controllers.AddController(2);
  services.controllers.AddController(2);
  NotifyDevices(frame, DBT_DEVICEARRIVAL);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return balloons().size() == 1; }));
  EXPECT_EQ(balloons()[0], "New controllers: Pad 3, Pad 4. Click to add them.");
  EXPECT_TRUE(services.prompts.questions.empty());
  EXPECT_EQ(app.Doc().recordCount, 2);
  NotifyDevices(frame, DBT_DEVNODES_CHANGED);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return enumerations() == before + 3; }));
  EXPECT_EQ(balloons().size(), 1u);

  // While a question of the program's is open, the pass waits for its answer.
  EnableWindow(frame, FALSE);
  pad2.attached = false;
  NotifyDevices(frame, DBT_DEVICEREMOVECOMPLETE);
  PumpFor(&app.App(), 2 * CMainFrame::kDeviceSettleMs);
  EXPECT_EQ(enumerations(), before + 3);
  EnableWindow(frame, TRUE);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return enumerations() == before + 4; }));
  // Pad 2 is gone: its record stays, shown disconnected.
  EXPECT_EQ(app.Doc().records[1]->attachedIndex, -1);
  EXPECT_TRUE(PumpUntil(&app.App(), [&] { return app.View().List().ItemImage(4) == 0; }));

  // A click on the balloon asks about each, as Refresh does.
  services.prompts.answers = {true, false};
  SendMessageA(frame, WM_TRAYNOTIFY, 0, WM_USER + 5);
  EXPECT_EQ(services.prompts.questions, std::vector<std::string>({"Pad 3", "Pad 4"}));
  ASSERT_EQ(app.Doc().recordCount, 3);
  EXPECT_TRUE(app.Doc().IsModified());
  // Pad 4, declined, is no news at the next pass; plugged in again, it is.
  const size_t told = balloons().size();
  NotifyDevices(frame, DBT_DEVNODES_CHANGED);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return enumerations() == before + 6; }));
  EXPECT_EQ(balloons().size(), told);
  services.controllers.Controller(3).attached = false;
  NotifyDevices(frame, DBT_DEVNODES_CHANGED);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return enumerations() == before + 7; }));
  services.controllers.Controller(3).attached = true;
  NotifyDevices(frame, DBT_DEVNODES_CHANGED);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return balloons().size() == told + 1; }));
  EXPECT_EQ(balloons().back(), "New controller: Pad 4. Click to add it.");
}

TEST(Joysticks, TimerTicksTurnAPressIntoKeyMessagesForTheTargetWindow) {
  Win32KeySender keys;
  TestServices services;
  services.keysOverride = &keys;
  FakeController& pad = services.controllers.AddController(6);
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  KeyTargetWindow target;

  // Button 3 of the pad sends Ctrl+F5 to the first window of the target class.
  ButtonMapping& mapping = app.Doc().records[0]->buttons[2];
  mapping.assigned = 1;
  mapping.virtualKey = VK_F5;
  mapping.scanCode = 0x3F;
  mapping.modifiers = kModCtrl;
  app.Doc().SetRowWindowClass(2, kTargetClass);

  // The pad answers from the second pass on; its rows show it connected.
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return app.View().List().ItemImage(2) == 4; }));
  EXPECT_TRUE(received.empty());

  pad.Press(2);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return received.size() >= 4; }));
  const std::vector<KeyMessage> expected = {
      {WM_KEYDOWN, VK_CONTROL}, {WM_KEYDOWN, VK_F5}, {WM_KEYUP, VK_F5}, {WM_KEYUP, VK_CONTROL}};
  EXPECT_EQ(received, expected);
  EXPECT_EQ(app.View().List().ItemImage(2), 5);

  // Held down: nothing more. Released: the row goes back, nothing is sent.
  PumpFor(&app.App(), 60);
  EXPECT_EQ(received.size(), 4u);
  pad.ReleaseButton(2);
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return app.View().List().ItemImage(2) == 4; }));
  EXPECT_EQ(received.size(), 4u);

  // A controller that stops answering shows as disconnected on all its rows.
  pad.Unplug();
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return app.View().List().ItemImage(0) == 0; }));
  for (int row = 0; row < 6; ++row) EXPECT_EQ(app.View().List().ItemImage(row), 0) << row;
}

// A program in front that runs as administrator takes no keystrokes from Tarvel: none is sent,
// the status bar says why at each press, and one balloon says it once; a click on that balloon
// asks nothing. A row whose class has no window says so in the status bar.
TEST(Joysticks, KeysThatCannotArriveAreToldInTheStatusBarAndOneBalloon) {
  TestServices services;
  FakeIntegrity integrity;
  const WindowHandle game = reinterpret_cast<WindowHandle>(0x7700);
  integrity.foreground = game;
  integrity.processes[game] = {Elevation::Higher, "game.exe"};
  services.integrity = &integrity;
  FakeController& pad = services.controllers.AddController(4);
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  const HWND frame = app.FrameHandle();
  auto balloons = [&] { return BalloonTexts(services.tray, frame); };

  for (int button : {0, 1}) {
    ButtonMapping& mapping = app.Doc().records[0]->buttons[button];
    mapping.assigned = 1;
    mapping.virtualKey = 'A';
  }
  app.Doc().SetRowWindowClass(1, "NoSuchClass");
  ASSERT_TRUE(PumpUntil(&app.App(), [&] { return app.View().List().ItemImage(0) == 4; }));
  auto tap = [&](int button) {
    pad.Press(button);
    ASSERT_TRUE(PumpUntil(&app.App(), [&] { return app.View().List().ItemImage(button) == 5; }));
    pad.ReleaseButton(button);
    ASSERT_TRUE(PumpUntil(&app.App(), [&] { return app.View().List().ItemImage(button) == 4; }));
  };

  const std::string elevated =
      "Keys cannot reach game.exe: it runs as administrator. Start Tarvel as administrator to "
      "use it there.";
  for (int press = 0; press < 3; ++press) tap(0);
  EXPECT_TRUE(services.keys.sent.empty());
  EXPECT_EQ(app.Frame().MessageText(), elevated);
  EXPECT_EQ(balloons(), std::vector<std::string>{elevated});
  const int enumerations = services.controllers.enumDevicesCalls;
  SendMessageA(frame, WM_TRAYNOTIFY, 0, WM_USER + 5);  // a click on the balloon
  PumpFor(&app.App(), 50);
  EXPECT_EQ(services.controllers.enumDevicesCalls, enumerations);
  EXPECT_TRUE(services.prompts.questions.empty());

  tap(1);
  EXPECT_EQ(app.Frame().MessageText(), "No window of class \"NoSuchClass\" is open.");
  EXPECT_EQ(balloons().size(), 1u);

  // The program in front is of our level again: the keys go out.
  integrity.processes[game].elevation = Elevation::NotHigher;
  integrity.foreground = reinterpret_cast<WindowHandle>(0x7701);
  tap(0);
  EXPECT_EQ(services.keys.sent.size(), 2u);
  EXPECT_EQ(app.Frame().MessageText(), "Ready");
}

TEST(Joysticks, EveryTimerMessageRunsAPollingPass) {
  TestServices services;
  FakeController& pad = services.controllers.AddController(2);
  AppUnderTest app(services);
  ASSERT_TRUE(app.Start());
  KillTimer(app.FrameHandle(), 1);
  PumpFor(&app.App(), 30);
  const int polls = pad.pollCalls;
  for (WPARAM id : {1, 2, 77}) SendMessageA(app.FrameHandle(), WM_TIMER, id, 0);
  EXPECT_EQ(pad.pollCalls, polls + 3);
}

}  // namespace
}  // namespace tarvel::test
