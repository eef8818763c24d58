// Shared memory between the test programs: a file mapping over a file in the temporary folder.
//
// Backed by a file rather than by the page file on purpose: a page-file mapping lives only while
// some process holds a handle to it, so the state that one short-lived driver command writes
// would vanish before the program under test starts, unless a helper process were kept running
// in the background; and under Wine such a helper inherits the caller's standard error, which
// makes a script (or ctest) that reads that stream wait for it. A file keeps the state between
// processes with nobody holding it; every process that maps it sees the others' writes at once
// (the same pages), and Interlocked operations work across processes on it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace wholetest {

class SharedMapping {
 public:
  SharedMapping() = default;
  SharedMapping(const SharedMapping&) = delete;
  SharedMapping& operator=(const SharedMapping&) = delete;
  ~SharedMapping() { Close(); }

  // Maps the first `size` bytes of the file for `name` (SharedFilePath). With `create` a missing
  // file is made and a short one is extended with zeros; without, a missing or short file fails.
  // On failure returns false; GetLastError says why.
  bool Open(const std::string& name, size_t size, bool create);
  void Close();

  void* data() const { return view_; }
  bool IsOpen() const { return view_ != nullptr; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  void* view_ = nullptr;
};

// The file behind the shared memory `name`: "<temporary folder>\<name>.tarvelshm", where every
// character of the name other than a letter, a digit, '.', '-' and '_' becomes '_'.
std::string SharedFilePath(const std::string& name);

// The value of an environment variable, or `fallback` when it is unset or empty.
std::string EnvironmentOr(const char* variable, const char* fallback);

// QueryPerformanceCounter and QueryPerformanceFrequency as plain numbers.
long long QpcNow();
long long QpcFrequency();

}  // namespace wholetest
