#include <cstdio>
#include <cstring>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace tarvel {

bool CTarvelDoc::RowToButton(int row, int* record, int* button) const {
  if (recordCount <= 0 || row < 0) return false;
  int base = 0;
  for (int r = 0; r < recordCount; ++r) {
    const int count = records[r]->RowCount();
    if (row < base + count) {
      *record = r;
      *button = records[r]->IndexOfRow(row - base);
      return true;
    }
    base += count;
  }
  return false;
}

int CTarvelDoc::ButtonToRow(int record, int button) const {
  if (recordCount <= 0 || record < 0 || record >= recordCount) return -1;
  int row = 0;
  for (int r = 0; r < record; ++r) row += records[r]->RowCount();
  if (button >= kFirstControl && records[record]->HasMapping(button))
    return row + records[record]->RowOfIndex(button);
  return row + button;
}

int CTarvelDoc::RowCount() const {
  int rows = 0;
  for (int r = 0; r < recordCount; ++r) rows += records[r]->RowCount();
  return rows;
}

ButtonMapping* CTarvelDoc::MappingAt(int row) const {
  int record = 0;
  int button = 0;
  if (!RowToButton(row, &record, &button)) return nullptr;
  return &records[record]->Mapping(button);
}

uint8_t CTarvelDoc::GetRowStatus(int row) const {
  int record = 0;
  int button = 0;
  if (!RowToButton(row, &record, &button)) return 0;
  return GetButtonStatus(record, button);
}

uint8_t CTarvelDoc::GetButtonStatus(int record, int button) const {
  if (record < 0 || record >= recordCount) return 0;
  const DeviceRecord& r = *records[record];
  if (!r.HasMapping(button)) return 0;
  uint8_t status = 0;
  if (r.attachedIndex >= 0 && Attached().IsConnected(r.attachedIndex)) status = kStatusConnected;
  if (r.Mapping(button).state & 0x80) status |= kStatusPressed;
  if (context_.app != nullptr && context_.app->CaptureOn() &&
      ButtonToRow(record, button) == captureRow)
    status |= kStatusCaptureRow;
  return status;
}

void CTarvelDoc::ClearRowKey(int row) {
  ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr) return;
  ReleaseRowKeys(row);
  int record = 0;
  int button = 0;
  if (RowToButton(row, &record, &button)) records[record]->ClearExtras(*mapping);
  mapping->assigned = 0;
  mapping->virtualKey = 0;
  mapping->scanCode = 0;
  mapping->modifiers = 0;
  mapping->mouse = MouseAction::None;
  mapping->longPressMs = 0;
  mapping->longKey = KeyStroke();
  SetModifiedFlag(true);
  if (DocView* view = FirstView()) {
    view->RefreshRowTexts(row);
    view->RefreshRowImage(row);
  }
}

bool CTarvelDoc::GetRowDescription(int row, char* buffer) const {
  const ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr) return false;
  SetTextField(buffer, kShortTextSize, mapping->description, kShortTextSize - 1);
  return true;
}

void CTarvelDoc::SetRowDescription(int row, const char* text) {
  ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr) return;
  SetTextField(mapping->description, text);
  SetModifiedFlag(true);
}

bool CTarvelDoc::GetRowWindowClass(int row, char* buffer) const {
  const ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr) return false;
  SetTextField(buffer, kShortTextSize, mapping->windowClass, kShortTextSize - 1);
  return true;
}

void CTarvelDoc::SetRowWindowClass(int row, const char* text) {
  ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr) return;
  ReleaseRowKeys(row);
  SetTextField(mapping->windowClass, text);
  SetModifiedFlag(true);
}

void CTarvelDoc::ReleaseRowKeys(int row) {
  int record = 0;
  int button = 0;
  if (RowToButton(row, &record, &button)) ReleaseMappingKeys(record, button);
}

bool CTarvelDoc::GetRowAction(int row, KeyAction* action, int* turboRate) const {
  const ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr) return false;
  *action = mapping->action;
  *turboRate = mapping->turboRate;
  return true;
}

