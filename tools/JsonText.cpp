#include "tools/JsonText.h"

namespace tarvel {

namespace {

const char* ShortEscape(unsigned char c) {
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

}  // namespace

void AppendJsonString(std::string& out, const char* text, size_t maxLength) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (size_t i = 0; i < maxLength && text[i] != '\0'; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (const char* escape = ShortEscape(c)) {
      out += escape;
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else if (c >= 0x80) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

}  // namespace tarvel
