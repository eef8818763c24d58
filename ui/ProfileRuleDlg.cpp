#include "ui/ProfileRuleDlg.h"

#include <string>

#include "framework/FrameworkPrompts.h"
#include "framework/ResourceText.h"
#include "model/FileOps.h"
#include "res/resource.h"
#include "ui/DialogPlacement.h"

namespace tarvel {

namespace {

std::string EditText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
  return Utf8Text(text.c_str());
}

}  // namespace

bool BrowseForConfiguration(HWND dialog, int editId, fw::FrameworkPrompts* prompts) {
  if (prompts == nullptr) return false;
  std::string path = EditText(dialog, editId);
  std::string filter = "Tarvel Configuration (*.tvm)";
  filter += '\0';
  filter += "*.tvm";
  filter += '\0';
  filter += fw::LoadResourceString(IDS_ALL_FILES, "All Files (*.*)");
  filter += '\0';
  filter += "*.*";
  filter += '\0';
  if (!prompts->ChooseFileToOpen(dialog, filter, "tvm", &path)) return false;
  SetDlgItemTextW(dialog, editId, WideText(path.c_str()).c_str());
  return true;
}

CProfileRuleDlg::CProfileRuleDlg() : Dialog(IDD_PROFILE_RULE, true) {}

bool CProfileRuleDlg::OnInit() {
  CenterOnOwner(Handle());
  SetItemTextUtf8(IDC_RULE_PROGRAM, m_rule.program);
  SetItemTextUtf8(IDC_RULE_TITLE, m_rule.title);
  SetItemTextUtf8(IDC_RULE_PATH, m_rule.path);
  EnableWindow(GetDlgItem(Handle(), IDC_RULE_BROWSE), m_prompts != nullptr);
  return true;
}

bool CProfileRuleDlg::OnOK() {
  ProfileRule rule;
  rule.program = ItemTextUtf8(IDC_RULE_PROGRAM);
  rule.title = ItemTextUtf8(IDC_RULE_TITLE);
  rule.path = ItemTextUtf8(IDC_RULE_PATH);
  const std::string why = CheckProfileRule(rule);
  if (!why.empty()) {
    const std::string text = "This rule cannot be kept: " + why + ".";
    const std::string title = fw::LoadResourceString(IDS_APP_TITLE);
    MessageBoxA(Handle(), text.c_str(), title.empty() ? nullptr : title.c_str(),
                MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(Handle(), rule.program.empty() ? IDC_RULE_PROGRAM : IDC_RULE_PATH));
    return false;
  }
  m_rule = std::move(rule);
  return true;
}

INT_PTR CProfileRuleDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_RULE_BROWSE && HIWORD(wParam) == BN_CLICKED) {
    BrowseForConfiguration(Handle(), IDC_RULE_PATH, m_prompts);
    return TRUE;
  }
  return FALSE;
}

}  // namespace tarvel
