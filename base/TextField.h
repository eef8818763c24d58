#pragma once
#include <cstddef>
#include <cstring>

namespace tarvel {

// Zero-fills the whole field, then copies at most limit characters of text.
// The field is always left zero-terminated.
inline void SetTextField(char* field, size_t fieldSize, const char* text, size_t limit) {
  std::memset(field, 0, fieldSize);
  if (limit > fieldSize - 1) limit = fieldSize - 1;
  if (text == nullptr) return;
  size_t n = 0;
  while (n < limit && text[n] != '\0') ++n;
  std::memcpy(field, text, n);
}

template <size_t N>
void SetTextField(char (&field)[N], const char* text) {
  SetTextField(field, N, text, N - 1);
}

}  // namespace tarvel
