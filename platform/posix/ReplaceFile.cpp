#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

bool IsPlainFile(const char* path) {
  struct stat info;
  return lstat(path, &info) == 0 && S_ISREG(info.st_mode);
}

std::FILE* OpenFileForReading(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return nullptr;
  if (!S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return nullptr;
  }
  // Without waiting: should a pipe have taken the file's place since, opening it cannot block.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // What was opened is what is read: it must be a plain file too.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    errno = EINVAL;
    return nullptr;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) close(fd);
  return file;
}

std::FILE* CreateFileForWriting(const char* path) { return std::fopen(path, "wb"); }

void RemoveFile(const char* path) { std::remove(path); }

// The system says so itself (ENAMETOOLONG), for opening and saving alike.
bool PathTooLong(const char*) { return false; }

}  // namespace tarvel
