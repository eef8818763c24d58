#pragma once
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include "framework/ListView.h"
#include "framework/View.h"

namespace tarvel {

// A report list that draws its rows itself: a selected row is one light-grey band across all
// its columns and on to the right edge of the window, and texts too wide for their column end
// in "...". The rows are drawn when the parent hands back the list's WM_DRAWITEM
// (OnReflectedMessage).
class CListViewEx : public fw::View {
 public:
  static constexpr int kTextBufferSize = 260;
  static constexpr int kLabelMargin = 4;
  static constexpr int kSubItemMargin = 12;

  CListViewEx();
  ~CListViewEx() override;

  // Makes the list control with the style that PreCreateWindow gives.
  bool Create(HWND parent, int id) override;
  void OnInitialUpdate() override {}
  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // Full-row mode: owner-drawn rows. True when the window's style changed.
  bool SetFullRowMode(bool on);
  bool IsFullRowMode() const { return m_fullRow; }
  fw::ListView List() const { return fw::ListView(Handle()); }

  // Draws one row: its band, icons, label and sub-item texts, and the focus rectangle.
  void DrawItem(const DRAWITEMSTRUCT& item);

  // text itself when it fits in columnWidth with margin to spare; else a copy cut to the longest
  // prefix that fits together with "..." (never less than the first character), valid until the
  // next call.
  const char* FitTextWithEllipsis(HDC dc, const char* text, int columnWidth, int margin);

  // Repaints the rows whose look depends on the focus: the focused row and, unless the list
  // always shows its selection, the selected rows.
  void InvalidateMarkedRows();

  COLORREF SelectionBackColor() const { return m_selBackColor; }
  COLORREF SelectionTextColor() const { return m_selTextColor; }
  COLORREF ItemBackColor() const { return m_itemBackColor; }
  COLORREF BackColor() const { return m_backColor; }
  int ClientWidth() const { return m_clientCx; }

 protected:
  // The list's creation style and extended style; the base makes it an owner-drawn report.
  virtual void PreCreateWindow(DWORD& style, DWORD& exStyle);
  // Whether a selected row's image is drawn whole rather than blended with the selection
  // colour: an image that says something urgent.
  virtual bool KeepsImageWhole(int /*image*/) const { return false; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool IsReport() const;

 private:
  void OnPaint();
  void OnFocusChange(UINT message, HWND other);
  void OnSetImageList(WPARAM kind, LPARAM list);
  // What a row is drawn from.
  struct RowLook {
    int row = 0;
    UINT state = 0;
    int image = 0;
    const char* label = "";
    bool selected = false;
    bool focusRect = false;
    RECT band = {};  // from the left edge of the label, on to the window's edge
  };

  // The steps of DrawItem. ReadRow: false when there is no such row.
  bool ReadRow(int row, RowLook* look);
  void DrawImages(const DRAWITEMSTRUCT& draw, const RowLook& look) const;
  // Returns the label's cell, where the sub-items' cells start.
  RECT DrawLabel(HDC dc, const RowLook& look);
  void DrawSubItems(HDC dc, int row, RECT cell);
  // The row's bounds from the left edge of its label on.
  bool RowBand(int row, RECT* band) const;

  BOOL m_fullRow = FALSE;
  BOOL m_selectToClientEdge = TRUE;
  int m_clientCx = 0;
  int m_stateIconIndent = 0;
  COLORREF m_selBackColor;
  COLORREF m_selTextColor;
  COLORREF m_itemBackColor;
  COLORREF m_backColor;
  char itemText_[kTextBufferSize] = {};
  char fitText_[kTextBufferSize] = {};
};

}  // namespace tarvel
