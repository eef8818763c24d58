#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "Driver.h"

namespace tarveldrive {

bool ParseNumber(const std::string& text, long long* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const long long parsed = hex ? static_cast<long long>(std::strtoull(text.c_str(), &end, 16))
                               : std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0') {
    std::fprintf(stderr, "tarveldrive: \"%s\" is not a number\n", text.c_str());
    return false;
  }
  *value = parsed;
  return true;
}

bool ParseSlot(const std::string& text, int* index) {
  long long value;
  if (!ParseNumber(text, &value)) return false;
  if (value < 0 || value >= fakedinput::kMaxControllers) {
    std::fprintf(stderr, "tarveldrive: controller slot %s is not in 0..%d\n", text.c_str(),
                 fakedinput::kMaxControllers - 1);
    return false;
  }
  *index = static_cast<int>(value);
  return true;
}

bool ParseTimeout(const std::string& text, DWORD* milliseconds) {
  long long value;
  if (!ParseNumber(text, &value)) return false;
  if (value < 0 || value > 3600 * 1000) {
    std::fprintf(stderr, "tarveldrive: timeout %s ms is not in 0..3600000\n", text.c_str());
    return false;
  }
  *milliseconds = static_cast<DWORD>(value);
  return true;
}

bool ParseResult(const std::string& text, HRESULT* result) {
  struct Named {
    const char* name;
    HRESULT value;
  };
  static const Named kNames[] = {
      {"DIERR_INPUTLOST", DIERR_INPUTLOST},
      {"DIERR_NOTACQUIRED", DIERR_NOTACQUIRED},
      {"DIERR_UNPLUGGED", static_cast<HRESULT>(DIERR_UNPLUGGED)},
      {"DIERR_INVALIDPARAM", DIERR_INVALIDPARAM},
      {"DIERR_GENERIC", DIERR_GENERIC},
      {"DIERR_DEVICENOTREG", DIERR_DEVICENOTREG},
      {"DIERR_UNSUPPORTED", DIERR_UNSUPPORTED},
      {"DIERR_OTHERAPPHASPRIO", DIERR_OTHERAPPHASPRIO},
      {"DIERR_ACQUIRED", DIERR_ACQUIRED},
      {"DIERR_OUTOFMEMORY", DIERR_OUTOFMEMORY},
      {"DI_NOEFFECT", DI_NOEFFECT},
      {"E_FAIL", E_FAIL},
  };
  for (const Named& named : kNames) {
    if (text == named.name) {
      *result = named.value;
      return true;
    }
  }
  long long value;
  if (!ParseNumber(text, &value)) return false;
  if (value == 0 || value < INT32_MIN || value > UINT32_MAX) {
    std::fprintf(stderr, "tarveldrive: result %s is not a nonzero 32-bit code\n", text.c_str());
    return false;
  }
  *result = static_cast<HRESULT>(static_cast<uint32_t>(value));
  return true;
}

bool WaitUntil(DWORD timeoutMs, const std::function<bool()>& done) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(1);
  }
}

std::string Hex(unsigned long long value, int digits) {
  char text[24];
  std::snprintf(text, sizeof(text), "0x%0*llX", digits, value);
  return text;
}

}  // namespace tarveldrive
