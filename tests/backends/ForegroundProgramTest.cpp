// The window in front as the per-program configurations see it, against the real system.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/ForegroundProgram.h"

namespace tarvel {
namespace {

HWND MakeWindow(const char* title) {
  return CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 60,
                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(ForegroundProgram, ProgramFileNameAndWhatIsNeverASwitch) {
  HWND window = MakeWindow("Mine");
  ASSERT_NE(window, nullptr);
  std::string program;
  ASSERT_TRUE(ProgramOfWindow(window, &program));
  EXPECT_EQ(program, "backend_tests.exe") << "the file name, without its folder";
  EXPECT_FALSE(ProgramOfWindow(nullptr, &program));

  struct Case {
    HWND window;
    ForegroundWindow::Kind kind;
  };
  const Case cases[] = {
      {nullptr, ForegroundWindow::Kind::Unknown},
      {window, ForegroundWindow::Kind::Ignored},  // the program's own window
      {GetDesktopWindow(), ForegroundWindow::Kind::Ignored},
  };
  for (const Case& c : cases) EXPECT_EQ(DescribeWindow(c.window).kind, c.kind);
  DestroyWindow(window);
}

TEST(ForegroundProgram, TheWatchStartsAndSeesAnotherWindowInFront) {
  // Wine 8 sets the hooks but reports no foreground change through them: the watch's
  // WindowChanged is what finds the change there.
  struct Counter final : ForegroundListener {
    void OnForegroundChanged() override {}
  } counter;
  HWND first = MakeWindow("First");
  HWND second = MakeWindow("Second");
  SetForegroundWindow(first);
  Win32ForegroundWatch watch;
  EXPECT_TRUE(watch.Start(&counter, true)) << "the event hooks could not be set";
  watch.Current();
  EXPECT_FALSE(watch.WindowChanged());
  SetForegroundWindow(second);
  ASSERT_EQ(GetForegroundWindow(), second);
  EXPECT_TRUE(watch.WindowChanged());
  watch.Current();
  EXPECT_FALSE(watch.WindowChanged());
  watch.Stop();
  DestroyWindow(first);
  DestroyWindow(second);
}

}  // namespace
}  // namespace tarvel
