#include <windows.h>

#include "model/FileOps.h"

namespace tarvel {

bool ReplaceFileAtomically(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace tarvel
