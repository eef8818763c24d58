// The key sender against real windows: key messages to a window found by its class, on this
// thread and on others, a target that does not answer, and key events into the input stream.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "model/DeliveryReports.h"
#include "platform/win32/Win32ForegroundIntegrity.h"
#include "platform/win32/Win32KeySender.h"
#include "tests/backends/KeyTarget.h"

namespace tarvel {
namespace {

using test::KeyLog;
using test::KeyMessage;
using test::ThreadedKeyTarget;

struct Step {
  bool keyUp;
  uint8_t virtualKey;
};

// Ctrl + Alt + F5 as the mapping engine sends it, and the messages that must arrive.
const std::vector<Step> kCtrlAltF5 = {{false, VK_CONTROL}, {false, VK_MENU}, {false, VK_F5},
                                      {true, VK_F5},       {true, VK_MENU},  {true, VK_CONTROL}};

KeyMessage Expected(const Step& step) {
  return {static_cast<UINT>(step.keyUp ? WM_KEYUP : WM_KEYDOWN), step.virtualKey, 0};
}

std::vector<KeyMessage> ExpectedMessages(const std::vector<Step>& steps) {
  std::vector<KeyMessage> messages;
  for (const Step& step : steps) messages.push_back(Expected(step));
  return messages;
}

// Pumps this thread's messages until done() holds or about five seconds have passed.
template <typename Done>
void PumpUntil(Done done) {
  const ULONGLONG giveUp = GetTickCount64() + 5000;
  while (!done() && GetTickCount64() < giveUp) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

TEST(Win32KeySender, FindsOnlyTopLevelWindowsOfTheClass) {
  KeyLog log;
  HWND target = test::CreateKeyTarget("TarvelTestFindTarget", &log);
  ASSERT_NE(target, nullptr);
  // A window of a class that is only ever a child is not a top-level window.
  test::RegisterKeyTargetClass("TarvelTestChildOnly");
  HWND child = CreateWindowExA(0, "TarvelTestChildOnly", "child", WS_CHILD, 0, 0, 10, 10, target,
                               nullptr, GetModuleHandleA(nullptr), &log);
  ASSERT_NE(child, nullptr);

  Win32KeySender sender;
  EXPECT_EQ(sender.FindTopLevelWindow("TarvelTestFindTarget"), target);
  EXPECT_EQ(sender.FindTopLevelWindow("TarvelTestChildOnly"), nullptr);
  EXPECT_EQ(sender.FindTopLevelWindow("TarvelTestNoSuchClass"), nullptr);

  DestroyWindow(target);
  EXPECT_EQ(sender.FindTopLevelWindow("TarvelTestFindTarget"), nullptr);
}

TEST(Win32KeySender, DeliversEachMessageBeforeReturningToAWindowOfThisThread) {
  KeyLog log;
  HWND target = test::CreateKeyTarget("TarvelTestSameThread", &log);
  ASSERT_NE(target, nullptr);
  Win32KeySender sender;
  for (size_t i = 0; i < kCtrlAltF5.size(); ++i) {
    EXPECT_TRUE(
        sender.SendKeyMessage(target, kCtrlAltF5[i].keyUp, kCtrlAltF5[i].virtualKey).Delivered());
    ASSERT_EQ(log.Size(), i + 1) << "message " << i << " was not handled before returning";
  }
  EXPECT_EQ(log.Messages(), ExpectedMessages(kCtrlAltF5));
  DestroyWindow(target);
}

TEST(Win32KeySender, DeliversInOrderAndSynchronouslyToAWindowOfAnotherThread) {
  ThreadedKeyTarget target("TarvelTestOtherThread");
  Win32KeySender sender;
  WindowHandle found = sender.FindTopLevelWindow("TarvelTestOtherThread");
  ASSERT_EQ(found, target.Window());

  // Two keystrokes in a row to one window: the second must go out exactly like the first.
  std::vector<Step> twice = kCtrlAltF5;
  twice.insert(twice.end(), kCtrlAltF5.begin(), kCtrlAltF5.end());
  for (size_t i = 0; i < twice.size(); ++i) {
    sender.SendKeyMessage(found, twice[i].keyUp, twice[i].virtualKey);
    ASSERT_EQ(target.Log().Size(), i + 1) << "message " << i << " was not handled before returning";
  }
  EXPECT_EQ(target.Log().Messages(), ExpectedMessages(twice));
}

TEST(Win32KeySender, ATargetThatDoesNotAnswerDoesNotHoldUpTheSender) {
  // The target's thread reads no messages for 3 s, far longer than one message may wait.
  ThreadedKeyTarget target("TarvelTestBlocked", 3000);
  Win32KeySender sender;
  std::vector<DeliveryFault> faults;
  for (const Step& step : kCtrlAltF5)
    faults.push_back(sender.SendKeyMessage(target.Window(), step.keyUp, step.virtualKey).fault);
  EXPECT_FALSE(target.Woke()) << "the sender waited until the blocked target woke";
  // The keystroke given up says why, from the message that timed out on.
  EXPECT_EQ(faults, std::vector<DeliveryFault>(kCtrlAltF5.size(), DeliveryFault::WindowTimedOut));

  // Once it answers again, the target has at most the key-down that timed out, never a later
  // key-down without it (Alt+F5 or F5 where Ctrl+Alt+F5 was meant), and every key-up, so no key it
  // saw go down is left down.
  ASSERT_TRUE(target.WaitUntilDrained(10000));
  const std::vector<KeyMessage> all = ExpectedMessages(kCtrlAltF5);
  const std::vector<KeyMessage> ups(all.begin() + 3, all.end());
  std::vector<KeyMessage> withFirstDown = {all[0]};
  withFirstDown.insert(withFirstDown.end(), ups.begin(), ups.end());
  const std::vector<KeyMessage> received = target.Log().Messages();
  EXPECT_TRUE(received == ups || received == withFirstDown) << ::testing::PrintToString(received);

  // The next keystroke waits for the window again and is handled message by message.
  const size_t before = received.size();
  for (size_t i = 0; i < kCtrlAltF5.size(); ++i) {
    sender.SendKeyMessage(target.Window(), kCtrlAltF5[i].keyUp, kCtrlAltF5[i].virtualKey);
    ASSERT_EQ(target.Log().Size(), before + i + 1) << "message " << i << " of the next keystroke";
  }
}

TEST(Win32KeySender, AWindowThatIsGoneSwallowsTheKeystroke) {
  KeyLog log;
  HWND target = test::CreateKeyTarget("TarvelTestGone", &log);
  ASSERT_NE(target, nullptr);
  DestroyWindow(target);
  Win32KeySender sender;
  const Delivery first = sender.SendKeyMessage(target, false, VK_CONTROL);
  EXPECT_EQ(first.fault, DeliveryFault::WindowRefused);
  EXPECT_EQ(first.systemError, static_cast<uint32_t>(ERROR_INVALID_WINDOW_HANDLE));
  for (const Step& step : kCtrlAltF5) sender.SendKeyMessage(target, step.keyUp, step.virtualKey);
  EXPECT_EQ(log.Size(), 0u);
}

// The real integrity check, against this process's own window: the same level, so keys go out;
// a window that is gone has no process to ask.
TEST(Win32ForegroundIntegrity, AWindowOfThisProcessIsOfItsOwnLevel) {
  KeyLog log;
  HWND own = test::CreateKeyTarget("TarvelTestIntegrity", &log);
  ASSERT_NE(own, nullptr);
  Win32ForegroundIntegrity integrity;
  char name[kProgramNameSize] = "x";
  EXPECT_EQ(integrity.CompareProcessOf(own, name, sizeof name), Elevation::NotHigher);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string file = path;
  EXPECT_EQ(std::string(name), file.substr(file.find_last_of("\\/") + 1));
  uint32_t level = 0;
  char again[kProgramNameSize];
  ASSERT_TRUE(
      Win32ForegroundIntegrity::IntegrityLevelOfProcess(GetCurrentProcessId(), &level, again, 4));
  EXPECT_GE(level, 0x1000u) << "at least low integrity";
  EXPECT_EQ(std::string(again), std::string(name).substr(0, 3)) << "cut to the buffer";
  DestroyWindow(own);
  EXPECT_EQ(integrity.CompareProcessOf(own, name, sizeof name), Elevation::Unknown);
  EXPECT_STREQ(name, "");
}

TEST(Win32KeySender, InjectedKeysReachTheFocusedWindowWithScanCodeAndExtendedFlag) {
  KeyLog log;
  HWND target = test::CreateKeyTarget("TarvelTestFocus", &log, true);
  ASSERT_NE(target, nullptr);
  SetForegroundWindow(target);
  SetFocus(target);
  PumpUntil([&] { return GetFocus() == target; });
  ASSERT_EQ(GetFocus(), target);

  struct Case {
    uint8_t virtualKey;
    uint8_t scanCode;      // given
    uint8_t sentScanCode;  // in the message
    bool extended;
  };
  // A letter, a function key, a modifier, scan codes that are not the key's own, keys whose own
  // scan code is looked up, and the navigation keys that share scan codes with the keypad's.
  const Case cases[] = {
      {'A', 0x1E, 0x1E, false},  {VK_F5, 0x3F, 0x3F, false},    {VK_CONTROL, 0x1D, 0x1D, false},
      {'Q', 0x7F, 0x7F, false},  {VK_F9, 0x00, 0x43, false},    {VK_SHIFT, 0x00, 0x2A, false},
      {VK_UP, 0x48, 0x48, true}, {VK_DELETE, 0x00, 0x53, true}, {VK_NUMPAD2, 0x50, 0x50, false}};
  Win32KeySender sender;
  for (const Case& c : cases) {
    SCOPED_TRACE("key " + std::to_string(c.virtualKey));
    const size_t before = log.Size();
    const KeyEvent keystroke[] = {{c.virtualKey, c.scanCode, false},
                                  {c.virtualKey, c.scanCode, true}};
    EXPECT_TRUE(sender.InjectKeys(keystroke, 2).Delivered());
    PumpUntil([&] { return log.Size() >= before + 2; });
    const std::vector<KeyMessage> received = log.Messages();
    ASSERT_EQ(received.size(), before + 2);
    const KeyMessage& down = received[before];
    const KeyMessage& up = received[before + 1];
    EXPECT_EQ(down.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(down.wParam, c.virtualKey);
    EXPECT_EQ((down.lParam >> 16) & 0xFF, c.sentScanCode);
    EXPECT_EQ((down.lParam & (1 << 24)) != 0, c.extended) << "the extended-key flag";
    EXPECT_EQ(down.lParam & (1u << 31), 0u);
    EXPECT_EQ(up.message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(up.wParam, c.virtualKey);
    EXPECT_EQ((up.lParam >> 16) & 0xFF, c.sentScanCode);
    EXPECT_EQ((up.lParam & (1 << 24)) != 0, c.extended);
    EXPECT_NE(up.lParam & (1u << 31), 0u) << "a key-up has its transition bit";
  }
  DestroyWindow(target);
}

// A Unicode window that logs the characters it gets, and Enter.
std::vector<WPARAM> g_chars;
LRESULT CALLBACK CharTargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHAR) {
    g_chars.push_back(wParam);
    return 0;
  }
  if (message == WM_KEYDOWN && wParam == VK_RETURN) g_chars.push_back(0x10000 | VK_RETURN);
  return DefWindowProcW(window, message, wParam, lParam);
}

// A text with an accented letter, a Cyrillic one, a line break and a character past U+FFFF:
// WM_CHAR to a window unchanged, whatever the code page, and as Unicode keystrokes into the
// focused window, where the line break is Enter.
TEST(Win32KeySender, TextsArriveAsTheirCharactersBothWays) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = CharTargetProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TarvelTestChars";
  RegisterClassW(&windowClass);
  HWND target =
      CreateWindowExW(0, L"TarvelTestChars", L"chars", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                      300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(target, nullptr);
  const std::u16string text = u"\u00E9\u0416\n\U0001F600";
  Win32KeySender sender;
  ASSERT_EQ(sender.FindTopLevelWindow("TarvelTestChars"), target);
  g_chars.clear();
  for (char16_t unit : text) sender.SendCharMessage(target, unit);
  EXPECT_EQ(g_chars, (std::vector<WPARAM>{0xE9, 0x416, '\n', 0xD83D, 0xDE00}));

  SetForegroundWindow(target);
  SetFocus(target);
  auto pump = [](auto done) {
    const ULONGLONG giveUp = GetTickCount64() + 5000;
    while (!done() && GetTickCount64() < giveUp) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  };
  pump([&] { return GetFocus() == target; });
  ASSERT_EQ(GetFocus(), target);
  g_chars.clear();
  sender.InjectText(text.data(), static_cast<int>(text.size()));
  pump([&] { return g_chars.size() >= 6; });
  EXPECT_EQ(g_chars, (std::vector<WPARAM>{0xE9, 0x416, 0x10000 | VK_RETURN, '\r', 0xD83D, 0xDE00}));
  DestroyWindow(target);
}

}  // namespace
}  // namespace tarvel
