#include "model/TarvelDoc.h"

#include <algorithm>
#include <iterator>

#include "input/JoystickTable.h"

namespace tarvel {

CTarvelDoc::CTarvelDoc(const DocContext& context)
    : context_(context), foreground_(context.integrity) {
  reports_.SetNotices(context.notices);
}

CTarvelDoc::~CTarvelDoc() {
  // The key sender may be gone by now: keys still held were let go at exit.
  held_.clear();
  ClearRecords();
}

FileOps& CTarvelDoc::Files() const {
  return context_.files != nullptr ? *context_.files : SystemFileOps();
}

bool CTarvelDoc::OnNewDocument() {
  if (!Document::OnNewDocument()) return false;
  ClearRecords();
  if (context_.app != nullptr) context_.app->RefreshAttachedJoysticks();
  BuildRecordsFromAttached();
  fileVersion = 2;
  SetModifiedFlag(true);
  return true;
}

void CTarvelDoc::ClearRecords() {
  ReleaseHeldKeys();
  for (int r = 0; r < kMaxRecords; ++r) StopPointer(r);
  for (DeviceRecord*& record : records) {
    delete record;
    record = nullptr;
  }
  recordCount = 0;
}

bool CTarvelDoc::AppendRecordForSlot(int slotIndex) {
  JoystickTable& table = Attached();
  if (recordCount >= kMaxRecords || slotIndex < 0 || slotIndex >= table.count) return false;
  JoystickSlot& slot = table.slots[slotIndex];
  auto* record = new DeviceRecord();
  record->attachedIndex = slotIndex;
  record->instanceGuid = slot.instanceGuid;
  record->productGuid = slot.productGuid;
  SetTextField(record->name, slot.productName);
  // The model holds at most 128 buttons; a controller reporting more is cut to that.
  record->buttonCount = static_cast<int32_t>(std::min<uint32_t>(slot.caps.buttons, kMaxButtons));
  record->controlRows = ControlsOfSlot(table, slotIndex);
  const int index = recordCount;
  records[index] = record;
  recordCount = index + 1;
  // By order, as every tie: with a twin of the same GUID it may be the twin's slot that it takes.
  LinkRecord(index);
  return true;
}

void CTarvelDoc::BuildRecordsFromAttached() {
  for (int slot = 0; slot < Attached().count; ++slot) AppendRecordForSlot(slot);
}

void CTarvelDoc::NotifyConnectionChanged(int recordIndex) {
  // A controller that is not read any more lets go of the keys its buttons hold.
  if (recordIndex >= 0 && recordIndex < recordCount) {
    const int slot = records[recordIndex]->attachedIndex;
    if (slot < 0 || !Attached().IsConnected(slot)) {
      ReleaseRecordKeys(recordIndex);
      // Its sticks are not read any more either: the pointer stops where it is.
      StopPointer(recordIndex);
      std::fill(std::begin(records[recordIndex]->axisValues),
                std::end(records[recordIndex]->axisValues), 0);
    }
  }
  // Only this controller's rows show its connection. Redrawing every row here made a controller
  // that drops in and out several times a second starve the others' polling with a full list.
  DocView* view = FirstView();
  if (view == nullptr || recordIndex < 0 || recordIndex >= recordCount) return;
  const int first = ButtonToRow(recordIndex, 0);
  if (first < 0) return;
  for (int n = 0; n < records[recordIndex]->RowCount(); ++n) view->RefreshRowImage(first + n);
}

void CTarvelDoc::SetKeyCapture(bool on, int row) {
  DocView* view = FirstView();
  if (view != nullptr) {
    if (on)
      view->SetCaptureMark(row, true);
    else
      view->SetCaptureMark(captureRow, false);
  }
  captureRow = row;
  if (context_.app != nullptr) context_.app->SetCaptureOn(on ? 1 : 0);
  // Keys held while the user types a key for a row would reach the capture.
  if (on) ReleaseHeldKeys();
}

bool CTarvelDoc::StoreCapturedKey(uint8_t virtualKey, uint8_t scanCode, uint8_t modifiers) {
  ButtonMapping* mapping = MappingAt(captureRow);
  if (mapping == nullptr) return false;
  ReleaseRowKeys(captureRow);
  // The captured key is what the row types from now on, in place of a sequence or a text.
  int record = 0;
  int button = 0;
  if (RowToButton(captureRow, &record, &button)) records[record]->ClearExtras(*mapping);
  mapping->assigned = 1;
  mapping->mouse = MouseAction::None;
  mapping->virtualKey = virtualKey;
  mapping->scanCode = scanCode;
  mapping->modifiers = modifiers;
  SetModifiedFlag(true);
  if (DocView* view = FirstView()) {
    view->RefreshRowTexts(captureRow);
    view->RefreshRowImage(captureRow);
  }
  return true;
}

void CTarvelDoc::ApplyRecordOrder(const int* order, int count) {
  // Held keys belong to records by their place, which changes; so do the pointers' moves.
  ReleaseHeldKeys();
  for (int r = 0; r < kMaxRecords; ++r) StopPointer(r);
  // Build the new order first, then untie and free the records that are left out, and only then
  // touch the slots: a deleted record is never read after it is freed.
  DeviceRecord* kept[kMaxRecords] = {};
  bool keep[kMaxRecords] = {};
  int keptCount = 0;
  for (int i = 0; i < count && keptCount < kMaxRecords; ++i) {
    const int old = order[i];
    if (old < 0 || old >= recordCount || keep[old]) continue;
    keep[old] = true;
    kept[keptCount++] = records[old];
  }
  Attached().UntieAll();
  for (int r = 0; r < recordCount; ++r) {
    if (!keep[r]) delete records[r];
    records[r] = nullptr;
  }
  for (int r = 0; r < keptCount; ++r) records[r] = kept[r];
  recordCount = keptCount;
  // Records that share a GUID take its controllers in their new order, as the saved file will.
  LinkAllRecords();
  SetModifiedFlag(true);
  if (DocView* view = FirstView()) view->RebuildRows();
}

}  // namespace tarvel
