#include "model/FileOps.h"

#include <cerrno>
#include <cstdio>
#include <string>

namespace tarvel {
namespace {

class StdioFileOps final : public FileOps {
 public:
  void* Create(const char* path) override { return CreateFileForWriting(path); }

  bool Write(void* file, const void* data, size_t size) override {
    return std::fwrite(data, 1, size, static_cast<std::FILE*>(file)) == size;
  }

  bool Close(void* file) override {
    auto* f = static_cast<std::FILE*>(file);
    const bool flushed = std::fflush(f) == 0 && std::ferror(f) == 0;
    return (std::fclose(f) == 0) && flushed;
  }

  bool Replace(const char* from, const char* to) override {
    return ReplaceFileAtomically(from, to);
  }

  void Remove(const char* path) override { RemoveFile(path); }

  bool Exists(const char* path) override { return PathExists(path); }

  bool IsPlainFile(const char* path) override { return tarvel::IsPlainFile(path); }
};

// The temporary names a save makes beside the target: ".saving", ".saving2" ... ".saving10".
constexpr int kTemporaryNames = 10;
// Further numbers tried, never cleared, when the ten are taken by what is no file of ours.
constexpr int kMoreTemporaryNames = 1000;

std::string TemporaryName(const char* path, int n) {
  return std::string(path) + ".saving" + (n == 1 ? "" : std::to_string(n));
}

std::string FreeTemporaryName(FileOps& ops, const char* path, int first, int last) {
  for (int n = first; n <= last; ++n) {
    std::string name = TemporaryName(path, n);
    if (!ops.Exists(name.c_str())) return name;
  }
  return std::string();
}

// A name beside path for the save's temporary file. A file of the user's that happens to carry a
// temporary name is left alone while any of the ten is free. When all ten are taken they are
// what saves of this file cut off (a crash, a power cut) left behind: the plain files among them
// are removed, never a folder or a link.
std::string ChooseTemporaryName(FileOps& ops, const char* path) {
  std::string name = FreeTemporaryName(ops, path, 1, kTemporaryNames);
  if (!name.empty()) return name;
  for (int n = 1; n <= kTemporaryNames; ++n) {
    const std::string stale = TemporaryName(path, n);
    if (ops.IsPlainFile(stale.c_str())) ops.Remove(stale.c_str());
  }
  name = FreeTemporaryName(ops, path, 1, kTemporaryNames);
  if (!name.empty()) return name;
  return FreeTemporaryName(ops, path, kTemporaryNames + 1, kMoreTemporaryNames);
}

constexpr size_t kChunk = 4096;

}  // namespace

FileOps& SystemFileOps() {
  static StdioFileOps ops;
  return ops;
}

bool ReadWholeFile(std::FILE* file, size_t limit, std::string* contents) {
  char chunk[16384];
  size_t n;
  while (contents->size() <= limit && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    contents->append(chunk, n);
  return contents->size() > limit || !std::ferror(file);
}

bool ReadPlainFile(const char* path, size_t limit, std::string* contents) {
  std::FILE* file = OpenFileForReading(path);
  if (file == nullptr) return false;
  const bool read = ReadWholeFile(file, limit, contents);
  std::fclose(file);
  return read;
}

bool WriteFileSafely(FileOps& ops, const char* path, const char* data, size_t size) {
  // The error of the step that failed, kept past the clean-up that follows it.
  int failure = 0;
  auto fail = [&failure](bool stepOk) {
    if (!stepOk && failure == 0) failure = errno;
    return stepOk;
  };
  if (PathTooLong(path)) {
    errno = ENAMETOOLONG;
    return false;
  }
  errno = 0;
  const std::string temporary = ChooseTemporaryName(ops, path);
  if (temporary.empty()) {
    errno = EEXIST;
    return false;
  }
  errno = 0;
  void* file = ops.Create(temporary.c_str());
  if (!fail(file != nullptr)) {
    errno = failure;
    return false;
  }
  bool ok = true;
  for (size_t done = 0; ok && done < size; done += kChunk) {
    const size_t n = size - done < kChunk ? size - done : kChunk;
    errno = 0;
    ok = fail(ops.Write(file, data + done, n));
  }
  errno = 0;
  ok = fail(ops.Close(file)) && ok;
  if (ok) {
    errno = 0;
    ok = fail(ops.Replace(temporary.c_str(), path));
  }
  if (!ok) {
    ops.Remove(temporary.c_str());
    errno = failure;
  }
  return ok;
}

}  // namespace tarvel
