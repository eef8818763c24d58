#pragma once
#include <cstddef>
#include <cstdint>

namespace tarvel {

// The characters of well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF),
// or -1 when the bytes are not.
int CountUtf8Chars(const char* text, size_t size);

// The UTF-16 units of well-formed UTF-8, at most capacity of them; the count written, or -1 when
// the bytes are not UTF-8 or do not fit.
int Utf8ToUtf16(const char* text, size_t size, char16_t* out, int capacity);

// The length of the longest start of text, at most maxBytes long, that ends on a character's end.
size_t Utf8PrefixLength(const char* text, size_t maxBytes);

}  // namespace tarvel
