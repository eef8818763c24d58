#include <cstring>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace tarvel {

// Ties record r to the first attached controller with its instance GUID, in both directions.
void CTarvelDoc::LinkRecord(int r) {
  DeviceRecord& record = *records[r];
  record.attachedIndex = -1;
  JoystickTable& table = Attached();
  for (int s = 0; s < table.count; ++s) {
    if (table.slots[s].instanceGuid == record.instanceGuid) {
      table.slots[s].recordIndex = r;
      record.attachedIndex = s;
      // The controller's hats and axes get rows; rows the record had already stay.
      record.controlRows |= ControlsOfSlot(table, s);
      return;
    }
  }
}

void CTarvelDoc::ReattachJoysticks() {
  ReleaseHeldKeys();
  for (int r = 0; r < recordCount; ++r) LinkRecord(r);
  UpdateAllViews(nullptr, 0);
}

void CTarvelDoc::SyncAttachedJoysticks() {
  // The controllers were enumerated again: none of them is read as it was.
  ReleaseHeldKeys();
  const int rowsBefore = RowCount();
  for (int r = 0; r < recordCount; ++r) LinkRecord(r);
  if (RowCount() != rowsBefore)
    if (DocView* view = FirstView()) view->RebuildRows();

  JoystickTable& table = Attached();
  for (int s = 0; s < table.count; ++s) {
    if (table.slots[s].recordIndex != -1) continue;
    // A full document cannot take another record: nothing to ask.
    if (recordCount >= kMaxRecords) break;
    if (context_.prompts == nullptr) continue;
    const Guid asked = table.slots[s].instanceGuid;
    const bool wasOpen = discoveryOpen_;
    discoveryOpen_ = true;
    const bool yes = context_.prompts->AskAddNewJoystick(table.slots[s].productName);
    discoveryOpen_ = wasOpen;
    // The question runs a message loop: whatever rebuilt the table or the records meanwhile,
    // the ties are made again, and a Yes adds the controller asked about only while it is still
    // in its slot and still unknown.
    for (int r = 0; r < recordCount; ++r) LinkRecord(r);
    if (!yes || s >= table.count || !(table.slots[s].instanceGuid == asked) ||
        table.slots[s].recordIndex != -1)
      continue;
    SetModifiedFlag(true);
    AppendRecordForSlot(s);
    if (DocView* view = FirstView()) view->RebuildRows();
  }
  UpdateAllViews(nullptr, 0);
}

void FormatNewJoystickQuestion(const char* productName, char* buffer, int bufferSize) {
  if (bufferSize <= 0) return;
  const char* marker = std::strstr(kNewJoystickText, "%1");
  int used = 0;
  auto append = [&](const char* text, size_t n) {
    for (size_t i = 0; i < n && text[i] != '\0' && used < bufferSize - 1; ++i)
      buffer[used++] = text[i];
  };
  append(kNewJoystickText, static_cast<size_t>(marker - kNewJoystickText));
  append(productName, std::strlen(productName));
  append(marker + 2, std::strlen(marker + 2));
  buffer[used] = '\0';
}

}  // namespace tarvel
