#include "ui/ActionDlg.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/ResourceText.h"
#include "res/resource.h"
#include "ui/DialogPlacement.h"

namespace tarvel {

namespace {

constexpr int kActionButtons[] = {IDC_ACTION_TAP, IDC_ACTION_HOLD, IDC_ACTION_TURBO};
constexpr int kModifierBoxes[][2] = {
    {IDC_MOUSE_SHIFT, kModShift}, {IDC_MOUSE_CTRL, kModCtrl}, {IDC_MOUSE_ALT, kModAlt}};

}  // namespace

void FormatAction(KeyAction action, int turboRate, char* buffer, int size) {
  switch (action) {
    case KeyAction::Hold:
      std::snprintf(buffer, static_cast<size_t>(size), "Hold");
      break;
    case KeyAction::Turbo:
      std::snprintf(buffer, static_cast<size_t>(size), "Turbo %d/s", turboRate);
      break;
    default:
      std::snprintf(buffer, static_cast<size_t>(size), "Tap");
      break;
  }
}

CActionDlg::CActionDlg() : Dialog(IDD_ACTION) {}

bool CActionDlg::OnInit() {
  CenterOnOwner(Handle());
  const int index = static_cast<int>(m_action);
  CheckRadioButton(Handle(), IDC_ACTION_TAP, IDC_ACTION_TURBO,
                   kActionButtons[index >= 0 && index <= 2 ? index : 0]);
  SetItemText(IDC_TURBO_RATE, std::to_string(m_turboRate).c_str());
  SendDlgItemMessageA(Handle(), IDC_TURBO_RATE, EM_LIMITTEXT, 2, 0);
  EnableRate();
  // The list holds the mouse actions in their order, Left Click first.
  HWND list = GetDlgItem(Handle(), IDC_MOUSE_ACTION);
  for (int a = 1; a < kMouseActionCount; ++a)
    SendMessageA(list, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(MouseActionName(static_cast<MouseAction>(a))));
  const int mouse = static_cast<int>(m_mouse);
  SendMessageA(list, CB_SETCURSEL, mouse > 0 && mouse < kMouseActionCount ? mouse - 1 : 0, 0);
  CheckRadioButton(Handle(), IDC_OUTPUT_KEY, IDC_OUTPUT_MOUSE,
                   m_mouse != MouseAction::None ? IDC_OUTPUT_MOUSE : IDC_OUTPUT_KEY);
  for (const auto& box : kModifierBoxes)
    CheckDlgButton(Handle(), box[0], (m_mouseModifiers & box[1]) ? BST_CHECKED : BST_UNCHECKED);
  EnableMouse();
  return true;
}

void CActionDlg::EnableMouse() {
  const bool mouse = IsDlgButtonChecked(Handle(), IDC_OUTPUT_MOUSE) == BST_CHECKED;
  for (int id : {IDC_MOUSE_ACTION, IDC_MOUSE_SHIFT, IDC_MOUSE_CTRL, IDC_MOUSE_ALT})
    EnableWindow(GetDlgItem(Handle(), id), mouse);
}

void CActionDlg::EnableRate() {
  EnableWindow(GetDlgItem(Handle(), IDC_TURBO_RATE),
               IsDlgButtonChecked(Handle(), IDC_ACTION_TURBO) == BST_CHECKED);
}

INT_PTR CActionDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == IDC_ACTION_TAP || LOWORD(wParam) == IDC_ACTION_HOLD ||
       LOWORD(wParam) == IDC_ACTION_TURBO)) {
    EnableRate();
    return TRUE;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == IDC_OUTPUT_KEY || LOWORD(wParam) == IDC_OUTPUT_MOUSE)) {
    EnableMouse();
    return TRUE;
  }
  return Dialog::HandleMessage(message, wParam, lParam);
}

bool CActionDlg::OnOK() {
  KeyAction action = KeyAction::Tap;
  if (IsDlgButtonChecked(Handle(), IDC_ACTION_HOLD) == BST_CHECKED) action = KeyAction::Hold;
  if (IsDlgButtonChecked(Handle(), IDC_ACTION_TURBO) == BST_CHECKED) action = KeyAction::Turbo;
  if (action == KeyAction::Turbo) {
    char text[8] = {};
    GetItemText(IDC_TURBO_RATE, text, sizeof(text));
    char* end = nullptr;
    const long rate = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || rate < kMinTurboRate || rate > kMaxTurboRate) {
      std::string title = fw::LoadResourceString(IDS_APP_TITLE);
      MessageBoxA(Handle(), "Please enter a rate from 1 to 50 keystrokes per second.",
                  title.empty() ? "Tarvel" : title.c_str(), MB_OK | MB_ICONEXCLAMATION);
      HWND edit = GetDlgItem(Handle(), IDC_TURBO_RATE);
      SetFocus(edit);
      SendMessageA(edit, EM_SETSEL, 0, -1);
      return false;
    }
    m_turboRate = static_cast<int>(rate);
  }
  m_action = action;
  m_mouse = MouseAction::None;
  m_mouseModifiers = 0;
  if (IsDlgButtonChecked(Handle(), IDC_OUTPUT_MOUSE) == BST_CHECKED) {
    const LRESULT chosen = SendDlgItemMessageA(Handle(), IDC_MOUSE_ACTION, CB_GETCURSEL, 0, 0);
    m_mouse =
        static_cast<MouseAction>(chosen >= 0 && chosen < kMouseActionCount - 1 ? chosen + 1 : 1);
    for (const auto& box : kModifierBoxes)
      if (IsDlgButtonChecked(Handle(), box[0]) == BST_CHECKED)
        m_mouseModifiers = static_cast<uint8_t>(m_mouseModifiers | box[1]);
  }
  return true;
}

}  // namespace tarvel
