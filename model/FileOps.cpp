#include "model/FileOps.h"

#include <cstdio>
#include <string>

namespace tarvel {
namespace {

class StdioFileOps final : public FileOps {
 public:
  void* Create(const char* path) override { return std::fopen(path, "wb"); }

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

  void Remove(const char* path) override { std::remove(path); }

  bool Exists(const char* path) override { return PathExists(path); }
};

// Tries for a temporary name beside the target.
constexpr int kTemporaryNames = 10;

constexpr size_t kChunk = 4096;

}  // namespace

FileOps& SystemFileOps() {
  static StdioFileOps ops;
  return ops;
}

bool WriteFileSafely(FileOps& ops, const char* path, const char* data, size_t size) {
  // A file of the user's that happens to carry the temporary name is never touched.
  std::string temporary;
  for (int n = 1; n <= kTemporaryNames && temporary.empty(); ++n) {
    std::string name = std::string(path) + ".saving" + (n == 1 ? "" : std::to_string(n));
    if (!ops.Exists(name.c_str())) temporary = name;
  }
  if (temporary.empty()) return false;
  void* file = ops.Create(temporary.c_str());
  if (file == nullptr) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < size; done += kChunk) {
    const size_t n = size - done < kChunk ? size - done : kChunk;
    ok = ops.Write(file, data + done, n);
  }
  ok = ops.Close(file) && ok;
  if (ok) ok = ops.Replace(temporary.c_str(), path);
  if (!ok) ops.Remove(temporary.c_str());
  return ok;
}

}  // namespace tarvel
