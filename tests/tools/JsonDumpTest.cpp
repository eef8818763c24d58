#include <gtest/gtest.h>

#include <string>

#include "base/TextField.h"
#include "tools/JsonDump.h"

namespace tarvel {
namespace {

Guid MakeGuid(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t (&data4)[8]) {
  Guid guid;
  guid.data1 = data1;
  guid.data2 = data2;
  guid.data3 = data3;
  for (int i = 0; i < 8; ++i) guid.data4[i] = data4[i];
  return guid;
}

void SetMapping(ButtonMapping& mapping, int assigned, uint8_t virtualKey, uint8_t scanCode,
                uint8_t modifiers, const char* windowClass, const char* description) {
  mapping.assigned = assigned;
  mapping.virtualKey = virtualKey;
  mapping.scanCode = scanCode;
  mapping.modifiers = modifiers;
  SetTextField(mapping.windowClass, windowClass);
  SetTextField(mapping.description, description);
}

class JsonDumpTest : public ::testing::Test {
 protected:
  DeviceRecord& AddRecord(const char* name, int buttonCount) {
    auto* record = new DeviceRecord;
    SetTextField(record->name, name);
    record->buttonCount = buttonCount;
    doc().records[doc().recordCount++].reset(record);
    return *record;
  }
  ParsedConfiguration& doc() { return parsed_; }

