#include <gtest/gtest.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/JsonText.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvel {
namespace {

// The text as tarvelcfg dump writes it: in UTF-8, quoted and escaped by nlohmann/json.
std::string Quote(const char* text, size_t maxLength = SIZE_MAX) {
  return nlohmann::json(TextToUtf8(text, maxLength)).dump();
}

TEST(JsonTextTest, EscapesAndEncodesEveryKindOfByte) {
  struct Case {
    const char* text;
    const char* json;
  };
  const Case cases[] = {
      {"", "\"\""},
      {"plain / text", "\"plain / text\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"back\\slash", "\"back\\\\slash\""},
      {"\n\r\t\b\f", "\"\\n\\r\\t\\b\\f\""},
      {"\x01", "\"\\u0001\""},
      {"\x0b", "\"\\u000b\""},
      {"\x1b[0m", "\"\\u001b[0m\""},
      {"\x1f", "\"\\u001f\""},
      {" ~", "\" ~\""},
      {"\x7f", "\"\x7f\""},
      {"\xbf", "\"\xc2\xbf\""},
      {"\xc0", "\"\xc3\x80\""},
      {"Manette \xe9lite", "\"Manette \xc3\xa9lite\""},
      {"\xff", "\"\xc3\xbf\""},
#ifndef _WIN32
      {"\x80", "\"\xc2\x80\""},
      {"\xff\x80\"", "\"\xc3\xbf\xc2\x80\\\"\""},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(Quote(c.text), c.json) << "input: " << c.text;
}

#ifdef _WIN32
// Names and texts come from Windows in its code page; in the Western European one (1252) the
// byte 0x80 is the euro sign, not a control character.
TEST(JsonTextTest, TextIsReadInTheWindowsCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the system code page is " << GetACP();
  EXPECT_EQ(Quote("\x80"), "\"\xe2\x82\xac\"");
  EXPECT_EQ(Quote("\x93Pad\x94 \x80 5"), "\"\xe2\x80\x9cPad\xe2\x80\x9d \xe2\x82\xac 5\"");
  EXPECT_EQ(Quote("\xff\x80\"", 3), "\"\xc3\xbf\xe2\x82\xac\\\"\"");
}
#endif

TEST(JsonTextTest, StopsAtTheFieldLimitOrTheFirstZero) {
  EXPECT_EQ(Quote("abcdef", 3), "\"abc\"");
  EXPECT_EQ(Quote("abcdef", 0), "\"\"");
  EXPECT_EQ(Quote("ab\0cd", 5), "\"ab\"");
  // A full field without a terminating zero is read up to its size and no further.
  const char field[4] = {'w', 'x', 'y', 'z'};
  EXPECT_EQ(Quote(field, sizeof(field)), "\"wxyz\"");
  // An escape at the limit is written whole.
  EXPECT_EQ(Quote("a\"b", 2), "\"a\\\"\"");
}

}  // namespace
}  // namespace tarvel
