#pragma once
#include <windows.h>

#include <string>

namespace tarvel::fw {

// A string of the program's string table; empty when there is none.
std::string LoadResourceString(UINT id);
// The string of the string table, or fallback when there is none.
std::string LoadResourceString(UINT id, const char* fallback);

// Part n of a text whose parts are separated by "\n": a command's prompt is part 0 (the status
// bar's text) and part 1 (the tooltip); the document template's string has seven parts.
std::string TextPart(const std::string& text, int n);

// The pattern with arg in place of its first "%1".
std::string FormatString1(const std::string& pattern, const std::string& arg);

}  // namespace tarvel::fw
