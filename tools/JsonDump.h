#pragma once
#include <string>

#include "model/ConfigFormat.h"

namespace tarvel {

// The parsed file as one line of JSON (no line end):
// {"version": 2, "records": [{"name": ..., "instanceGuid": ..., "productGuid": ...,
//  "buttonCount": n, "buttons": [{"assigned": ..., "virtualKey": ..., "scanCode": ...,
//  "modifiers": ..., "windowClass": ..., "description": ..., "keyText": ...}, ...]}, ...]}
// A button's "action" and "turboRate" are there when it is not Tap. A record with hat or axis
// rows has "controls": [{"control": "Pov1Up", the fields of a button, and for a half-axis
// "pressPercent" and "releasePercent"}, ...] after its buttons.
std::string DumpJson(const ParsedConfiguration& parsed);

}  // namespace tarvel
