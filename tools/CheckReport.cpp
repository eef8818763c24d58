#include "tools/CheckReport.h"

#include <algorithm>

namespace tarvel {

namespace {

std::string Count(int n, const char* singular, const char* plural) {
  return std::to_string(n) + ' ' + (n == 1 ? singular : plural);
}

std::string Reason(const char* reason) { return reason != nullptr ? reason : "unknown reason"; }

// The reader gives no line number (0) for button lines that the file ends before.
std::string Where(int line) {
  return line > 0 ? "line " + std::to_string(line) : std::string("end of file");
}

}  // namespace

void CheckReport::BlockDropped(int line, const char* reason) {
  ++droppedBlocks_;
  lines_ += Where(line) + ": device block dropped: " + Reason(reason) + '\n';
}

void CheckReport::BlockPassedOver(int line) {
  ++passedOverBlocks_;
  lines_ += Where(line) + ": device block passed over: the document already holds " +
            std::to_string(kMaxRecords) + " records\n";
}

void CheckReport::ButtonCleared(int line, int record, int button, const char* reason) {
  ++clearedButtons_;
  lines_ += Where(line) + ": button " + std::to_string(button + 1) + " of device " +
            std::to_string(record + 1) + " left cleared: " + Reason(reason) + '\n';
}

void CheckReport::TextIgnored(int line, bool mayHoldData, const char* reason) {
  ++ignoredLines_;
  if (mayHoldData) ++ignoredDataLines_;
  lines_ += Where(line) +
            (mayHoldData ? ": ignored, though it looks like configuration: " : ": ignored: ") +
            Reason(reason) + '\n';
}

void CheckReport::TextCut(int line, int record, int button, const char* what) {
  ++cutTexts_;
  const int size = button < 0 ? kNameSize - 1 : kShortTextSize - 1;
  lines_ += Where(line) + ": " +
            (button < 0 ? std::string() : "button " + std::to_string(button + 1) + " of ") +
            "device " + std::to_string(record + 1) + ": " + Reason(what) + " is cut to " +
            std::to_string(size) + " characters\n";
}

std::string CheckSummary(const ParsedConfiguration& parsed, const CheckReport& report) {
  int records = 0;
  int buttons = 0;
  int assigned = 0;
  int rows = 0;
  int assignedRows = 0;
  int mouseActions = 0;
  int pointerSticks = 0;
  int scrollSticks = 0;
  const int recordCount = std::clamp(parsed.recordCount, 0, kMaxRecords);
  for (int r = 0; r < recordCount; ++r) {
    const DeviceRecord* device = parsed.records[r].get();
    if (device == nullptr) continue;
    ++records;
    const int count = std::clamp(device->buttonCount, 0, kMaxButtons);
    buttons += count;
    for (int k = 0; k < count; ++k) {
      if (device->buttons[k].assigned != 0) ++assigned;
      if (device->buttons[k].mouse != MouseAction::None) ++mouseActions;
    }
    for (int k = 0; k < kControlCount; ++k) {
      if ((device->controlRows & ControlBit(k)) == 0) continue;
      ++rows;
      if (device->controls[k].assigned != 0) ++assignedRows;
      if (device->controls[k].mouse != MouseAction::None) ++mouseActions;
    }
    if (device->pointer.pair != StickPair::None) ++pointerSticks;
    if (device->scroll.pair != StickPair::None) ++scrollSticks;
  }
  // Said only where the file has them, as the rows are.
  std::string mouse;
  if (mouseActions > 0) mouse += ", " + Count(mouseActions, "mouse action", "mouse actions");
  if (pointerSticks > 0)
    mouse += ", " + Count(pointerSticks, "stick moving the pointer", "sticks moving the pointer");
  if (scrollSticks > 0) mouse += ", " + Count(scrollSticks, "stick scrolling", "sticks scrolling");
  // Hat and axis rows are counted apart, and only where there are some: the summary of a file
  // without them stays as it was.
  const std::string controls =
      rows == 0 ? std::string()
                : ", " + Count(rows, "hat or axis row", "hat and axis rows") + " with " +
                      Count(assignedRows, "assigned key", "assigned keys");
  return "version " + std::to_string(parsed.version) + ": " + Count(records, "record", "records") +
         ", " + Count(buttons, "button", "buttons") + ", " +
         Count(assigned, "assigned key", "assigned keys") + controls + mouse + "; " +
         Count(report.DroppedBlocks(), "block dropped", "blocks dropped") + ", " +
         Count(report.PassedOverBlocks(), "block passed over", "blocks passed over") + ", " +
         Count(report.ClearedButtons(), "button left cleared", "buttons left cleared") +
         (report.IgnoredLines() > 0
              ? "; " + Count(report.IgnoredLines(), "line ignored", "lines ignored")
              : std::string()) +
         (report.CutTexts() > 0 ? "; " + Count(report.CutTexts(), "text cut", "texts cut")
                                : std::string());
}

}  // namespace tarvel
