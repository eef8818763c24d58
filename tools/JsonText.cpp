#include "tools/JsonText.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvel {

namespace {

#ifdef _WIN32
// Texts come from Windows in its code page; a text that is not valid in it is read byte by byte.
bool InCodePage(const char* text, size_t length, std::string* utf8) {
  if (length == 0) return true;
  const int size = static_cast<int>(length);
  const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, size, nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, size, wide.data(), units);
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  utf8->resize(static_cast<size_t>(std::max(bytes, 0)));
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8->data(), bytes, nullptr, nullptr);
  return true;
}
#endif

}  // namespace

std::string TextToUtf8(const char* text, size_t maxLength) {
  size_t length = 0;
  while (length < maxLength && text[length] != '\0') ++length;
  std::string utf8;
#ifdef _WIN32
  if (InCodePage(text, length, &utf8)) return utf8;
#endif
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

}  // namespace tarvel
