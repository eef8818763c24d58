// The main frame on monitors of different pixel densities.
#include "frame/MainFrame.h"
#include "framework/View.h"
#include "res/resource.h"

namespace tarvel {

void CMainFrame::SetToolBarImages(int dpi) {
  // Drawn at 16 x 15, 24 x 23 and 32 x 30 pixels; the nearest to the size asked for.
  const int wanted = fw::ScaleForDpi(16, dpi);
  if (wanted < 20)
    toolBar_.SetImages(IDR_MAINFRAME, 16, 15);
  else if (wanted < 28)
    toolBar_.SetImages(IDB_TOOLBAR_24, 24, 23);
  else
    toolBar_.SetImages(IDB_TOOLBAR_32, 32, 30);
}

void CMainFrame::OnDpiChanged(int dpi, const RECT* suggested) {
  const int old = dpi_;
  if (dpi > 0 && dpi != old) {
    dpi_ = dpi;
    SetToolBarImages(dpi);
    reBar_.SetBandMinSize(0, toolBar_.IdealSize());
    // The hint: its text in a font for the new density, its bar and text as much larger.
    const HWND text = GetDlgItem(hintBar_.Handle(), IDC_HINT_TEXT);
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0));
    if (HFONT font = fw::ScaledFont(current, old, dpi)) {
      SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      if (hintFont_ != nullptr) DeleteObject(hintFont_);
      hintFont_ = font;
    }
    RECT place = {};
    GetWindowRect(text, &place);
    MapWindowPoints(nullptr, hintBar_.Handle(), reinterpret_cast<POINT*>(&place), 2);
    SetWindowPos(text, nullptr, MulDiv(place.left, dpi, old), MulDiv(place.top, dpi, old),
                 MulDiv(place.right - place.left, dpi, old),
                 MulDiv(place.bottom - place.top, dpi, old), SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE bar = hintBar_.Size();
    SetWindowPos(hintBar_.Handle(), nullptr, 0, 0, MulDiv(bar.cx, dpi, old),
                 MulDiv(bar.cy, dpi, old), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    reBar_.SetBandMinSize(1, hintBar_.Size());
    // The status bar: its font, and its panes measured again in it.
    HFONT statusCurrent =
        reinterpret_cast<HFONT>(SendMessageA(statusBar_.Handle(), WM_GETFONT, 0, 0));
    if (HFONT font = fw::ScaledFont(statusCurrent, old, dpi)) {
      SendMessageA(statusBar_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      if (statusFont_ != nullptr) DeleteObject(statusFont_);
      statusFont_ = font;
      statusBar_.SetIndicators(kIndicators, kIndicatorCount);
    }
    if (fw::View* view = GetView()) view->OnDpiChanged(old, dpi);
  }
  if (suggested != nullptr)
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  RecalcLayout();
}

}  // namespace tarvel
