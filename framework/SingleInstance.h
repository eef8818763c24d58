#pragma once
#include <windows.h>

#include <string>

namespace tarvel::fw {

// One running copy of a program per user session. The first start holds a named mutex for its
// whole run; a later start finds the first one's main window by its class, hands it its command
// line (WM_COPYDATA) and ends.
class SingleInstance {
 public:
  enum class Outcome { First, HandedOver, NoAnswer };

  // name: the mutex's name in the session's namespace, without "Local\".
  explicit SingleInstance(const char* name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // First: nobody else runs (or the one that did has ended meanwhile), so this process is the
  // first now. HandedOver: the running copy took the command line. NoAnswer: a copy runs but its
  // window did not take the command line within timeoutMs.
  Outcome ClaimOrHandOver(const char* windowClass, const std::string& commandLine, DWORD timeoutMs);

  // The command line that a WM_COPYDATA of a later start carries; false for any other data.
  static bool ReadHandOver(LPARAM copyData, std::string* commandLine);

 private:
  HANDLE mutex_ = nullptr;
  bool owned_ = false;
  bool othersMutexDenied_ = false;
};

// The command line with its file name, when it names one, made a full path against this
// process's current folder: the running copy that receives it may have another.
std::string CommandLineForHandOver(const char* arguments);

}  // namespace tarvel::fw
