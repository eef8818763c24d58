// The joysticks as the running program sees them: Refresh with a newly attached controller, and
// the polling timer turning a button press into key messages for a window of a target class.
#include <gtest/gtest.h>

#include <vector>

#include "input/JoystickTable.h"
#include "platform/win32/Win32KeySender.h"
#include "res/resource.h"
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
