#include "ui/ActionDlg.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/ResourceText.h"
#include "model/TarvelDoc.h"
#include "model/Utf8.h"
#include "res/resource.h"
#include "ui/DialogPlacement.h"
#include "ui/KeyField.h"
#include "ui/WideText.h"

namespace tarvel {

namespace {

constexpr int kActionButtons[] = {IDC_ACTION_TAP, IDC_ACTION_HOLD, IDC_ACTION_TURBO,
                                  IDC_ACTION_TOGGLE};
constexpr int kModifierBoxes[][2] = {
    {IDC_STEP_SHIFT, kModShift}, {IDC_STEP_CTRL, kModCtrl}, {IDC_STEP_ALT, kModAlt}};
constexpr int kMouseModifierBoxes[][2] = {
    {IDC_MOUSE_SHIFT, kModShift}, {IDC_MOUSE_CTRL, kModCtrl}, {IDC_MOUSE_ALT, kModAlt}};

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// The number in a field, or -1 when it holds none.
long FieldNumber(HWND dialog, int id) {
  char text[16] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  return end == text || *end != '\0' ? -1 : n;
}

std::string StrokeText(const KeyStroke& stroke) {
  char text[kKeyTextSize] = {};
  if (stroke.virtualKey != 0) FormatKeyStroke(stroke, text);
  return text;
}

}  // namespace

void FormatAction(KeyAction action, int turboRate, char* buffer, int size) {
  switch (action) {
    case KeyAction::Hold:
      std::snprintf(buffer, static_cast<size_t>(size), "Hold");
      break;
    case KeyAction::Turbo:
      std::snprintf(buffer, static_cast<size_t>(size), "Turbo %d/s", turboRate);
      break;
    case KeyAction::Toggle:
      std::snprintf(buffer, static_cast<size_t>(size), "Toggle");
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
  for (int id : kActionButtons) CheckDlgButton(Handle(), id, BST_UNCHECKED);
  CheckDlgButton(Handle(), kActionButtons[index >= 0 && index <= 3 ? index : 0], BST_CHECKED);
  SetItemText(IDC_TURBO_RATE, std::to_string(m_turboRate).c_str());
  SendDlgItemMessageA(Handle(), IDC_TURBO_RATE, EM_LIMITTEXT, 2, 0);

  // The text is edited in a Unicode control of its own, in the place the template keeps for it:
  // any language, whatever the system's code page.
  HWND place = GetDlgItem(Handle(), IDC_TEXT_PLACE);
  RECT rect = {};
  GetWindowRect(place, &rect);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
  HWND edit =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE |
                          ES_AUTOVSCROLL | ES_WANTRETURN,
                      rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, Handle(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TEXT_EDIT)),
                      GetModuleHandleW(nullptr), nullptr);
  SendMessageW(edit, WM_SETFONT, SendMessageW(Handle(), WM_GETFONT, 0, 0), FALSE);
  SetWindowPos(edit, place, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(place, SW_HIDE);
  SendMessageW(edit, EM_LIMITTEXT, 2 * kMaxTextChars, 0);
  // A line break is CR LF in the control.
  std::wstring text;
  for (wchar_t c : Utf8ToWide(m_output.text)) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  SetWindowTextW(edit, text.c_str());

  MakeKeyField(GetDlgItem(Handle(), IDC_SEQUENCE_KEY));
  MakeKeyField(GetDlgItem(Handle(), IDC_LONG_KEY));
  steps_ = m_output;
  // The list holds the mouse actions in their order, Left Click first.
  HWND mouseList = GetDlgItem(Handle(), IDC_MOUSE_ACTION);
  for (int a = 1; a < kMouseActionCount; ++a)
    SendMessageA(mouseList, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(MouseActionName(static_cast<MouseAction>(a))));
  const int mouse = static_cast<int>(m_mouse);
  SendMessageA(mouseList, CB_SETCURSEL, mouse > 0 && mouse < kMouseActionCount ? mouse - 1 : 0, 0);
  for (const auto& box : kMouseModifierBoxes)
    CheckDlgButton(Handle(), box[0], (m_mouseModifiers & box[1]) ? BST_CHECKED : BST_UNCHECKED);
  for (int id : {IDC_TYPES_KEYS, IDC_TYPES_TEXT, IDC_OUTPUT_MOUSE})
    CheckDlgButton(Handle(), id, BST_UNCHECKED);
  CheckDlgButton(Handle(),
                 m_mouse != MouseAction::None ? IDC_OUTPUT_MOUSE
                 : m_output.typesText         ? IDC_TYPES_TEXT
                                              : IDC_TYPES_KEYS,
                 BST_CHECKED);
  SetItemText(IDC_SEQUENCE_GAP, std::to_string(m_output.gapMs).c_str());
  SendDlgItemMessageA(Handle(), IDC_SEQUENCE_GAP, EM_LIMITTEXT, 4, 0);
  const bool hasLong = m_output.longPressMs != 0 && m_output.longKey.virtualKey != 0;
  CheckDlgButton(Handle(), IDC_LONG_PRESS, hasLong ? BST_CHECKED : BST_UNCHECKED);
  SetItemText(IDC_LONG_MS,
              std::to_string(hasLong ? m_output.longPressMs : kDefaultLongPressMs).c_str());
  SendDlgItemMessageA(Handle(), IDC_LONG_MS, EM_LIMITTEXT, 4, 0);
  SetItemText(IDC_LONG_KEY, StrokeText(m_output.longKey).c_str());
  ShowSteps(m_output.stepCount - 1);
  EnableControls();
  return true;
}

HWND CActionDlg::TextEdit() const { return GetDlgItem(Handle(), IDC_TEXT_EDIT); }

KeyAction CActionDlg::CheckedAction() const {
  for (int i = 0; i < 4; ++i)
    if (Checked(Handle(), kActionButtons[i])) return static_cast<KeyAction>(i);
  return KeyAction::Tap;
}

int CActionDlg::SelectedStep() const {
  const auto n = SendDlgItemMessageA(Handle(), IDC_SEQUENCE_LIST, LB_GETCURSEL, 0, 0);
  return n >= 0 && n < steps_.stepCount ? static_cast<int>(n) : -1;
}

void CActionDlg::ShowSteps(int selected) {
  HWND list = GetDlgItem(Handle(), IDC_SEQUENCE_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  std::string all;
  for (int i = 0; i < steps_.stepCount; ++i) {
    const std::string text = StrokeText(steps_.steps[i]);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    all += (i > 0 ? ", " : "") + text;
  }
  if (selected >= 0 && selected < steps_.stepCount)
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  // The whole sequence, "Ctrl+C, Alt+Tab, Ctrl+V", in the field the keys are pressed in.
  SetItemText(IDC_SEQUENCE_KEY, all.c_str());
  const int step = SelectedStep();
  for (const auto& box : kModifierBoxes)
    CheckDlgButton(
        Handle(), box[0],
        step >= 0 && (steps_.steps[step].modifiers & box[1]) ? BST_CHECKED : BST_UNCHECKED);
}

void CActionDlg::OnStepKey(const KeyStroke& stroke) {
  if (steps_.stepCount >= kMaxSequenceSteps) {
    std::string title = fw::LoadResourceString(IDS_APP_TITLE);
    MessageBoxA(Handle(), "A sequence holds at most 16 keystrokes.",
                title.empty() ? "Tarvel" : title.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  // After the chosen step, or at the end.
  const int selected = SelectedStep();
  const int at = selected >= 0 ? selected + 1 : steps_.stepCount;
  for (int i = steps_.stepCount; i > at; --i) steps_.steps[i] = steps_.steps[i - 1];
  steps_.steps[at] = stroke;
  ++steps_.stepCount;
  ShowSteps(at);
  EnableControls();
}

void CActionDlg::OnStepModifier(int id) {
  const int step = SelectedStep();
  if (step < 0) return;
  for (const auto& box : kModifierBoxes) {
    if (box[0] != id) continue;
    steps_.steps[step].modifiers =
        static_cast<uint8_t>(Checked(Handle(), id) ? steps_.steps[step].modifiers | box[1]
                                                   : steps_.steps[step].modifiers & ~box[1]);
  }
  ShowSteps(step);
}

void CActionDlg::OnStepMove(int by) {
  const int step = SelectedStep();
  if (step < 0) return;
  if (by == 0) {
    for (int i = step; i + 1 < steps_.stepCount; ++i) steps_.steps[i] = steps_.steps[i + 1];
    --steps_.stepCount;
    ShowSteps(step < steps_.stepCount ? step : steps_.stepCount - 1);
    EnableControls();
    return;
  }
  const int other = step + by;
  if (other < 0 || other >= steps_.stepCount) return;
  std::swap(steps_.steps[step], steps_.steps[other]);
  ShowSteps(other);
}

void CActionDlg::EnableControls() {
  const bool mouse = Checked(Handle(), IDC_OUTPUT_MOUSE);
  for (int id : {IDC_MOUSE_ACTION, IDC_MOUSE_SHIFT, IDC_MOUSE_CTRL, IDC_MOUSE_ALT})
    EnableWindow(GetDlgItem(Handle(), id), mouse);
  const bool text = !mouse && Checked(Handle(), IDC_TYPES_TEXT);
  const bool sequence = !mouse && !text && steps_.stepCount >= 2;
  // A sequence or a text is typed, never held.
  for (int id : {IDC_ACTION_HOLD, IDC_ACTION_TOGGLE}) {
    EnableWindow(GetDlgItem(Handle(), id), !text && !sequence);
    if ((text || sequence) && Checked(Handle(), id)) {
      CheckDlgButton(Handle(), id, BST_UNCHECKED);
      CheckDlgButton(Handle(), IDC_ACTION_TAP, BST_CHECKED);
    }
  }
  EnableWindow(GetDlgItem(Handle(), IDC_TURBO_RATE), Checked(Handle(), IDC_ACTION_TURBO));
  const bool step = !mouse && !text && SelectedStep() >= 0;
  for (int id : {IDC_SEQUENCE_LIST, IDC_SEQUENCE_KEY})
    EnableWindow(GetDlgItem(Handle(), id), !mouse && !text);
  for (int id :
       {IDC_STEP_SHIFT, IDC_STEP_CTRL, IDC_STEP_ALT, IDC_STEP_REMOVE, IDC_STEP_UP, IDC_STEP_DOWN})
    EnableWindow(GetDlgItem(Handle(), id), step);
  EnableWindow(GetDlgItem(Handle(), IDC_SEQUENCE_GAP), sequence);
  EnableWindow(TextEdit(), text);
  const bool hasLong = Checked(Handle(), IDC_LONG_PRESS);
  EnableWindow(GetDlgItem(Handle(), IDC_LONG_MS), hasLong);
  EnableWindow(GetDlgItem(Handle(), IDC_LONG_KEY), hasLong);
}

INT_PTR CActionDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kKeyFieldMessage) {
    const KeyStroke stroke = UnpackKeyStroke(lParam);
    if (wParam == IDC_LONG_KEY) {
      steps_.longKey = stroke;
      SetItemText(IDC_LONG_KEY, StrokeText(stroke).c_str());
    } else {
      OnStepKey(stroke);
    }
    return TRUE;
  }
  if (message != WM_COMMAND) return Dialog::HandleMessage(message, wParam, lParam);
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_STEP_SHIFT:
      case IDC_STEP_CTRL:
      case IDC_STEP_ALT:
        OnStepModifier(id);
        return TRUE;
      case IDC_STEP_REMOVE:
        OnStepMove(0);
        return TRUE;
      case IDC_STEP_UP:
        OnStepMove(-1);
        return TRUE;
      case IDC_STEP_DOWN:
        OnStepMove(1);
        return TRUE;
      case IDC_ACTION_TAP:
      case IDC_ACTION_HOLD:
      case IDC_ACTION_TURBO:
      case IDC_ACTION_TOGGLE:
      case IDC_TYPES_KEYS:
      case IDC_TYPES_TEXT:
      case IDC_OUTPUT_MOUSE:
      case IDC_LONG_PRESS:
        EnableControls();
        return TRUE;
      default:
        break;
    }
  }
  if (id == IDC_SEQUENCE_LIST && code == LBN_SELCHANGE) {
    ShowSteps(SelectedStep());
    EnableControls();
    return TRUE;
  }
  return Dialog::HandleMessage(message, wParam, lParam);
}

