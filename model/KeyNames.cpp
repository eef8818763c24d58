#include <cstdio>
#include <cstring>
#include <string>

#include "model/TarvelDoc.h"
#include "model/Utf8.h"

namespace tarvel {
namespace {

struct NamedKey {
  uint8_t code;
  const char* name;
};

constexpr NamedKey kNamedKeys[] = {
    {0x03, "Cancel"},    {0x08, "Backspace"},
    {0x09, "Tab"},       {0x0C, "Clear"},
    {0x0D, "Enter"},     {0x10, "Shift"},
    {0x11, "Ctrl"},      {0x12, "Alt"},
    {0x13, "Pause"},     {0x14, "Caps Lock"},
    {0x1B, "Esc"},       {0x20, "Space"},
    {0x21, "Page Up"},   {0x22, "Page Down"},
    {0x23, "End"},       {0x24, "Home"},
    {0x25, "Left"},      {0x26, "Up"},
    {0x27, "Right"},     {0x28, "Down"},
    {0x29, "Select"},    {0x2A, "Print Screen"},
    {0x2B, "Execute"},   {0x2C, "Snapshot"},
    {0x2D, "Insert"},    {0x2E, "Delete"},
    {0x2F, "Help"},      {0x5B, "LWin"},
    {0x5C, "RWin"},      {0x5D, "Application"},
    {0x6A, "Num *"},     {0x6B, "Num +"},
    {0x6C, "Num Enter"}, {0x6D, "Num -"},
    {0x6E, "Num ."},     {0x6F, "Num /"},
    {0x90, "Num Lock"},  {0x91, "Scroll Lock"},
    {0xBA, ";"},         {0xBB, "="},
    {0xBC, ","},         {0xBD, "-"},
    {0xBE, "."},         {0xBF, "/"},
    {0xC0, "`"},         {0xDB, "["},
    {0xDC, "\\"},        {0xDD, "]"},
    {0xDE, "'"},
};
static_assert(sizeof(kNamedKeys) / sizeof(kNamedKeys[0]) == 49);

}  // namespace

void GetKeyName(uint8_t vk, char* buffer) {
  buffer[0] = '\0';
  if (vk >= 0x41 && vk <= 0x5A) {
    std::snprintf(buffer, 13, "%c", vk);
  } else if (vk >= 0x30 && vk <= 0x39) {
    std::snprintf(buffer, 13, "%i", vk - 0x30);
  } else if (vk >= 0x60 && vk <= 0x69) {
    std::snprintf(buffer, 13, "Num %i", vk - 0x60);
  } else if (vk >= 0x70 && vk <= 0x87) {
    std::snprintf(buffer, 13, "F%i", vk - 0x6F);
  } else {
    for (const NamedKey& key : kNamedKeys) {
      if (key.code == vk) {
        std::strcpy(buffer, key.name);
        return;
      }
    }
  }
}

void FormatKeyText(const ButtonMapping& m, char* buffer) {
  buffer[0] = '\0';
  if (!HasOutput(m)) return;
  if (m.modifiers & kModCtrl) std::strcat(buffer, "Ctrl + ");
  if (m.modifiers & kModAlt) std::strcat(buffer, "Alt + ");
  if (m.modifiers & kModShift) std::strcat(buffer, "Shift + ");
  char* name = buffer + std::strlen(buffer);
  if (m.mouse != MouseAction::None) {
    std::strcat(buffer, MouseActionName(m.mouse));
    return;
  }
  GetKeyName(m.virtualKey, name);
  // A key without a name (a media key, the extra key of 102-key keyboards) still shows.
  if (name[0] == '\0') std::snprintf(name, 9, "Key 0x%02X", m.virtualKey);
}

void FormatKeyStroke(const KeyStroke& stroke, char* buffer) {
  buffer[0] = '\0';
  if (stroke.modifiers & kModCtrl) std::strcat(buffer, "Ctrl+");
  if (stroke.modifiers & kModAlt) std::strcat(buffer, "Alt+");
  if (stroke.modifiers & kModShift) std::strcat(buffer, "Shift+");
  char* name = buffer + std::strlen(buffer);
  GetKeyName(stroke.virtualKey, name);
  if (name[0] == '\0') std::snprintf(name, 9, "Key 0x%02X", stroke.virtualKey);
}

void FormatOutputText(const DeviceRecord& record, const ButtonMapping& m, char* buffer) {
  buffer[0] = '\0';
  std::string text;
  char stroke[kKeyTextSize];
  if (const char* typed = record.TextOf(m)) {
    // The start of the text, on one line; a cut never splits a character.
    constexpr size_t kShown = 24;
    const size_t n = Utf8PrefixLength(typed, kShown);
    text = "Text: " + std::string(typed, n) + (typed[n] != '\0' ? "..." : "");
    for (char& c : text)
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  } else if (const KeySequence* sequence = record.SequenceOf(m)) {
    for (int i = 0; i < sequence->stepCount && i < 2; ++i) {
      FormatKeyStroke(sequence->steps[i], stroke);
      text += (i > 0 ? ", " : "") + std::string(stroke);
    }
    if (sequence->stepCount > 2) text += ", ...";
  } else if (m.assigned != 0 || m.mouse != MouseAction::None) {
    if (m.longPressMs == 0) {
      FormatKeyText(m, buffer);
      return;
    }
    if (m.mouse != MouseAction::None)
      FormatKeyText(m, stroke);
    else
      FormatKeyStroke(KeyStroke{m.virtualKey, m.scanCode, m.modifiers}, stroke);
    text = stroke;
  }
  if (m.longPressMs != 0 && m.longKey.virtualKey != 0) {
    FormatKeyStroke(m.longKey, stroke);
    text += std::string(text.empty() ? "" : " ") + "(hold: " + stroke + ")";
  }
  std::snprintf(buffer, kOutputTextSize, "%s", text.c_str());
}

bool CTarvelDoc::GetRowOutputText(int row, char* buffer) const {
  buffer[0] = '\0';
  int record = 0;
  int button = 0;
  if (!RowToButton(row, &record, &button)) return false;
  // The half-axes of a stick that drives the mouse say so instead.
  const int k = button - kFirstControl;
  if (IsHalfAxis(k) && records[record]->AxisDrivesMouse((k - kHatControls) / 2))
    return GetButtonKeyText(record, button, buffer);
  FormatOutputText(*records[record], records[record]->Mapping(button), buffer);
  return true;
}

bool CTarvelDoc::GetButtonKeyText(int record, int button, char* buffer) const {
  buffer[0] = '\0';
  if (record < 0 || record >= recordCount) return false;
  const DeviceRecord& r = *records[record];
  if (!r.HasMapping(button)) return false;
  // The half-axes of a stick that drives the mouse type nothing while it does; their key stays.
  const int k = button - kFirstControl;
  if (IsHalfAxis(k) && r.AxisDrivesMouse((k - kHatControls) / 2)) {
    const int h = (k - kHatControls) / 2;
    int x = 0;
    int y = 0;
    std::strcpy(buffer, AxesOfPair(r.pointer.pair, &x, &y) && (h == x || h == y)
                            ? "(moves the pointer)"
                            : "(scrolls)");
    return true;
  }
  FormatKeyText(r.Mapping(button), buffer);
  return true;
}

bool CTarvelDoc::GetRowKeyText(int row, char* buffer) const {
  buffer[0] = '\0';
  int record = 0;
  int button = 0;
  if (!RowToButton(row, &record, &button)) return false;
  return GetButtonKeyText(record, button, buffer);
}

}  // namespace tarvel
