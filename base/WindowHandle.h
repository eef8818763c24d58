#pragma once

namespace tarvel {

// A window of the platform (HWND on Windows), as the portable code passes it along.
using WindowHandle = void*;

}  // namespace tarvel
