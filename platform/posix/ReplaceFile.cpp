#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "model/FileOps.h"

namespace tarvel {

bool ReplaceFileAtomically(const char* from, const char* to) {
  struct stat target;
  if (stat(to, &target) == 0 && S_ISREG(target.st_mode)) {
    // A file the user made read-only is left alone, also when we could replace it (as root).
    if ((target.st_mode & 0222) == 0) return false;
    // The new file keeps the old one's permissions.
    chmod(from, target.st_mode & 07777);
  }
  return std::rename(from, to) == 0;
}

bool PathExists(const char* path) {
  struct stat info;
  return lstat(path, &info) == 0;
}

std::string SaveTarget(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0) return path;
  std::string target = path;
  if (S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    // A link to nothing yet: the file is made where it points only once it exists.
    if (realpath(path, resolved) == nullptr) return path;
    target = resolved;
    if (stat(resolved, &info) != 0) return target;
  }
  return S_ISREG(info.st_mode) ? target : std::string();
}

}  // namespace tarvel
