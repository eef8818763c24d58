#pragma once
#include <string>

#include "model/ConfigFormat.h"

namespace tarvel {

// Collects what the reader left out of a file, one line of text per event, in file order:
//   line 7: device block dropped: <reason>
//   line 90: device block passed over: the document already holds 16 records
//   line 12: button 3 of device 1 left cleared: <reason>
//   end of file: button 4 of device 2 left cleared: <reason>
//   line 30: ignored: <reason>
//   line 31: ignored, though it looks like configuration: <reason>
//   line 12: button 3 of device 1: the description is cut to 63 characters
// Devices and buttons are counted from 1, as the file numbers its button lines.
class CheckReport final : public LoadObserver {
 public:
  void BlockDropped(int line, const char* reason) override;
  void BlockPassedOver(int line) override;
  void ButtonCleared(int line, int record, int button, const char* reason) override;
  void TextIgnored(int line, bool mayHoldData, const char* reason) override;
  void TextCut(int line, int record, int button, const char* what) override;

  const std::string& Lines() const { return lines_; }
  int DroppedBlocks() const { return droppedBlocks_; }
  int PassedOverBlocks() const { return passedOverBlocks_; }
  int ClearedButtons() const { return clearedButtons_; }
  int IgnoredLines() const { return ignoredLines_; }
  int CutTexts() const { return cutTexts_; }
  // Whether anything that may be configuration was left out: blocks, buttons, or ignored lines
  // that look like them. Texts cut to their fields' size are not counted here.
  bool LostData() const {
    return droppedBlocks_ + passedOverBlocks_ + clearedButtons_ + ignoredDataLines_ > 0;
  }

 private:
  std::string lines_;
  int droppedBlocks_ = 0;
  int passedOverBlocks_ = 0;
  int clearedButtons_ = 0;
  int ignoredLines_ = 0;
  int ignoredDataLines_ = 0;
  int cutTexts_ = 0;
};

// One line without a line end, such as
//   version 2: 3 records, 40 buttons, 12 assigned keys; 1 block dropped, 0 blocks passed over,
//   2 buttons left cleared
// with "; 3 lines ignored" at its end when the reader passed over text outside the blocks, and
// "; 1 text cut" when a text did not fit its field.
std::string CheckSummary(const ParsedConfiguration& parsed, const CheckReport& report);

}  // namespace tarvel
