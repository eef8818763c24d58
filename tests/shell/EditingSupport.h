#pragma once
// Pieces of the editing tests: acting on a modal dialog or message box from inside its own
// message loop, and mouse and key messages as the list view receives them.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/shell/ShellTestSupport.h"

namespace tarvel::test {

// Waits, on a thread timer, for a window of this thread to appear and then acts on it once.
// Modal dialogs and message boxes run message loops of their own, and those dispatch the timer,
// so the action runs while the dialog is open; it must end the dialog.
class WindowWatch {
 public:
  using Finder = std::function<HWND()>;
  using Action = std::function<void(HWND)>;

  WindowWatch(Finder find, Action act, int timeoutMs = 5000);
  ~WindowWatch();
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  bool Fired() const { return fired_; }

 private:
  static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
  void Stop();

  Finder find_;
  Action act_;
  DWORD deadline_;
  UINT_PTR timer_ = 0;
  bool fired_ = false;
};

// A visible dialog (or message box) of this thread with this caption, or null.
HWND FindDialog(const char* caption);
WindowWatch::Finder DialogCalled(const char* caption);

// Presses a dialog's button as a click does.
void ClickButton(HWND dialog, int id);
bool IsButtonEnabled(HWND dialog, int id);

// The messages a list view gets from a mouse click or double click at a client point; posted,
// so that the caller's message pump delivers them as the program's loop does.
void PostLeftClick(HWND window, POINT point);
void PostDoubleClick(HWND window, POINT point);
void PostRightClick(HWND window, POINT point);

// The centre of a list view cell (row, column), in the list's client coordinates.
POINT CellCentre(HWND list, int row, int column);

// A key message with its scan code (bits 16-23) and extended-key flag (bit 24), posted to window.
void PostKey(HWND window, UINT message, UINT virtualKey, UINT scanCode, bool extended = false);

// The text of a list view cell.
std::string CellText(HWND list, int row, int column);
int SelectedRow(HWND list);

// The program started with two attached controllers, "Pad 1" with 2 buttons and "Pad 2" with 3:
// rows 0-1 and 2-4, all shown connected.
class TwoPadsTest : public testing::Test {
 protected:
  void SetUp() override {
    services_.controllers.AddController(2);
    services_.controllers.AddController(3);
    app_ = std::make_unique<AppUnderTest>(services_);
    ASSERT_TRUE(app_->Start());
    list_ = app_->View().Handle();
    ASSERT_TRUE(PumpUntil(&app_->App(), [&] { return app_->View().List().ItemImage(4) == 4; }));
  }
  void TearDown() override { app_.reset(); }

  void Pump(int ms = 30) { PumpFor(&app_->App(), ms); }

  TestServices services_;
  std::unique_ptr<AppUnderTest> app_;
  HWND list_ = nullptr;
};

}  // namespace tarvel::test
