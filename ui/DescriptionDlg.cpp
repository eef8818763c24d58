#include "ui/DescriptionDlg.h"

#include "res/resource.h"
#include "ui/DialogPlacement.h"

namespace tarvel {

CDescriptionDlg::CDescriptionDlg() : Dialog(IDD_DESCRIPTION) {}

bool CDescriptionDlg::OnInit() {
  CenterOnOwner(Handle());
  SetItemText(IDC_DESCRIPTION, m_description.c_str());
  SendDlgItemMessageA(Handle(), IDC_DESCRIPTION, EM_LIMITTEXT, kMaxChars, 0);
  return true;
}

bool CDescriptionDlg::OnOK() {
  if (!CheckMaxChars(IDC_DESCRIPTION, kMaxChars)) return false;
  char text[kMaxChars + 1] = {};
  GetItemText(IDC_DESCRIPTION, text, sizeof(text));
  m_description = text;
  return true;
}

}  // namespace tarvel
