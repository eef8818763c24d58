#include "framework/Dpi.h"

namespace tarvel::fw {

int DpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr && window != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

HFONT ScaledFont(HFONT font, int fromDpi, int toDpi) {
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTA logFont = {};
  if (GetObjectA(font, sizeof(logFont), &logFont) == 0 || fromDpi <= 0) return nullptr;
  logFont.lfHeight = MulDiv(logFont.lfHeight, toDpi, fromDpi);
  logFont.lfWidth = MulDiv(logFont.lfWidth, toDpi, fromDpi);
  return CreateFontIndirectA(&logFont);
}

}  // namespace tarvel::fw
