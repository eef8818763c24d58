#include <cstring>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace tarvel {

// Ties record r to its attached controller, in both directions. Controllers that share one
// instance GUID (cloned pads, some virtual-controller drivers) are told apart by their order: the
// k-th record with the GUID takes the k-th attached controller with it, so a record that was
// tied keeps its controller when another record with its GUID is added after it.
void CTarvelDoc::LinkRecord(int r) {
  DeviceRecord& record = *records[r];
  record.attachedIndex = -1;
  int earlier = 0;
  for (int o = 0; o < r; ++o)
    if (records[o]->instanceGuid == record.instanceGuid) ++earlier;
  JoystickTable& table = Attached();
  for (int s = 0; s < table.count; ++s) {
    if (!(table.slots[s].instanceGuid == record.instanceGuid) || earlier-- > 0) continue;
    table.slots[s].recordIndex = r;
    record.attachedIndex = s;
    // The controller's hats and axes get rows; rows the record had already stay.
    record.controlRows |=
        ControlsOfController(table.slots[s].caps.povs, table.slots[s].axesPresent);
    return;
  }
}

void CTarvelDoc::LinkAllRecords() {
  Attached().UntieAll();
  for (int r = 0; r < recordCount; ++r) LinkRecord(r);
}

void CTarvelDoc::ReattachJoysticks() {
  ReleaseHeldKeys();
  LinkAllRecords();
  UpdateAllViews(nullptr, 0);
}

void CTarvelDoc::SyncAttachedJoysticks() {
  // The controllers were enumerated again: none of them is read as it was.
  ReleaseHeldKeys();
  const int rowsBefore = RowCount();
  LinkAllRecords();
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
    LinkAllRecords();
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
