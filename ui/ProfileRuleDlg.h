#pragma once
#include <windows.h>

#include "framework/Dialog.h"
#include "model/ProfileRules.h"

namespace tarvel {
namespace fw {
class FrameworkPrompts;
}

// One rule of the per-program configurations: the program's file name, a window title pattern
// and the configuration file. OK keeps the dialog open, with a message, for a rule that cannot
// be kept (no program, no file).
class CProfileRuleDlg final : public fw::Dialog {
 public:
  CProfileRuleDlg();

  // In: the rule to edit (empty for a new one). Out, after OK: the rule as typed.
  ProfileRule m_rule;
  // The file dialog of the Browse button; null: no Browse.
  fw::FrameworkPrompts* m_prompts = nullptr;

 protected:
  bool OnInit() override;
  bool OnOK() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The configuration files for a file dialog, and the Browse button's choice put into an edit
// control; shared with the Profiles dialog.
bool BrowseForConfiguration(HWND dialog, int editId, fw::FrameworkPrompts* prompts);

}  // namespace tarvel
