#include "ui/ThresholdsDlg.h"

#include <cstdlib>
#include <string>

#include "framework/ResourceText.h"
#include "res/resource.h"
#include "ui/DialogPlacement.h"

namespace tarvel {

CThresholdsDlg::CThresholdsDlg() : Dialog(IDD_THRESHOLDS) {}

bool CThresholdsDlg::OnInit() {
  CenterOnOwner(Handle());
  SetItemText(IDC_PRESS_PERCENT, std::to_string(m_pressPercent).c_str());
  SetItemText(IDC_RELEASE_PERCENT, std::to_string(m_releasePercent).c_str());
  for (int id : {IDC_PRESS_PERCENT, IDC_RELEASE_PERCENT})
    SendDlgItemMessageA(Handle(), id, EM_LIMITTEXT, 2, 0);
  return true;
}

bool CThresholdsDlg::ReadPercent(int control, int* value) {
  char text[8] = {};
  GetItemText(control, text, sizeof(text));
  char* end = nullptr;
  const long percent = std::strtol(text, &end, 10);
  if (end == text || *end != '\0') return false;
  *value = static_cast<int>(percent);
  return true;
}

bool CThresholdsDlg::OnOK() {
  int press = 0;
  int release = 0;
  const bool pressRead = ReadPercent(IDC_PRESS_PERCENT, &press);
  if (!pressRead || !ReadPercent(IDC_RELEASE_PERCENT, &release) ||
      !ValidThresholds(press, release)) {
    std::string title = fw::LoadResourceString(IDS_APP_TITLE);
    MessageBoxA(Handle(), "Please enter two percentages from 1 to 99, the second below the first.",
                title.empty() ? "Tarvel" : title.c_str(), MB_OK | MB_ICONEXCLAMATION);
    HWND edit = GetDlgItem(
        Handle(), pressRead && press >= kMinThresholdPercent && press <= kMaxThresholdPercent
                      ? IDC_RELEASE_PERCENT
                      : IDC_PRESS_PERCENT);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    return false;
  }
  m_pressPercent = press;
  m_releasePercent = release;
  return true;
}

}  // namespace tarvel
