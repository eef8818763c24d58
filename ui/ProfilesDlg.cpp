#include "ui/ProfilesDlg.h"

// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <string>
#include <utility>

#include "framework/ListView.h"
#include "framework/ResourceText.h"
#include "res/resource.h"
#include "ui/DialogPlacement.h"
#include "ui/ProfileRuleDlg.h"

namespace tarvel {

CProfilesDlg::CProfilesDlg() : Dialog(IDD_PROFILES, true) {}

HWND CProfilesDlg::RuleList() const { return GetDlgItem(Handle(), IDC_PROFILE_LIST); }

int CProfilesDlg::Selected() const { return fw::ListView(RuleList()).NextItem(-1, LVNI_SELECTED); }

void CProfilesDlg::Select(int row) {
  const fw::ListView list(RuleList());
  list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row >= 0 && row < list.ItemCount()) {
    list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.EnsureVisible(row, false);
  }
  UpdateControls();
}

bool CProfilesDlg::OnInit() {
  CenterOnOwner(Handle());
  const fw::ListView list(RuleList());
  list.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  list.InsertColumn(0, "Program", 110);
  list.InsertColumn(1, "Window Title", 110);
  list.InsertColumn(2, "Configuration File", 220);
  rules_ = m_settings.rules;
  Fill();
  CheckDlgButton(Handle(), IDC_PROFILES_ENABLED, m_settings.enabled ? BST_CHECKED : BST_UNCHECKED);
  const bool toDefault = !m_settings.otherwise.empty();
  CheckRadioButton(Handle(), IDC_PROFILE_KEEP, IDC_PROFILE_DEFAULT,
                   toDefault ? IDC_PROFILE_DEFAULT : IDC_PROFILE_KEEP);
  SetItemTextUtf8(IDC_PROFILE_DEFAULT_PATH, m_settings.otherwise);
  std::string problems;
  for (const std::string& problem : m_settings.problems)
    problems += (problems.empty() ? "Skipped, as they cannot be read: " : "; ") + problem;
  SetItemTextUtf8(IDC_PROFILE_PROBLEMS, problems);
  if (!rules_.empty()) Select(0);
  UpdateControls();
  return true;
}

void CProfilesDlg::Fill() {
  const fw::ListView list(RuleList());
  list.DeleteAllItems();
  for (size_t i = 0; i < rules_.size(); ++i) {
    const int row = list.InsertItemUtf8(static_cast<int>(i), rules_[i].program);
    list.SetItemTextUtf8(row, 1, rules_[i].title);
    list.SetItemTextUtf8(row, 2, rules_[i].path);
  }
}

void CProfilesDlg::UpdateControls() {
  const int selected = Selected();
  const int last = static_cast<int>(rules_.size()) - 1;
  EnableWindow(GetDlgItem(Handle(), IDC_PROFILE_ADD),
               static_cast<int>(rules_.size()) < kMaxProfileRules);
  EnableWindow(GetDlgItem(Handle(), IDC_PROFILE_EDIT), selected >= 0);
  EnableWindow(GetDlgItem(Handle(), IDC_PROFILE_REMOVE), selected >= 0);
  EnableWindow(GetDlgItem(Handle(), IDC_PROFILE_UP), selected > 0);
  EnableWindow(GetDlgItem(Handle(), IDC_PROFILE_DOWN), selected >= 0 && selected < last);
  const bool toDefault = IsDlgButtonChecked(Handle(), IDC_PROFILE_DEFAULT) == BST_CHECKED;
  EnableWindow(GetDlgItem(Handle(), IDC_PROFILE_DEFAULT_PATH), toDefault);
  EnableWindow(GetDlgItem(Handle(), IDC_PROFILE_BROWSE), toDefault && m_prompts != nullptr);
  // A button disabled under the keyboard focus would leave the dialog without one.
  HWND focus = GetFocus();
  if (focus != nullptr && GetParent(focus) == Handle() && !IsWindowEnabled(focus))
    SetFocus(RuleList());
}

bool CProfilesDlg::EditRule(ProfileRule* rule) {
  CProfileRuleDlg dialog;
  dialog.m_rule = *rule;
  dialog.m_prompts = m_prompts;
  if (dialog.DoModal(Handle()) != IDOK) return false;
  *rule = dialog.m_rule;
  return true;
}

void CProfilesDlg::OnAdd() {
  if (static_cast<int>(rules_.size()) >= kMaxProfileRules) return;
  ProfileRule rule;
  if (!EditRule(&rule)) return;
  // After the selected rule, else at the end.
  const int selected = Selected();
  const int at = selected >= 0 ? selected + 1 : static_cast<int>(rules_.size());
  rules_.insert(rules_.begin() + at, std::move(rule));
  Fill();
  Select(at);
}

void CProfilesDlg::OnEdit() {
  const int selected = Selected();
  if (selected < 0) return;
  ProfileRule rule = rules_[static_cast<size_t>(selected)];
  if (!EditRule(&rule)) return;
  rules_[static_cast<size_t>(selected)] = std::move(rule);
  Fill();
  Select(selected);
}

void CProfilesDlg::OnRemove() {
  const int selected = Selected();
  if (selected < 0) return;
  rules_.erase(rules_.begin() + selected);
  Fill();
  Select(selected < static_cast<int>(rules_.size()) ? selected : selected - 1);
}

void CProfilesDlg::OnMove(int by) {
  const int selected = Selected();
  const int other = selected + by;
  if (selected < 0 || other < 0 || other >= static_cast<int>(rules_.size())) return;
  std::swap(rules_[static_cast<size_t>(selected)], rules_[static_cast<size_t>(other)]);
  Fill();
  Select(other);
}

bool CProfilesDlg::OnOK() {
  const bool toDefault = IsDlgButtonChecked(Handle(), IDC_PROFILE_DEFAULT) == BST_CHECKED;
  const std::string otherwise = toDefault ? ItemTextUtf8(IDC_PROFILE_DEFAULT_PATH) : "";
  if (toDefault && (otherwise.empty() || otherwise.find_first_of("\r\n") != std::string::npos)) {
    const std::string title = fw::LoadResourceString(IDS_APP_TITLE);
    MessageBoxA(Handle(), "Choose the configuration file to use when no rule matches.",
                title.empty() ? nullptr : title.c_str(), MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(Handle(), IDC_PROFILE_DEFAULT_PATH));
    return false;
  }
  m_settings.enabled = IsDlgButtonChecked(Handle(), IDC_PROFILES_ENABLED) == BST_CHECKED;
  m_settings.rules = rules_;
  m_settings.otherwise = otherwise;
  m_settings.problems.clear();
  return true;
}

INT_PTR CProfilesDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_PROFILE_LIST) return FALSE;
    if (header->code == LVN_ITEMCHANGED) UpdateControls();
    if (header->code == NM_DBLCLK) OnEdit();
    return FALSE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_PROFILE_ADD:
      OnAdd();
      return TRUE;
    case IDC_PROFILE_EDIT:
      OnEdit();
      return TRUE;
    case IDC_PROFILE_REMOVE:
      OnRemove();
      return TRUE;
    case IDC_PROFILE_UP:
      OnMove(-1);
      return TRUE;
    case IDC_PROFILE_DOWN:
      OnMove(1);
      return TRUE;
    case IDC_PROFILE_KEEP:
    case IDC_PROFILE_DEFAULT:
      UpdateControls();
      return TRUE;
    case IDC_PROFILE_BROWSE:
      BrowseForConfiguration(Handle(), IDC_PROFILE_DEFAULT_PATH, m_prompts);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace tarvel
