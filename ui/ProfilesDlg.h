#pragma once
#include <windows.h>

#include <vector>

#include "framework/Dialog.h"
#include "model/ProfileRules.h"

namespace tarvel {
namespace fw {
class FrameworkPrompts;
}

// Options > Profiles...: the ordered rules that choose a configuration by the program in front
// (add, edit, remove, move up and down; the first that matches wins), what happens when none
// matches (keep the current configuration, or a default file), and whether switching is on.
// The values of the settings that could not be read are named below the list.
class CProfilesDlg : public fw::Dialog {
 public:
  CProfilesDlg();

  // In: the settings as read (with the problems found). Out, after OK: the settings to keep.
  ProfileSettings m_settings;
  // The file dialog of the Browse buttons; null: no Browse.
  fw::FrameworkPrompts* m_prompts = nullptr;
  // The rule dialog for Add and Edit; tests put their own answer in its place.
  virtual bool EditRule(ProfileRule* rule);

  HWND RuleList() const;
  // Rows of the list as the dialog has them now.
  const std::vector<ProfileRule>& Rules() const { return rules_; }
  int Selected() const;
  void Select(int row);

 protected:
  bool OnInit() override;
  bool OnOK() override;
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Fill();
  void UpdateControls();
  void OnAdd();
  void OnEdit();
  void OnRemove();
  void OnMove(int by);

  std::vector<ProfileRule> rules_;
};

}  // namespace tarvel
