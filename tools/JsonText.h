#pragma once
#include <cstddef>
#include <string>

namespace tarvel {

// Appends text as a quoted JSON string. The text is 8-bit: it ends at its first zero byte or
// after maxLength bytes, and each byte 0x80-0xFF stands for the character U+0080-U+00FF, so it
// comes out as two bytes of UTF-8. Quote, backslash and control characters are escaped.
void AppendJsonString(std::string& out, const char* text, size_t maxLength);

}  // namespace tarvel
