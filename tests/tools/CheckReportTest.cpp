#include <gtest/gtest.h>

#include "tools/CheckReport.h"

namespace tarvel {
namespace {

TEST(CheckReportTest, OneLinePerEventInTheOrderReported) {
  CheckReport report;
  EXPECT_EQ(report.Lines(), "");
  report.BlockDropped(2, "no \"]\" after the device name");
  report.ButtonCleared(9, 0, 1, "button number 7 where 2 was expected");
  report.BlockPassedOver(140);
  report.ButtonCleared(12, 15, 127, nullptr);
  report.ButtonCleared(0, 2, 3, "the file ends before this button line");
  EXPECT_EQ(report.Lines(),
            "line 2: device block dropped: no \"]\" after the device name\n"
            "line 9: button 2 of device 1 left cleared: button number 7 where 2 was expected\n"
            "line 140: device block passed over: the document already holds 16 records\n"
            "line 12: button 128 of device 16 left cleared: unknown reason\n"
            "end of file: button 4 of device 3 left cleared: the file ends before this button "
            "line\n");
  EXPECT_EQ(report.DroppedBlocks(), 1);
  EXPECT_EQ(report.PassedOverBlocks(), 1);
  EXPECT_EQ(report.ClearedButtons(), 3);
}

TEST(CheckReportTest, SummaryCountsRecordsButtonsAndAssignedKeys) {
  ParsedConfiguration doc;
  doc.version = 2;
  CheckReport report;
  EXPECT_EQ(CheckSummary(doc, report),
            "version 2: 0 records, 0 buttons, 0 assigned keys; 0 blocks dropped, "
            "0 blocks passed over, 0 buttons left cleared");

  auto* first = new DeviceRecord;
  first->buttonCount = 3;
  first->buttons[0].assigned = 1;
  first->buttons[2].assigned = 1;
  first->buttons[3].assigned = 1;  // past buttonCount: not counted
  auto* second = new DeviceRecord;
  second->buttonCount = 1;
  doc.records[0].reset(first);
  doc.records[1].reset(second);
  doc.recordCount = 2;
  doc.version = 1;
  report.BlockDropped(5, "x");
  report.ButtonCleared(8, 0, 1, "y");
  report.ButtonCleared(9, 0, 2, "z");
  EXPECT_EQ(CheckSummary(doc, report),
            "version 1: 2 records, 4 buttons, 2 assigned keys; 1 block dropped, "
            "0 blocks passed over, 2 buttons left cleared");

  second->buttons[0].assigned = 1;
  first->buttons[2].assigned = 0;
  first->buttonCount = 1;
  report.BlockPassedOver(30);
  EXPECT_EQ(CheckSummary(doc, report),
            "version 1: 2 records, 2 buttons, 2 assigned keys; 1 block dropped, "
            "1 block passed over, 2 buttons left cleared");

  second->controlRows = 1u << 0 | 1u << kHatControls;  // POV 1 Up and X Axis -
  second->controls[kHatControls].assigned = 1;
  second->controls[1].assigned = 1;  // no row: not counted
  EXPECT_EQ(CheckSummary(doc, report),
            "version 1: 2 records, 2 buttons, 2 assigned keys, 2 hat and axis rows with 1 "
            "assigned key; 1 block dropped, 1 block passed over, 2 buttons left cleared");

  first->buttons[0].mouse = MouseAction::LeftClick;
  second->controls[0].mouse = MouseAction::WheelUp;
  second->controls[2].mouse = MouseAction::Back;  // no row: not counted
  first->pointer.pair = StickPair::RxRy;
  second->scroll.pair = StickPair::XY;
  EXPECT_EQ(CheckSummary(doc, report),
            "version 1: 2 records, 2 buttons, 2 assigned keys, 2 hat and axis rows with 1 "
            "assigned key, 2 mouse actions, 1 stick moving the pointer, 1 stick scrolling; 1 "
            "block dropped, 1 block passed over, 2 buttons left cleared");
}

}  // namespace
}  // namespace tarvel
