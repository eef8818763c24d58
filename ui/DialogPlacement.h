#pragma once
#include <windows.h>

namespace tarvel {

// Centres a dialog on its owner window (on the screen when it has none or the owner is hidden),
// kept inside the work area of the owner's monitor.
void CenterOnOwner(HWND dialog);

}  // namespace tarvel
