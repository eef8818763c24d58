#pragma once
// Configuration files as text, written here independently of the program's writer: GUIDs, device
// headers, button lines and whole blocks, for core and shell tests alike.
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/Guid.h"

namespace tarvel::test {

inline std::string GuidText(const Guid& g) {
  char text[64];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

// Built by appending only: "literal" + std::string trips a false -Wrestrict in GCC 12 at -O3
// (GCC bug 105329).
inline std::string HeaderLine(const Guid& instance, const Guid& product, const std::string& name) {
  std::string line = "[";
  line += GuidText(instance);
  line += ',';
  line += GuidText(product);
  line += ',';
  line += name;
  line += ']';
  return line;
}

// Joins lines with the given line end after each one.
inline std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += end;
  }
  return text;
}

inline Guid ProductOf(const Guid& instance) {
  Guid g = instance;
  g.data2 = 0xBEEF;
  return g;
}

// A device header line with the product GUID of ProductOf.
inline std::string Header(const Guid& instance, const std::string& name) {
  return HeaderLine(instance, ProductOf(instance), name);
}

// "Button<number> = assigned,key,scan,modifiers,<length>,class,<length>,description"
inline std::string V2Button(int number, int assigned, int virtualKey, int scanCode, int modifiers,
                            const std::string& windowClass = "",
                            const std::string& description = "") {
  char head[96];
  std::snprintf(head, sizeof head, "Button%d = %d,%d,%d,%d,", number, assigned, virtualKey,
                scanCode, modifiers);
  std::string line = head;
  line += std::to_string(windowClass.size());
  line += ',';
  line += windowClass;
  line += ',';
  line += std::to_string(description.size());
  line += ',';
  line += description;
  return line;
}

// A whole block: header, count and the given button lines.
inline std::vector<std::string> Block(const std::string& header,
                                      const std::vector<std::string>& buttons) {
  std::string count = "NumberOfButtons = ";
  count += std::to_string(buttons.size());
  std::vector<std::string> lines = {header, count};
  lines.insert(lines.end(), buttons.begin(), buttons.end());
  return lines;
}

inline std::vector<std::string> Block(const Guid& instance, const std::string& name,
                                      const std::vector<std::string>& buttons) {
  return Block(Header(instance, name), buttons);
}

inline std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A configuration file in the current format with one block per device (the instance GUID as
// the product GUID too), every button unassigned.
struct ConfigDevice {
  Guid instanceGuid;
  std::string name;
  int buttons;
};

inline std::string ConfigText(const std::vector<ConfigDevice>& devices) {
  std::vector<std::string> lines = {"TVM2"};
  for (const ConfigDevice& device : devices) {
    std::vector<std::string> buttons;
    for (int b = 1; b <= device.buttons; ++b) buttons.push_back(V2Button(b, 0, 0, 0, 0));
    const std::vector<std::string> block =
        Block(HeaderLine(device.instanceGuid, device.instanceGuid, device.name), buttons);
    lines.insert(lines.end(), block.begin(), block.end());
  }
  return Lines(lines);
}

}  // namespace tarvel::test
