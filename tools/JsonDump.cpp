#include "tools/JsonDump.h"

#include <algorithm>

#include "model/TarvelDoc.h"
#include "tools/JsonText.h"

namespace tarvel {

namespace {

void AppendGuid(std::string& out, const Guid& guid) {
  char text[kGuidTextSize] = {};
  FormatGuid(guid, text);
  AppendJsonString(out, text, sizeof(text));
}

void AppendButton(std::string& out, const CTarvelDoc& doc, int record, int button) {
  const ButtonMapping& mapping = doc.records[record]->buttons[button];
  char keyText[kKeyTextSize] = {};
  doc.GetButtonKeyText(record, button, keyText);
  out += "{\"assigned\": " + std::to_string(mapping.assigned);
  out += ", \"virtualKey\": " + std::to_string(mapping.virtualKey);
  out += ", \"scanCode\": " + std::to_string(mapping.scanCode);
  out += ", \"modifiers\": " + std::to_string(mapping.modifiers);
  out += ", \"windowClass\": ";
  AppendJsonString(out, mapping.windowClass, sizeof(mapping.windowClass));
  out += ", \"description\": ";
  AppendJsonString(out, mapping.description, sizeof(mapping.description));
  out += ", \"keyText\": ";
  AppendJsonString(out, keyText, sizeof(keyText));
  out += '}';
}

void AppendRecord(std::string& out, const CTarvelDoc& doc, int record) {
  const DeviceRecord& device = *doc.records[record];
  out += "{\"name\": ";
  AppendJsonString(out, device.name, sizeof(device.name));
  out += ", \"instanceGuid\": ";
  AppendGuid(out, device.instanceGuid);
  out += ", \"productGuid\": ";
  AppendGuid(out, device.productGuid);
  out += ", \"buttonCount\": " + std::to_string(device.buttonCount);
  out += ", \"buttons\": [";
  const int buttons = std::clamp(device.buttonCount, 0, kMaxButtons);
  for (int k = 0; k < buttons; ++k) {
    if (k > 0) out += ", ";
    AppendButton(out, doc, record, k);
  }
  out += "]}";
}

}  // namespace

std::string DumpJson(const CTarvelDoc& doc) {
  std::string out = "{\"version\": " + std::to_string(doc.fileVersion) + ", \"records\": [";
  const int records = std::clamp(doc.recordCount, 0, kMaxRecords);
  bool first = true;
  for (int r = 0; r < records; ++r) {
    if (doc.records[r] == nullptr) continue;
    if (!first) out += ", ";
    first = false;
    AppendRecord(out, doc, r);
  }
  out += "]}";
  return out;
}

}  // namespace tarvel
