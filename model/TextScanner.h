#pragma once
#include <cstdint>

namespace tarvel {

// Reads numbers and literals from one line of text the way the C runtime's formatted input reads
// them ("%i", "%NX", blanks matching any run of white space), but with defined results for any
// input: numbers wrap to 32 bits instead of overflowing. Every call returns false at the first
// mismatch, and the scanner then stays failed.
class TextScanner {
 public:
  explicit TextScanner(const char* text) : p_(text) {}

  bool Literal(const char* pattern);  // a blank matches any run of white space, none included
  bool Integer(int32_t* value);       // "%i": decimal, 0x hexadecimal or 0 octal, optional sign
  bool Hex(uint32_t* value, int maxWidth);  // "%NX"
  bool ok() const { return ok_; }

 private:
  const char* p_;
  bool ok_ = true;
};

// A plain decimal number: leading white space, optional sign, digits; the first other character
// ends it; no digits give 0.
int32_t ParseDecimal(const char* text);

}  // namespace tarvel
