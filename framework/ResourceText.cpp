#include "framework/ResourceText.h"

namespace tarvel::fw {

std::string LoadResourceString(UINT id) {
  // LoadStringW with a zero buffer size hands out a pointer to the resource itself, which gives
  // the length without guessing a buffer size; the text is then converted to the ANSI code page.
  const wchar_t* text = nullptr;
  const int length =
      LoadStringW(GetModuleHandleA(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, result.data(), size, nullptr, nullptr);
  return result;
}

std::string LoadResourceString(UINT id, const char* fallback) {
  std::string text = LoadResourceString(id);
  return text.empty() ? std::string(fallback) : text;
}

std::string TextPart(const std::string& text, int n) {
  size_t start = 0;
  for (int i = 0; i < n; ++i) {
    const size_t next = text.find('\n', start);
    if (next == std::string::npos) return std::string();
    start = next + 1;
  }
  const size_t end = text.find('\n', start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string FormatString1(const std::string& pattern, const std::string& arg) {
  const size_t at = pattern.find("%1");
  if (at == std::string::npos) return pattern;
  return pattern.substr(0, at) + arg + pattern.substr(at + 2);
}

}  // namespace tarvel::fw
