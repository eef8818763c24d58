// tarveldrive: what every command shares.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/SharedMapping.h"
#include "fakedinput/FakeDInputShared.h"
#include "keysink/KeySinkShared.h"

namespace tarveldrive {

// Exit codes.
inline constexpr int kOk = 0;
inline constexpr int kNotMet = 1;    // a wait timed out, a check failed
inline constexpr int kUsage = 2;     // bad command line
inline constexpr int kNoShared = 3;  // shared memory missing or of another layout

class Context {
 public:
  std::vector<std::string> args;  // the command's own arguments

  // The shared memories, mapped on first use. Null (with the reason on stderr unless `quiet`)
  // when they do not exist yet: `init` or a running sink makes them.
  fakedinput::FakeDInputShared* Controllers(bool quiet = false);
  keysink::KeySinkLog* Sink(bool quiet = false);

 private:
  wholetest::SharedMapping controllers_;
  wholetest::SharedMapping sink_;
};

using CommandFunction = int (*)(Context&);

struct Command {
  const char* name;
  int minArgs;
  int maxArgs;
  const char* usage;
  CommandFunction run;
};

// Command tables of the command files, each ending with a null name.
extern const Command kSessionCommands[];
extern const Command kControllerCommands[];
extern const Command kQueryCommands[];
extern const Command kSinkCommands[];
extern const Command kWindowCommands[];
extern const Command kListViewCommands[];
extern const Command kXInputCommands[];

// Argument parsing; each prints what is wrong and returns false.
bool ParseNumber(const std::string& text, long long* value);  // decimal or 0x hexadecimal
bool ParseSlot(const std::string& text, int* index);          // 0 .. 19
bool ParseTimeout(const std::string& text, DWORD* milliseconds);
bool ParseResult(const std::string& text, HRESULT* result);  // a number or a DIERR_ name

// Calls `done` every millisecond until it answers true (true) or the time is up (false).
bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& done);

// Empties the key log, through the sink when one runs; false when it did not answer in time.
// (SessionCommands.cpp)
bool ClearKeyLog(keysink::KeySinkLog* log, DWORD timeoutMs);

// A top-level window by class, or by class and title as CLASS:TITLE; null (with the reason
// printed) when there is none. (WindowCommands.cpp)
HWND FindTopLevel(const std::string& target);
// SendMessageTimeout; prints the result. kNotMet when the window did not answer in time.
int SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs);

// "0x8007001E"
std::string Hex(unsigned long long value, int digits = 8);

}  // namespace tarveldrive
