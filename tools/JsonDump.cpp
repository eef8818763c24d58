#include "tools/JsonDump.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "model/TarvelDoc.h"
#include "tools/JsonText.h"

namespace tarvel {

namespace {

using Json = nlohmann::ordered_json;

template <size_t N>
Json Text(const char (&field)[N]) {
  return TextToUtf8(field, N);
}

Json GuidText(const Guid& guid) {
  char text[kGuidTextSize] = {};
  FormatGuid(guid, text);
  return Text(text);
}

Json KeyStrokeJson(const KeyStroke& k) {
  char keyText[kKeyTextSize] = {};
  FormatKeyStroke(k, keyText);
  return Json{{"virtualKey", k.virtualKey},
              {"scanCode", k.scanCode},
              {"modifiers", k.modifiers},
              {"keyText", Text(keyText)}};
}

// A row's sequence, text and long press, only where it has them.
void AddExtras(Json& button, const DeviceRecord& device, const ButtonMapping& mapping) {
  if (const KeySequence* sequence = device.SequenceOf(mapping)) {
    Json steps = Json::array();
    for (int i = 0; i < sequence->stepCount && i < kMaxSequenceSteps; ++i)
      steps.push_back(KeyStrokeJson(sequence->steps[i]));
    button["sequence"] = Json{{"gapMs", sequence->gapMs}, {"steps", std::move(steps)}};
  }
  // The text is UTF-8 already, as the file holds it.
  if (const char* text = device.TextOf(mapping)) button["text"] = std::string(text);
  if (mapping.longPressMs != 0) {
    Json longPress{{"ms", mapping.longPressMs}};
    longPress.update(KeyStrokeJson(mapping.longKey));
    button["longPress"] = std::move(longPress);
  }
}

Json ButtonJson(const ButtonMapping& mapping) {
  char keyText[kKeyTextSize] = {};
  FormatKeyText(mapping, keyText);
  Json button{{"assigned", mapping.assigned},
              {"virtualKey", mapping.virtualKey},
              {"scanCode", mapping.scanCode},
              {"modifiers", mapping.modifiers},
              {"windowClass", Text(mapping.windowClass)},
              {"description", Text(mapping.description)},
              {"keyText", Text(keyText)}};
  // Only what is not Tap, so that the dump of a file without actions stays as it was.
  if (mapping.action == KeyAction::Hold) button["action"] = "Hold";
  if (mapping.action == KeyAction::Turbo) {
    button["action"] = "Turbo";
    button["turboRate"] = mapping.turboRate;
  }
  if (mapping.mouse != MouseAction::None) button["mouse"] = MouseActionFileName(mapping.mouse);
  if (mapping.action == KeyAction::Toggle) button["action"] = "Toggle";
  return button;
}

Json RecordJson(const DeviceRecord& device) {
  Json buttons = Json::array();
  const int count = std::clamp(device.buttonCount, 0, kMaxButtons);
  for (int k = 0; k < count; ++k) {
    buttons.push_back(ButtonJson(device.buttons[k]));
    AddExtras(buttons.back(), device, device.buttons[k]);
  }
  Json record{{"name", Text(device.name)},
              {"instanceGuid", GuidText(device.instanceGuid)},
              {"productGuid", GuidText(device.productGuid)},
              {"buttonCount", device.buttonCount},
              {"buttons", std::move(buttons)}};
  // The sticks that drive the mouse, only where they are not as a new record has them.
  const PointerSettings pointer;
  const ScrollSettings scroll;
  auto pairName = [](StickPair pair) {
    return pair == StickPair::None ? "None" : StickPairFileName(pair);
  };
  if (device.pointer.pair != pointer.pair || device.pointer.speed != pointer.speed ||
      device.pointer.deadZone != pointer.deadZone)
    record["pointer"] = Json{{"stick", pairName(device.pointer.pair)},
                             {"speed", device.pointer.speed},
                             {"deadZone", device.pointer.deadZone}};
  if (device.scroll.pair != scroll.pair || device.scroll.deadZone != scroll.deadZone)
    record["scroll"] =
        Json{{"stick", pairName(device.scroll.pair)}, {"deadZone", device.scroll.deadZone}};
  // The hats' and axes' rows, only where the record has some.
  if (device.controlRows == 0) return record;
  Json controls = Json::array();
  for (int k = 0; k < kControlCount; ++k) {
    if ((device.controlRows & ControlBit(k)) == 0) continue;
    Json control{{"control", ControlFileName(k)}};
    control.update(ButtonJson(device.controls[k]));
    AddExtras(control, device, device.controls[k]);
    if (HasThresholds(k)) {
      control["pressPercent"] = device.thresholds[k].pressPercent;
      control["releasePercent"] = device.thresholds[k].releasePercent;
    }
    controls.push_back(std::move(control));
  }
  record["controls"] = std::move(controls);
  return record;
}

// nlohmann's dump() writes either "," and ":" alone or one value per line; tarvelcfg's JSON is
// one line with ", " and ": " between its parts. The library writes every name and value.
void WriteOneLine(std::string& out, const Json& value) {
  const char* separator = "";
  if (value.is_object()) {
    out += '{';
    for (const auto& item : value.items()) {
      out += separator;
      out += Json(item.key()).dump();
      out += ": ";
      WriteOneLine(out, item.value());
      separator = ", ";
    }
    out += '}';
  } else if (value.is_array()) {
    out += '[';
    for (const Json& item : value) {
      out += separator;
      WriteOneLine(out, item);
      separator = ", ";
    }
    out += ']';
  } else {
    out += value.dump();
  }
}

}  // namespace

std::string DumpJson(const ParsedConfiguration& parsed) {
  Json records = Json::array();
  const int count = std::clamp(parsed.recordCount, 0, kMaxRecords);
  for (int r = 0; r < count; ++r)
    if (parsed.records[r] != nullptr) records.push_back(RecordJson(*parsed.records[r]));
  std::string out;
  WriteOneLine(out, Json{{"version", parsed.version}, {"records", std::move(records)}});
  return out;
}

}  // namespace tarvel
