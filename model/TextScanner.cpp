#include "model/TextScanner.h"

namespace tarvel {
namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int DigitValue(char c, int base) {
  int v = 99;
  if (c >= '0' && c <= '9') v = c - '0';
  if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

bool TextScanner::Literal(const char* pattern) {
  if (!ok_) return false;
  for (; *pattern != '\0'; ++pattern) {
    if (IsSpace(*pattern)) {
      while (IsSpace(*p_)) ++p_;
    } else if (*p_ == *pattern) {
      ++p_;
    } else {
      return ok_ = false;
    }
  }
  return true;
}

bool TextScanner::Integer(int32_t* value) {
  if (!ok_) return false;
  while (IsSpace(*p_)) ++p_;
  const char* q = p_;
  bool negative = false;
  if (*q == '+' || *q == '-') negative = *q++ == '-';
  int base = 10;
  if (q[0] == '0' && (q[1] == 'x' || q[1] == 'X') && DigitValue(q[2], 16) >= 0) {
    base = 16;
    q += 2;
  } else if (q[0] == '0') {
    base = 8;
  }
  if (DigitValue(*q, base) < 0) return ok_ = false;
  uint32_t n = 0;
  for (int d; (d = DigitValue(*q, base)) >= 0; ++q) n = n * static_cast<uint32_t>(base) + d;
  if (negative) n = 0u - n;
  *value = static_cast<int32_t>(n);
  p_ = q;
  return true;
}

bool TextScanner::Hex(uint32_t* value, int maxWidth) {
  if (!ok_) return false;
  while (IsSpace(*p_)) ++p_;
  const char* q = p_;
  const char* end = p_ + maxWidth;
  bool negative = false;
  if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
  if (end - q > 2 && q[0] == '0' && (q[1] == 'x' || q[1] == 'X') && DigitValue(q[2], 16) >= 0)
    q += 2;
  if (q >= end || DigitValue(*q, 16) < 0) return ok_ = false;
  uint32_t n = 0;
  for (int d; q < end && (d = DigitValue(*q, 16)) >= 0; ++q) n = n * 16 + d;
  if (negative) n = 0u - n;
  *value = n;
  p_ = q;
  return true;
}

int32_t ParseDecimal(const char* text) {
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  uint32_t n = 0;
  for (; *text >= '0' && *text <= '9'; ++text) n = n * 10 + static_cast<uint32_t>(*text - '0');
  return static_cast<int32_t>(negative ? 0u - n : n);
}

}  // namespace tarvel
