// The program's own messages as real message boxes, answered by a helper thread that reads them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "platform/win32/MessageBoxPrompts.h"

namespace tarvel {
namespace {

// What the helper saw of the message box before it pressed a button.
struct SeenBox {
  bool found = false;
  HWND owner = nullptr;
  std::string text;
  bool hasOk = false, hasYes = false, hasNo = false, hasCancel = false;
};

BOOL CALLBACK CollectStaticText(HWND child, LPARAM seen) {
  char className[32] = {};
  GetClassNameA(child, className, sizeof(className));
  if (lstrcmpiA(className, "Static") == 0) {
    char text[2048] = {};
    GetWindowTextA(child, text, sizeof(text));
    reinterpret_cast<SeenBox*>(seen)->text += text;
  }
  return TRUE;
}

// Runs ask() on this thread while a helper thread waits for the program's message box, notes what
// it shows and presses the button with the given identifier.
template <typename Ask>
SeenBox AnswerMessageBox(int button, Ask ask) {
  SeenBox seen;
  std::thread helper([&] {
    HWND box = nullptr;
    for (int tries = 0; tries < 500 && box == nullptr; ++tries) {
      box = FindWindowA("#32770", kAppTitle);
      if (box == nullptr || !IsWindowVisible(box)) {
        box = nullptr;
        Sleep(20);
      }
    }
    if (box == nullptr) return;
    seen.found = true;
    seen.owner = GetWindow(box, GW_OWNER);
    EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&seen));
    seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
    seen.hasYes = GetDlgItem(box, IDYES) != nullptr;
    seen.hasNo = GetDlgItem(box, IDNO) != nullptr;
    seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  });
  ask();
  helper.join();
  return seen;
}

HWND CreateOwner() {
  return CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(MessageBoxPrompts, WrongFileFormatIsAnOkMessageOwnedByTheGivenWindow) {
  HWND owner = CreateOwner();
  ASSERT_NE(owner, nullptr);
  MessageBoxPrompts prompts(owner);
  const SeenBox seen = AnswerMessageBox(IDOK, [&] { prompts.ShowWrongFileFormat(); });
  ASSERT_TRUE(seen.found) << "no message box titled " << kAppTitle;
  EXPECT_EQ(seen.text, "Wrong file format!");
  EXPECT_EQ(seen.owner, owner);
  EXPECT_TRUE(seen.hasOk);
  EXPECT_FALSE(seen.hasYes);
  EXPECT_FALSE(seen.hasNo);
  DestroyWindow(owner);
}

TEST(MessageBoxPrompts, NewJoystickQuestionNamesTheJoystickAndReturnsTheAnswer) {
  const std::string longName(255, 'n');
  struct Case {
    std::string productName;
    int button;
    bool expected;
  };
  const Case cases[] = {
      {"Gamepad F310", IDYES, true},
      {"100% \"odd\" %1 name", IDNO, false},
      {longName, IDYES, true},
  };
  HWND owner = CreateOwner();
  ASSERT_NE(owner, nullptr);
  MessageBoxPrompts prompts;
  EXPECT_EQ(prompts.Owner(), nullptr);
  prompts.SetOwner(owner);
  for (const Case& c : cases) {
    bool answer = !c.expected;
    const SeenBox seen = AnswerMessageBox(
        c.button, [&] { answer = prompts.AskAddNewJoystick(c.productName.c_str()); });
    ASSERT_TRUE(seen.found) << c.productName;
    EXPECT_EQ(answer, c.expected) << c.productName;
    EXPECT_EQ(seen.text, "New joystick named \"" + c.productName +
                             "\" was discovered.\n\nDo you want to add it to your configuration?");
    EXPECT_EQ(seen.owner, owner);
    EXPECT_TRUE(seen.hasYes);
    EXPECT_TRUE(seen.hasNo);
    EXPECT_FALSE(seen.hasOk);
    EXPECT_FALSE(seen.hasCancel);
  }
  DestroyWindow(owner);
}

TEST(MessageBoxPrompts, WithoutAnOwnerTheBoxStandsAlone) {
  MessageBoxPrompts prompts;
  bool answer = true;
  const SeenBox seen = AnswerMessageBox(IDNO, [&] { answer = prompts.AskAddNewJoystick("Stick"); });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_FALSE(answer);
}

}  // namespace
}  // namespace tarvel
