#pragma once

namespace tarvel {

// What the document asks of its one view, by row number.
class DocView {
 public:
  virtual void RefreshRowTexts(int row) = 0;
  virtual void RefreshRowImage(int row) = 0;
  virtual void SetPressedMark(int row, bool on) = 0;
  virtual void SetCaptureMark(int row, bool on) = 0;
  // Delete every row and fill them again from the document.
  virtual void RebuildRows() = 0;
  // UpdateAllViews: the view redraws its rows. sender is the view that caused the update.
  virtual void OnUpdate(DocView* sender, long hint) = 0;

 protected:
  ~DocView() = default;
};

}  // namespace tarvel
