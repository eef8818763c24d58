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
};

constexpr size_t kChunk = 4096;

}  // namespace

FileOps& SystemFileOps() {
  static StdioFileOps ops;
  return ops;
}

bool WriteFileSafely(FileOps& ops, const char* path, const char* data, size_t size) {
  const std::string temporary = std::string(path) + ".saving";
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
