#pragma once
#include <windows.h>

#include <string>

#include "framework/CommandTarget.h"
#include "framework/Window.h"

namespace tarvel::fw {

class View;
class ToolBar;
class ReBar;
class StatusBar;
class RecentFileList;

// What the frame asks before it closes: may the document go (the offer to save)?
class CloseQuery {
 public:
  virtual bool CanCloseFrame() = 0;

 protected:
  ~CloseQuery() = default;
};

// The main window of a single-document program: menu and accelerators from one resource number,
// bars at the top and bottom, the view in the rest, command routing with update handlers
// (view, document, frame, application), status bar prompts and tooltips for menu items and
// toolbar buttons, and "Ready" when idle.
class FrameWindow : public Window, public CommandTarget {
 public:
  // className: the window class that the frame registers; other programs find the window by it.
  explicit FrameWindow(const char* className) : className_(className) {}
  const char* ClassName() const { return className_; }

  // Creates the window with the menu, the icon and the accelerators of resourceId; the view that
  // SetView gave is created as its client. title: the caption until a document names it.
  bool LoadFrame(int resourceId, const char* title);

  void SetView(View* view) { view_ = view; }
  View* GetView() const { return view_; }
  void SetCommandRoute(CommandTarget* document, CommandTarget* application);
  void SetCloseQuery(CloseQuery* query) { closeQuery_ = query; }
  void SetRecentFileList(RecentFileList* list) { recentFiles_ = list; }
  // The main window ends the message loop when it is destroyed.
  void SetQuitOnDestroy(bool on) { quitOnDestroy_ = on; }

  // Routes a command along view, document, frame and application; false when no target handled
  // it or its update handler has it disabled.
  bool RouteCommand(UINT id);
  // Asks the same chain for the command's state; a command that no target handles is disabled.
  bool RouteUpdate(CmdUI& ui);
  // Enables and checks the items of a popup menu that is about to open.
  void UpdateMenuPopup(HMENU popup);

  // The keyboard accelerators of the frame; true when msg became a command.
  virtual bool PreTranslateMessage(MSG* msg);
  // Idle time: toolbar button states, lock key indicators, "Ready" in the message pane.
  void OnIdleUpdate();
  // Shows the frame the first time, with the program's show command.
  void ActivateFrame(int showCommand);
  void RecalcLayout();
  void SetMessageText(const char* text);
  // What the message pane shows when nothing else is to be said; empty: "Ready".
  void SetIdleMessage(const std::string& text);
  std::string MessageText() const;
  // A notice that the message pane shows in place of the idle message, at once and until it is
  // cleared (empty).
  void SetNotice(const std::string& text);

  HACCEL Accelerators() const { return accelerators_; }
  bool OnCommand(UINT id) override;
  bool OnUpdateCommand(CmdUI& ui) override;

 protected:
  // May change the creation parameters (style, placement) before the window is made.
  virtual bool PreCreateWindow(CREATESTRUCTA& cs);
  // Creates the view; the derived frame then makes its bars. -1 fails the creation.
  virtual int OnCreate(CREATESTRUCTA* cs);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The bars that the frame lays out, updates and shows or hides; null for none.
  void SetBars(ToolBar* toolBar, ReBar* reBar, StatusBar* statusBar);
  void OnSize(WPARAM type);

 private:
  LRESULT OnNotify(NMHDR* header);
  void OnMenuSelect(UINT item, UINT flags, HMENU menu);
  void OnClose();
  void ShowPrompt(UINT id);
  void ShowIdleMessage();
  void ToggleToolBar();
  void ToggleStatusBar();

  const char* className_;
  View* view_ = nullptr;
  CommandTarget* documentTarget_ = nullptr;
  CommandTarget* appTarget_ = nullptr;
  CloseQuery* closeQuery_ = nullptr;
  RecentFileList* recentFiles_ = nullptr;
  ToolBar* toolBar_ = nullptr;
  ReBar* reBar_ = nullptr;
  StatusBar* statusBar_ = nullptr;
  HACCEL accelerators_ = nullptr;
  bool quitOnDestroy_ = false;
  bool inMenu_ = false;
  UINT hotButton_ = 0;
  std::string idleMessage_;
  std::string notice_;
  char tipText_[128] = {};
  wchar_t tipTextW_[128] = {};
};

}  // namespace tarvel::fw
