#pragma once
#include <windows.h>

namespace tarvel::fw {

// 96 dots per inch: 100 %, the size that every pixel measure of the program is given in.
constexpr int kBaseDpi = 96;

// The dots per inch of the monitor the window is on, where the system tells it per window
// (Windows 10 1607 on); else the system's.
int DpiOf(HWND window);

// A measure given for 96 dots per inch, at dpi.
inline int ScaleForDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, kBaseDpi); }

// A copy of font with its height scaled from one dpi to another; null when there is no font.
HFONT ScaledFont(HFONT font, int fromDpi, int toDpi);

}  // namespace tarvel::fw
