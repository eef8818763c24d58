// Wine gives the shell tests a real desktop: windows can be created and drawn on, and the fonts
// that Windows programs expect are installed in the prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

TEST(Desktop, WindowKeepsItsText) {
  HWND window = CreateWindowExW(0, L"STATIC", L"first", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr) << "no window: is DISPLAY set? error " << GetLastError();
  EXPECT_TRUE(SetWindowTextW(window, L"second"));
  wchar_t text[32] = {};
  EXPECT_EQ(GetWindowTextW(window, text, 32), 6);
  EXPECT_EQ(std::wstring(text), L"second");
  EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
  EXPECT_TRUE(DestroyWindow(window));
}

int CALLBACK NoteFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

TEST(Desktop, PrefixHasTheWindowsFonts) {
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  for (const wchar_t* face : {L"Tahoma", L"Marlett", L"Symbol", L"Wingdings"}) {
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(screen, &wanted, NoteFont, reinterpret_cast<LPARAM>(&found), 0);
    EXPECT_TRUE(found) << face << " is missing from the prefix";
  }
  ReleaseDC(nullptr, screen);
}

}  // namespace