bool CTarvelDoc::SetRowAction(int row, KeyAction action, int turboRate) {
  ButtonMapping* mapping = MappingAt(row);
  if (mapping == nullptr || turboRate < kMinTurboRate || turboRate > kMaxTurboRate) return false;
  if (mapping->action == action && mapping->turboRate == turboRate) return true;
  ReleaseRowKeys(row);
  mapping->action = action;
  mapping->turboRate = static_cast<uint8_t>(turboRate);
  SetModifiedFlag(true);
  if (DocView* view = FirstView()) view->RefreshRowTexts(row);
  return true;
}

bool CTarvelDoc::GetRowControlName(int row, char* buffer, int size) const {
  int record = 0;
  int index = 0;
  if (size <= 0 || !RowToButton(row, &record, &index)) return false;
  const int k = index - kFirstControl;
  const bool pad = IsPadRecord(record);
  if (index < kFirstControl) {
    const char* padName = pad ? PadButtonName(index) : nullptr;
    if (padName != nullptr)
      std::snprintf(buffer, static_cast<size_t>(size), "Button %d (%s)", index + 1, padName);
    else
      std::snprintf(buffer, static_cast<size_t>(size), "%d", index + 1);
    return true;
  }
  char name[kRowNameSize];
  const char* padName = pad ? PadControlName(k) : nullptr;
  if (padName != nullptr)
    std::snprintf(name, sizeof name, "%s (%s)", ControlRowName(k), padName);
  else
    std::snprintf(name, sizeof name, "%s", ControlRowName(k));
  const AxisThresholds& t = records[record]->thresholds[k];
  if (HasThresholds(k) && !(t == DefaultThresholds(k)))
    std::snprintf(buffer, static_cast<size_t>(size), "%s (%d/%d%%)", name, t.pressPercent,
                  t.releasePercent);
  else
    std::snprintf(buffer, static_cast<size_t>(size), "%s", name);
  return true;
}

bool CTarvelDoc::GetRecordPadText(int record, char* buffer, int size) const {
  if (size <= 0) return false;
  buffer[0] = '\0';
  if (record < 0 || record >= recordCount || context_.attached == nullptr) return false;
  const int s = records[record]->attachedIndex;
  if (s < 0 || s >= Attached().count || !Attached().IsConnected(s)) return false;
  const int user = Attached().slots[s].xinputUser;
  if (user < 0) return false;
  std::snprintf(buffer, static_cast<size_t>(size), "Xbox Controller, player %d (XInput)", user + 1);
  return true;
}

bool CTarvelDoc::IsPadRecord(int record) const {
  if (record < 0 || record >= recordCount) return false;
  const DeviceRecord& r = *records[record];
  if (context_.attached != nullptr && r.attachedIndex >= 0 && r.attachedIndex < Attached().count)
    return Attached().slots[r.attachedIndex].xinputUser >= 0 ||
           Attached().slots[r.attachedIndex].xinputPath;
  return (r.controlRows & kPadControls) != 0;
}

bool CTarvelDoc::GetRowThresholds(int row, int* pressPercent, int* releasePercent) const {
  int record = 0;
  int index = 0;
  if (!RowToButton(row, &record, &index) || !HasThresholds(index - kFirstControl)) return false;
  const AxisThresholds& t = records[record]->thresholds[index - kFirstControl];
  *pressPercent = t.pressPercent;
  *releasePercent = t.releasePercent;
  return true;
}

bool CTarvelDoc::SetRowThresholds(int row, int pressPercent, int releasePercent) {
  int record = 0;
  int index = 0;
  if (!RowToButton(row, &record, &index) || !HasThresholds(index - kFirstControl) ||
      !ValidThresholds(pressPercent, releasePercent))
    return false;
  AxisThresholds& t = records[record]->thresholds[index - kFirstControl];
  if (t.pressPercent == pressPercent && t.releasePercent == releasePercent) return true;
  t.pressPercent = static_cast<uint8_t>(pressPercent);
  t.releasePercent = static_cast<uint8_t>(releasePercent);
  SetModifiedFlag(true);
  if (DocView* view = FirstView()) view->RefreshRowTexts(row);
  return true;
}

}  // namespace tarvel
