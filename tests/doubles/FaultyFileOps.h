#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/FileOps.h"

namespace tarvel::test {

// The system's files with faults on demand: a create that fails, a disk that fills up at byte N
// (the bytes before it reach the file), a close that reports lost data, a rename that fails.
// Records every path it was asked to create, replace or remove.
class FaultyFileOps final : public FileOps {
 public:
  FaultyFileOps() : inner_(SystemFileOps()) {}

  void* Create(const char* path) override;
  bool Write(void* file, const void* data, size_t size) override;
  bool Close(void* file) override;
  bool Replace(const char* from, const char* to) override;
  void Remove(const char* path) override;
  bool Exists(const char* path) override;
  bool IsPlainFile(const char* path) override;

  bool failCreate = false;
  int64_t failWriteAtByte = -1;  // -1: never; else the first byte that cannot be written
  bool failClose = false;
  bool failReplace = false;

  std::vector<std::string> created;
  std::vector<std::pair<std::string, std::string>> replaced;  // asked, failed ones included
  std::vector<std::string> removed;
  int writeCalls = 0;
  int failedWrites = 0;
  int closes = 0;
  int openFiles = 0;  // created and not yet closed

 private:
  FileOps& inner_;
  std::map<void*, int64_t> written_;
};

}  // namespace tarvel::test
