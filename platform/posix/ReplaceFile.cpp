#include <sys/stat.h>

#include <cstdio>

#include "model/FileOps.h"

namespace tarvel {

bool ReplaceFileAtomically(const char* from, const char* to) {
  // A file the user made read-only is left alone, also when we could replace it (as root).
  struct stat target;
  if (stat(to, &target) == 0 && S_ISREG(target.st_mode) && (target.st_mode & 0222) == 0)
    return false;
  return std::rename(from, to) == 0;
}

}  // namespace tarvel