bool CActionDlg::Refuse(int field, const char* message) const {
  std::string title = fw::LoadResourceString(IDS_APP_TITLE);
  MessageBoxA(Handle(), message, title.empty() ? "Tarvel" : title.c_str(),
              MB_OK | MB_ICONEXCLAMATION);
  HWND edit = GetDlgItem(Handle(), field);
  if (edit != nullptr) {
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
  }
  return false;
}

bool CActionDlg::OnOK() {
  m_mouse = MouseAction::None;
  m_mouseModifiers = 0;
  const bool mouse = Checked(Handle(), IDC_OUTPUT_MOUSE);
  if (mouse) {
    const LRESULT chosen = SendDlgItemMessageA(Handle(), IDC_MOUSE_ACTION, CB_GETCURSEL, 0, 0);
    m_mouse =
        static_cast<MouseAction>(chosen >= 0 && chosen < kMouseActionCount - 1 ? chosen + 1 : 1);
    for (const auto& box : kMouseModifierBoxes)
      if (Checked(Handle(), box[0]))
        m_mouseModifiers = static_cast<uint8_t>(m_mouseModifiers | box[1]);
  }
  RowOutput out = steps_;
  out.action = CheckedAction();
  out.turboRate = m_turboRate;
  if (out.action == KeyAction::Turbo) {
    const long rate = FieldNumber(Handle(), IDC_TURBO_RATE);
    if (rate < kMinTurboRate || rate > kMaxTurboRate)
      return Refuse(IDC_TURBO_RATE, "Please enter a rate from 1 to 50 keystrokes per second.");
    out.turboRate = static_cast<int>(rate);
  }
  // A mouse action takes the place of the keys: the row's keys stay as they are until then.
  out.typesText = !mouse && Checked(Handle(), IDC_TYPES_TEXT);
  if (out.typesText) {
    const int length = GetWindowTextLengthW(TextEdit());
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(TextEdit(), wide.data(), length + 1);
    wide.resize(static_cast<size_t>(length));
    std::wstring lines;
    for (size_t i = 0; i < wide.size(); ++i)
      if (wide[i] != L'\r') lines += wide[i];
    out.text = WideToUtf8(lines);
    const int chars = CountUtf8Chars(out.text.data(), out.text.size());
    if (chars < 0 || chars > kMaxTextChars)
      return Refuse(IDC_TEXT_EDIT, "Please enter a text of at most 255 characters.");
  } else if (out.stepCount >= 2) {
    const long gap = FieldNumber(Handle(), IDC_SEQUENCE_GAP);
    if (gap < 0 || gap > kMaxSequenceGapMs)
      return Refuse(IDC_SEQUENCE_GAP, "Please enter a gap from 0 to 1,000 ms.");
    out.gapMs = static_cast<int>(gap);
  } else {
    out.gapMs = 0;
  }
  if (Checked(Handle(), IDC_LONG_PRESS)) {
    const long ms = FieldNumber(Handle(), IDC_LONG_MS);
    if (ms < kMinLongPressMs || ms > kMaxLongPressMs)
      return Refuse(IDC_LONG_MS, "Please enter a long press time from 100 to 2,000 ms.");
    if (out.longKey.virtualKey == 0)
      return Refuse(IDC_LONG_KEY, "Please press the key of the long press in its field.");
    out.longPressMs = static_cast<int>(ms);
  } else {
    out.longPressMs = 0;
    out.longKey = KeyStroke();
  }
  if (m_apply) {
    const RowOutputResult result = m_apply(out);
    if (result != RowOutputResult::Done) return Refuse(0, RowOutputMessage(result));
  }
  m_output = out;
  m_action = out.action;
  m_turboRate = out.turboRate;
  return true;
}

}  // namespace tarvel
