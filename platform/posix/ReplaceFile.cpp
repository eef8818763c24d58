#include <cstdio>

#include "model/FileOps.h"

namespace tarvel {

bool ReplaceFileAtomically(const char* from, const char* to) { return std::rename(from, to) == 0; }

}  // namespace tarvel
