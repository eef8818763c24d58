#pragma once
#include <string>

namespace tarvel {

// Conversions between the UTF-8 of a row's text and what Windows shows it with.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// The list draws with the ANSI code page: a character it lacks shows as '?'.
std::string OutputTextForList(const char* utf8);

}  // namespace tarvel