  ParsedConfiguration parsed_ = [] {
    ParsedConfiguration parsed;
    parsed.version = 2;
    return parsed;
  }();
};

TEST_F(JsonDumpTest, EmptyDocument) {
  EXPECT_EQ(DumpJson(doc()), "{\"version\": 2, \"records\": []}");
  doc().version = 1;
  EXPECT_EQ(DumpJson(doc()), "{\"version\": 1, \"records\": []}");
}

TEST_F(JsonDumpTest, KnownDocument) {
  doc().version = 1;
  DeviceRecord& pad = AddRecord("Pad \"1\" \xe9", 3);
  pad.instanceGuid =
      MakeGuid(0x6f1d2b60, 0xd5a0, 0x11cf, {0xbf, 0xc7, 0x44, 0x45, 0x53, 0x54, 0, 0});
  pad.productGuid = MakeGuid(0x0000beef, 0x000a, 0x0b00, {1, 2, 3, 4, 5, 6, 7, 0xff});
  SetMapping(pad.buttons[0], 1, 65, 30, 2, "Notepad,Main", "Tab\there");
  // Unassigned: no key text from the stored key, only from a mouse action (below).
  SetMapping(pad.buttons[1], 0, 66, 48, 1, "", "");
  SetMapping(pad.buttons[2], 1, 0xDC, 43, 7, "", "a\\b");
  pad.buttons[2].action = KeyAction::Hold;
  pad.buttons[0].turboRate = 40;  // a Tap mapping shows no rate
  DeviceRecord& stick = AddRecord("", 1);
  SetMapping(stick.buttons[0], 7, 0x70, 59, 8, "", "");
  stick.buttons[0].action = KeyAction::Turbo;
  stick.buttons[0].turboRate = 25;
  // Entries past buttonCount are not part of the record.
  SetMapping(stick.buttons[1], 1, 65, 30, 0, "unused", "unused");
  // Rows of a hat direction, a half-axis, an XInput pad's guide button and left trigger (its
  // own default thresholds), and a mapping of a control without a row.
  stick.controlRows = 1u << 1 | 1u << (kHatControls + 3) | ControlBit(kLeftTriggerControl) |
                     ControlBit(kGuideControl);
  SetMapping(stick.controls[1], 1, 0x27, 77, 0, "", "");
  stick.controls[kHatControls + 3].action = KeyAction::Hold;
  stick.thresholds[kHatControls + 3] = AxisThresholds{70, 20};
  SetMapping(stick.controls[0], 1, 65, 30, 0, "unused", "unused");
  // A mouse action in place of a key, and the sticks that drive the mouse.
  pad.buttons[1].mouse = MouseAction::RightClick;
  stick.pointer = PointerSettings{StickPair::RxRy, 1200, 20};
  stick.scroll = ScrollSettings{StickPair::XY, 15};

  EXPECT_EQ(DumpJson(doc()),
            "{\"version\": 1, \"records\": ["
            "{\"name\": \"Pad \\\"1\\\" \xc3\xa9\", "
            "\"instanceGuid\": \"{6F1D2B60-D5A0-11CF-BFC7-444553540000}\", "
            "\"productGuid\": \"{0000BEEF-000A-0B00-0102-0304050607FF}\", "
            "\"buttonCount\": 3, \"buttons\": ["
            "{\"assigned\": 1, \"virtualKey\": 65, \"scanCode\": 30, \"modifiers\": 2, "
            "\"windowClass\": \"Notepad,Main\", \"description\": \"Tab\\there\", "
            "\"keyText\": \"Ctrl + A\"}, "
            "{\"assigned\": 0, \"virtualKey\": 66, \"scanCode\": 48, \"modifiers\": 1, "
            "\"windowClass\": \"\", \"description\": \"\", \"keyText\": \"Shift + Right Click\", "
            "\"mouse\": \"RightClick\"}, "
            "{\"assigned\": 1, \"virtualKey\": 220, \"scanCode\": 43, \"modifiers\": 7, "
            "\"windowClass\": \"\", \"description\": \"a\\\\b\", "
            "\"keyText\": \"Ctrl + Alt + Shift + \\\\\", \"action\": \"Hold\"}]}, "
            "{\"name\": \"\", "
            "\"instanceGuid\": \"{00000000-0000-0000-0000-000000000000}\", "
            "\"productGuid\": \"{00000000-0000-0000-0000-000000000000}\", "
            "\"buttonCount\": 1, \"buttons\": ["
            "{\"assigned\": 7, \"virtualKey\": 112, \"scanCode\": 59, \"modifiers\": 8, "
            "\"windowClass\": \"\", \"description\": \"\", \"keyText\": \"F1\", "
            "\"action\": \"Turbo\", \"turboRate\": 25}], "
            "\"pointer\": {\"stick\": \"RxRy\", \"speed\": 1200, \"deadZone\": 20}, "
            "\"scroll\": {\"stick\": \"XY\", \"deadZone\": 15}, \"controls\": ["
            "{\"control\": \"Pov1Right\", \"assigned\": 1, \"virtualKey\": 39, "
            "\"scanCode\": 77, \"modifiers\": 0, \"windowClass\": \"\", \"description\": \"\", "
            "\"keyText\": \"Right\"}, "
            "{\"control\": \"YPlus\", \"assigned\": 0, \"virtualKey\": 0, \"scanCode\": 0, "
            "\"modifiers\": 0, \"windowClass\": \"\", \"description\": \"\", \"keyText\": \"\", "
            "\"action\": \"Hold\", \"pressPercent\": 70, \"releasePercent\": 20}, "
            "{\"control\": \"Guide\", \"assigned\": 0, \"virtualKey\": 0, \"scanCode\": 0, "
            "\"modifiers\": 0, \"windowClass\": \"\", \"description\": \"\", \"keyText\": \"\"}, "
            "{\"control\": \"LeftTrigger\", \"assigned\": 0, \"virtualKey\": 0, \"scanCode\": 0, "
            "\"modifiers\": 0, \"windowClass\": \"\", \"description\": \"\", \"keyText\": \"\", "
            "\"pressPercent\": 12, \"releasePercent\": 8}]}]}");
}

// A sequence, a text (UTF-8 as it is), Toggle and a long press, each only on its row.
TEST_F(JsonDumpTest, SequencesTextsTogglesAndLongPresses) {
  DeviceRecord& pad = AddRecord("P", 3);
  const KeyStroke two[] = {{0x43, 46, kModCtrl}, {0x09, 15, kModAlt}};
  ASSERT_TRUE(pad.SetSequence(pad.buttons[0], two, 2, 40));
  ASSERT_TRUE(pad.SetText(pad.buttons[1], "\xD0\x96\n"));
  SetMapping(pad.buttons[2], 1, 0x53, 31, 0, "", "");
  pad.buttons[2].action = KeyAction::Toggle;
  pad.buttons[2].longPressMs = 300;
  pad.buttons[2].longKey = {0x74, 63, 0};
  const std::string json = DumpJson(doc());
  EXPECT_NE(json.find("\"keyText\": \"Ctrl + C\", \"sequence\": {\"gapMs\": 40, \"steps\": ["
                      "{\"virtualKey\": 67, \"scanCode\": 46, \"modifiers\": 2, \"keyText\": "
                      "\"Ctrl+C\"}, {\"virtualKey\": 9, \"scanCode\": 15, \"modifiers\": 4, "
                      "\"keyText\": \"Alt+Tab\"}]}}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"keyText\": \"\", \"text\": \"\xD0\x96\\n\"}"), std::string::npos) << json;
  EXPECT_NE(json.find("\"keyText\": \"S\", \"action\": \"Toggle\", \"longPress\": {\"ms\": 300, "
                      "\"virtualKey\": 116, \"scanCode\": 63, \"modifiers\": 0, \"keyText\": "
                      "\"F5\"}}"),
            std::string::npos)
      << json;
}

TEST_F(JsonDumpTest, ListsEveryButtonOfAFullRecordInOrder) {
  DeviceRecord& record = AddRecord("Full", kMaxButtons);
  for (int k = 0; k < kMaxButtons; ++k) record.buttons[k].scanCode = static_cast<uint8_t>(k);
  const std::string json = DumpJson(doc());
  EXPECT_NE(json.find("\"buttonCount\": 128, "), std::string::npos);
  size_t at = 0;
  for (int k = 0; k < kMaxButtons; ++k) {
    at = json.find("\"scanCode\": " + std::to_string(k) + ", ", at);
    ASSERT_NE(at, std::string::npos) << "button " << k;
  }
  size_t buttons = 0;
  for (size_t p = json.find("{\"assigned\""); p != std::string::npos;
       p = json.find("{\"assigned\"", p + 1))
    ++buttons;
  EXPECT_EQ(buttons, 128u);
}

TEST_F(JsonDumpTest, NameFillingItsWholeFieldIsNotOverread) {
  DeviceRecord& record = AddRecord("", 1);
  for (char& c : record.name) c = 'n';  // no terminating zero
  const std::string json = DumpJson(doc());
  EXPECT_NE(json.find("\"name\": \"" + std::string(kNameSize, 'n') + "\", "), std::string::npos);
}

}  // namespace
}  // namespace tarvel
