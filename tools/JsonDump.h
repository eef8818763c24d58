#pragma once
#include <string>

namespace tarvel {

class CTarvelDoc;

// The document as one line of JSON (no line end):
// {"version": 2, "records": [{"name": ..., "instanceGuid": ..., "productGuid": ...,
//  "buttonCount": n, "buttons": [{"assigned": ..., "virtualKey": ..., "scanCode": ...,
//  "modifiers": ..., "windowClass": ..., "description": ..., "keyText": ...}, ...]}, ...]}
std::string DumpJson(const CTarvelDoc& doc);

}  // namespace tarvel
