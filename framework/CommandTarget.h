#pragma once
#include <windows.h>

namespace tarvel::fw {

// The state that the update handlers give one command: its menu item or toolbar button is
// enabled or grayed, and checked or not.
struct CmdUI {
  explicit CmdUI(UINT commandId) : id(commandId) {}
  void Enable(bool on = true) { enabled = on; }
  void SetCheck(bool on) { check = on ? 1 : 0; }

  UINT id;
  bool enabled = true;
  int check = -1;  // -1: the handler says nothing about the check mark
};

// Something that handles commands: the view, the document, the frame or the application.
// A command goes along that chain until a target handles it.
class CommandTarget {
 public:
  // True when this target handled the command.
  virtual bool OnCommand(UINT /*id*/) { return false; }
  // True when this target handles the command; it then sets the command's state.
  virtual bool OnUpdateCommand(CmdUI& /*ui*/) { return false; }

 protected:
  ~CommandTarget() = default;
};

}  // namespace tarvel::fw
