#pragma once
#include <string>

#include "model/ConfigFormat.h"

namespace tarvel {

// The parsed file as one line of JSON (no line end):
// {"version": 2, "records": [{"name": ..., "instanceGuid": ..., "productGuid": ...,
//  "buttonCount": n, "buttons": [{"assigned": ..., "virtualKey": ..., "scanCode": ...,
//  "modifiers": ..., "windowClass": ..., "description": ..., "keyText": ...}, ...]}, ...]}
std::string DumpJson(const ParsedConfiguration& parsed);

}  // namespace tarvel
