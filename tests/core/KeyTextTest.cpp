// Key names and the key text of a mapping.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/TestSupport.h"

namespace tarvel::test {
namespace {

// Key codes and the names the list shows for them: every named key outside the runs of letters,
// digits, number-pad digits and function keys, the ends of those runs, and codes on either side
// of them that have no name.
TEST(KeyNames, CodesAndTheirNames) {
  struct Case {
    uint8_t code;
    const char* name;
  };
  // clang-format off
  const Case cases[] = {
      // Letters, digits, number-pad digits and function keys: both ends, one inside, one past.
      {0x40, ""}, {0x41, "A"}, {0x4D, "M"}, {0x5A, "Z"},
      {0x2F, "Help"}, {0x30, "0"}, {0x35, "5"}, {0x39, "9"}, {0x3A, ""}, {0x3F, ""},
      {0x60, "Num 0"}, {0x61, "Num 1"}, {0x69, "Num 9"},
      {0x70, "F1"}, {0x79, "F10"}, {0x7B, "F12"}, {0x7C, "F13"}, {0x87, "F24"}, {0x88, ""},
      {0x8F, ""},
      // Every other named key.
      {0x03, "Cancel"}, {0x08, "Backspace"}, {0x09, "Tab"}, {0x0C, "Clear"}, {0x0D, "Enter"},
      {0x10, "Shift"}, {0x11, "Ctrl"}, {0x12, "Alt"}, {0x13, "Pause"}, {0x14, "Caps Lock"},
      {0x1B, "Esc"}, {0x20, "Space"}, {0x21, "Page Up"}, {0x22, "Page Down"}, {0x23, "End"},
      {0x24, "Home"}, {0x25, "Left"}, {0x26, "Up"}, {0x27, "Right"}, {0x28, "Down"},
      {0x29, "Select"}, {0x2A, "Print Screen"}, {0x2B, "Execute"}, {0x2C, "Snapshot"},
      {0x2D, "Insert"}, {0x2E, "Delete"}, {0x5B, "LWin"}, {0x5C, "RWin"},
      {0x5D, "Application"}, {0x6A, "Num *"}, {0x6B, "Num +"}, {0x6C, "Num Enter"},
      {0x6D, "Num -"}, {0x6E, "Num ."}, {0x6F, "Num /"}, {0x90, "Num Lock"},
      {0x91, "Scroll Lock"}, {0xBA, ";"}, {0xBB, "="}, {0xBC, ","}, {0xBD, "-"}, {0xBE, "."},
      {0xBF, "/"}, {0xC0, "`"}, {0xDB, "["}, {0xDC, "\\"}, {0xDD, "]"}, {0xDE, "'"},
      // Gaps between them, the mouse buttons, left and right modifiers, and both ends.
      {0x00, ""}, {0x01, ""}, {0x02, ""}, {0x04, ""}, {0x07, ""}, {0x0A, ""}, {0x0E, ""},
      {0x15, ""}, {0x1A, ""}, {0x1C, ""}, {0x1F, ""}, {0x5E, ""}, {0x5F, ""}, {0x92, ""},
      {0xA0, ""}, {0xA1, ""}, {0xA2, ""}, {0xA5, ""}, {0xB9, ""}, {0xC1, ""}, {0xDA, ""},
      {0xDF, ""}, {0xE0, ""}, {0xFE, ""}, {0xFF, ""}};
  // clang-format on
  for (const Case& c : cases) {
    char buffer[16] = "junk";
    GetKeyName(c.code, buffer);
    EXPECT_STREQ(buffer, c.name) << "code " << int{c.code};
  }
}

// The longest name, "Print Screen", fills 13 bytes; no code writes past them.
TEST(KeyNames, NoNameWritesPastThirteenBytes) {
  int named = 0;
  for (int code = 0; code <= 0xFF; ++code) {
    char buffer[13 + 8];
    std::memset(buffer, 0x7E, sizeof buffer);
    GetKeyName(static_cast<uint8_t>(code), buffer);
    for (size_t i = 13; i < sizeof buffer; ++i)
      ASSERT_EQ(buffer[i], 0x7E) << "code " << code << " wrote past 13 bytes";
    ASSERT_NE(std::memchr(buffer, 0, 13), nullptr) << "code " << code;
    named += buffer[0] != '\0' ? 1 : 0;
  }
  // 26 letters, 10 digits, 10 number-pad digits, 24 function keys and 49 other keys.
  EXPECT_EQ(named, 119);
}

struct KeyTextScene : Harness {
  KeyTextScene() {
    AddRecord(doc, 12, TestGuid(1));
    AddRecord(doc, 0, TestGuid(2));
    AddRecord(doc, 8, TestGuid(3));
  }
  ButtonMapping& Mapping() { return doc.records[2]->buttons[4]; }  // row 16
};

TEST(KeyText, ModifierPrefixesComeInTheOrderCtrlAltShift) {
  struct Case {
    uint8_t modifiers;
    const char* text;
  };
  const Case cases[] = {{0, "F1"},
                        {1, "Shift + F1"},
                        {2, "Ctrl + F1"},
                        {3, "Ctrl + Shift + F1"},
                        {4, "Alt + F1"},
                        {5, "Alt + Shift + F1"},
                        {6, "Ctrl + Alt + F1"},
                        {7, "Ctrl + Alt + Shift + F1"},
                        {8, "F1"},
                        {0xF8 | 5, "Alt + Shift + F1"},
                        {0xFF, "Ctrl + Alt + Shift + F1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE("modifiers " + std::to_string(c.modifiers));
    KeyTextScene h;
    Assign(h.Mapping(), 0x70, 0x3B, c.modifiers);
    char text[kKeyTextSize];
    ASSERT_TRUE(h.doc.GetButtonKeyText(2, 4, text));
    EXPECT_STREQ(text, c.text);
    ASSERT_TRUE(h.doc.GetRowKeyText(16, text));
    EXPECT_STREQ(text, c.text);
  }
}

TEST(KeyText, TheLongestTextFillsThirtyFourBytesExactly) {
  KeyTextScene h;
  Assign(h.Mapping(), 0x2A, 0, 7);
  char buffer[kKeyTextSize + 8];
  std::memset(buffer, 0x7E, sizeof buffer);

  ASSERT_TRUE(h.doc.GetRowKeyText(16, buffer));

  EXPECT_STREQ(buffer, "Ctrl + Alt + Shift + Print Screen");
  EXPECT_EQ(std::strlen(buffer), 33u);
  EXPECT_EQ(kKeyTextSize, 34);
  for (size_t i = kKeyTextSize; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0x7E);
}

TEST(KeyText, UnassignedAndNamelessKeys) {
  struct Case {
    const char* what;
    int assigned;
    uint8_t virtualKey;
    uint8_t modifiers;
    const char* text;
    MouseAction mouse = MouseAction::None;
  };
  const Case cases[] = {
      {"unassigned with a key in the fields", 0, 0x41, 7, ""},
      {"unassigned and empty", 0, 0, 0, ""},
      {"a key without a name and Ctrl", 1, 0xFF, 2, "Ctrl + Key 0xFF"},
      {"a key without a name alone", 1, 0xA0, 0, "Key 0xA0"},
      {"a media key with everything", 1, 0xAD, 7, "Ctrl + Alt + Shift + Key 0xAD"},
      {"key code 0", 1, 0x00, 0, "Key 0x00"},
      {"any non-zero assigned counts", 5, 0x41, 0, "A"},
      {"a mouse action", 0, 0, 0, "Left Click", MouseAction::LeftClick},
      {"a mouse action with everything", 0, 0, 7, "Ctrl + Alt + Shift + Middle Click",
       MouseAction::MiddleClick},
      {"a mouse action wins over a key", 1, 0x41, 2, "Ctrl + Wheel Up", MouseAction::WheelUp},
      {"the wheel to the right", 0, 0, 0, "Wheel Right", MouseAction::WheelRight},
      {"the X buttons", 0, 0, 1, "Shift + Forward", MouseAction::Forward}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KeyTextScene h;
    h.Mapping().assigned = c.assigned;
    h.Mapping().virtualKey = c.virtualKey;
    h.Mapping().modifiers = c.modifiers;
    h.Mapping().mouse = c.mouse;
    char text[kKeyTextSize] = "junk";
    EXPECT_TRUE(h.doc.GetButtonKeyText(2, 4, text));
    EXPECT_STREQ(text, c.text);
    std::strcpy(text, "junk");
    EXPECT_TRUE(h.doc.GetRowKeyText(16, text));
    EXPECT_STREQ(text, c.text);
  }
}

TEST(KeyText, WhatNamesNoButtonGivesEmptyTextAndFalse) {
  KeyTextScene h;
  for (int r = 0; r < 3; ++r)
    for (int b = 0; b < 128; ++b) Assign(h.doc.records[r]->buttons[b], 0x41, 0, 0);
  struct Case {
    int record, button;
  };
  const Case pairs[] = {{-1, 0}, {3, 0}, {1, 0}, {0, 12}, {0, -1}, {2, 8}, {16, 0}};
  for (const Case& c : pairs) {
    char text[kKeyTextSize] = "junk";
    EXPECT_FALSE(h.doc.GetButtonKeyText(c.record, c.button, text)) << c.record << "/" << c.button;
    EXPECT_STREQ(text, "");
  }
  for (int row : {-1, 20, 21, 500}) {
    char text[kKeyTextSize] = "junk";
    EXPECT_FALSE(h.doc.GetRowKeyText(row, text)) << "row " << row;
    EXPECT_STREQ(text, "");
  }
}

}  // namespace
}  // namespace tarvel::test
