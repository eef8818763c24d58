#include "tests/doubles/FaultyFileOps.h"

namespace tarvel::test {

void* FaultyFileOps::Create(const char* path) {
  created.emplace_back(path);
  if (failCreate) return nullptr;
  void* file = inner_.Create(path);
  if (file != nullptr) {
    written_[file] = 0;
    ++openFiles;
  }
  return file;
}

bool FaultyFileOps::Write(void* file, const void* data, size_t size) {
  ++writeCalls;
  int64_t& done = written_[file];
  if (failWriteAtByte >= 0 && done + static_cast<int64_t>(size) > failWriteAtByte) {
    const int64_t room = failWriteAtByte > done ? failWriteAtByte - done : 0;
    if (room > 0) inner_.Write(file, data, static_cast<size_t>(room));
    done += room;
    ++failedWrites;
    return false;
  }
  done += static_cast<int64_t>(size);
  return inner_.Write(file, data, size);
}

bool FaultyFileOps::Close(void* file) {
  ++closes;
  if (written_.erase(file) > 0) --openFiles;
  const bool closed = inner_.Close(file);
  return failClose ? false : closed;
}

bool FaultyFileOps::Replace(const char* from, const char* to) {
  replaced.emplace_back(from, to);
  if (failReplace) return false;
  return inner_.Replace(from, to);
}

void FaultyFileOps::Remove(const char* path) {
  removed.emplace_back(path);
  inner_.Remove(path);
}

bool FaultyFileOps::Exists(const char* path) { return inner_.Exists(path); }

bool FaultyFileOps::IsPlainFile(const char* path) { return inner_.IsPlainFile(path); }

}  // namespace tarvel::test
