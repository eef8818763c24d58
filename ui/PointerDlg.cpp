#include "ui/PointerDlg.h"

#include <cstdlib>

#include "framework/ResourceText.h"
#include "res/resource.h"
#include "ui/DialogPlacement.h"

namespace tarvel {

namespace {

// XInput pads seen through DirectInput have their left stick on X/Y and their right on Rx/Ry.
constexpr const char* kPairLabels[kStickPairCount] = {
    "None", "X and Y axes (left stick)", "Rx and Ry axes (right stick)", "Z and Rz axes"};

void FillPairs(HWND dialog, int control, StickPair chosen) {
  HWND list = GetDlgItem(dialog, control);
  for (const char* label : kPairLabels)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
  const int index = static_cast<int>(chosen);
  SendMessageA(list, CB_SETCURSEL, index >= 0 && index < kStickPairCount ? index : 0, 0);
}

StickPair ChosenPair(HWND dialog, int control) {
  const LRESULT index = SendDlgItemMessageA(dialog, control, CB_GETCURSEL, 0, 0);
  return index > 0 && index < kStickPairCount ? static_cast<StickPair>(index) : StickPair::None;
}

}  // namespace

const char* StickPairLabel(StickPair pair) {
  const int index = static_cast<int>(pair);
  return kPairLabels[index >= 0 && index < kStickPairCount ? index : 0];
}

CPointerDlg::CPointerDlg() : Dialog(IDD_POINTER) {}

bool CPointerDlg::OnInit() {
  CenterOnOwner(Handle());
  SetItemText(IDC_POINTER_DEVICE, m_deviceName.c_str());
  FillPairs(Handle(), IDC_POINTER_STICK, m_pointer.pair);
  FillPairs(Handle(), IDC_SCROLL_STICK, m_scroll.pair);
  SetItemText(IDC_POINTER_SPEED, std::to_string(m_pointer.speed).c_str());
  SetItemText(IDC_POINTER_DEAD_ZONE, std::to_string(m_pointer.deadZone).c_str());
  SetItemText(IDC_SCROLL_DEAD_ZONE, std::to_string(m_scroll.deadZone).c_str());
  SendDlgItemMessageA(Handle(), IDC_POINTER_SPEED, EM_LIMITTEXT, 4, 0);
  for (int id : {IDC_POINTER_DEAD_ZONE, IDC_SCROLL_DEAD_ZONE})
    SendDlgItemMessageA(Handle(), id, EM_LIMITTEXT, 2, 0);
  return true;
}

bool CPointerDlg::ReadNumber(int control, int min, int max, const char* message, int* value) {
  char text[8] = {};
  GetItemText(control, text, sizeof(text));
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (end != text && *end == '\0' && number >= min && number <= max) {
    *value = static_cast<int>(number);
    return true;
  }
  std::string title = fw::LoadResourceString(IDS_APP_TITLE);
  MessageBoxA(Handle(), message, title.empty() ? "Tarvel" : title.c_str(),
              MB_OK | MB_ICONEXCLAMATION);
  HWND edit = GetDlgItem(Handle(), control);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  return false;
}

bool CPointerDlg::OnOK() {
  int speed = 0;
  int pointerDeadZone = 0;
  int scrollDeadZone = 0;
  constexpr const char* kDeadZoneMessage = "Please enter a dead zone from 0 to 90 percent.";
  if (!ReadNumber(IDC_POINTER_SPEED, kMinPointerSpeed, kMaxPointerSpeed,
                  "Please enter a speed from 100 to 5000 pixels a second.", &speed) ||
      !ReadNumber(IDC_POINTER_DEAD_ZONE, kMinDeadZonePercent, kMaxDeadZonePercent, kDeadZoneMessage,
                  &pointerDeadZone) ||
      !ReadNumber(IDC_SCROLL_DEAD_ZONE, kMinDeadZonePercent, kMaxDeadZonePercent, kDeadZoneMessage,
                  &scrollDeadZone))
    return false;
  m_pointer.pair = ChosenPair(Handle(), IDC_POINTER_STICK);
  m_pointer.speed = static_cast<uint16_t>(speed);
  m_pointer.deadZone = static_cast<uint8_t>(pointerDeadZone);
  m_scroll.pair = ChosenPair(Handle(), IDC_SCROLL_STICK);
  m_scroll.deadZone = static_cast<uint8_t>(scrollDeadZone);
  return true;
}

}  // namespace tarvel
