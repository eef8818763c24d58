#include "model/Utf8.h"

#include <cstring>

namespace tarvel {
namespace {

// The code point at text[*i], advancing *i past it; -1 for a malformed one.
int32_t NextCodePoint(const unsigned char* text, size_t size, size_t* i) {
  const unsigned char lead = text[(*i)++];
  if (lead < 0x80) return lead;
  int extra;
  int32_t cp;
  int32_t least;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, least = 0x10000;
  } else {
    return -1;
  }
  for (int k = 0; k < extra; ++k) {
    if (*i >= size || (text[*i] & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (text[(*i)++] & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return cp;
}

}  // namespace

int CountUtf8Chars(const char* text, size_t size) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  int count = 0;
  for (size_t i = 0; i < size; ++count)
    if (NextCodePoint(bytes, size, &i) < 0) return -1;
  return count;
}

int Utf8ToUtf16(const char* text, size_t size, char16_t* out, int capacity) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  int n = 0;
  for (size_t i = 0; i < size;) {
    const int32_t cp = NextCodePoint(bytes, size, &i);
    if (cp < 0) return -1;
    if (cp < 0x10000) {
      if (n + 1 > capacity) return -1;
      out[n++] = static_cast<char16_t>(cp);
    } else {
      if (n + 2 > capacity) return -1;
      out[n++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out[n++] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return n;
}

size_t Utf8PrefixLength(const char* text, size_t maxBytes) {
  size_t n = std::strlen(text);
  if (n <= maxBytes) return n;
  n = maxBytes;
  // Back over continuation bytes to the start of the character that does not fit.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace tarvel
