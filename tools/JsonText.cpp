#include "tools/JsonText.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvel {

namespace {

const char* ShortEscape(uint32_t c) {
  switch (c) {
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    case '\b':
      return "\\b";
    case '\f':
      return "\\f";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    case '\t':
      return "\\t";
    default:
      return nullptr;
  }
}

void AppendCharacter(std::string& out, uint32_t c) {
  static const char kHex[] = "0123456789abcdef";
  if (const char* escape = ShortEscape(c)) {
    out += escape;
  } else if (c < 0x20) {
    out += "\\u00";
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
  } else if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

size_t TextLength(const char* text, size_t maxLength) {
  size_t n = 0;
  while (n < maxLength && text[n] != '\0') ++n;
  return n;
}

#ifdef _WIN32
// Texts come from Windows in its code page; a text that is not valid in it is read byte by byte.
bool AppendInCodePage(std::string& out, const char* text, size_t length) {
  if (length == 0) return true;
  const int size = static_cast<int>(length);
  const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, size, nullptr, 0);
  if (units <= 0) return false;
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, size, wide.data(), units);
  for (size_t i = 0; i < wide.size(); ++i) {
    uint32_t c = static_cast<uint16_t>(wide[i]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size()) {
      const uint32_t low = static_cast<uint16_t>(wide[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendCharacter(out, c);
  }
  return true;
}
#endif

}  // namespace

void AppendJsonString(std::string& out, const char* text, size_t maxLength) {
  out += '"';
  const size_t length = TextLength(text, maxLength);
#ifdef _WIN32
  if (!AppendInCodePage(out, text, length))
#endif
    for (size_t i = 0; i < length; ++i) AppendCharacter(out, static_cast<unsigned char>(text[i]));
  out += '"';
}

}  // namespace tarvel
