#pragma once
#include <cstddef>
#include <string>

namespace tarvel {

// A text field in UTF-8, for JSON. The text is 8-bit: it ends at its first zero byte or after
// maxLength bytes. On Windows it is read in the system's code page, as the program and
// DirectInput write it; elsewhere, and where it is not valid in that code page, each byte
// 0x80-0xFF stands for the character U+0080-U+00FF.
std::string TextToUtf8(const char* text, size_t maxLength);

}  // namespace tarvel
