#include "platform/win32/Win32ForegroundIntegrity.h"

#include <windows.h>

namespace tarvel {
namespace {

bool LevelOfToken(HANDLE process, uint32_t* level) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return false;
  // The label and its SID, which GetTokenInformation puts after it.
  union {
    TOKEN_MANDATORY_LABEL label;
    BYTE bytes[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  } buffer = {};
  DWORD length = 0;
  const BOOL read =
      GetTokenInformation(token, TokenIntegrityLevel, &buffer, sizeof buffer, &length);
  CloseHandle(token);
  const PSID sid = buffer.label.Label.Sid;
  if (!read || sid == nullptr || !IsValidSid(sid)) return false;
  const UCHAR count = *GetSidSubAuthorityCount(sid);
  if (count == 0) return false;
  *level = static_cast<uint32_t>(*GetSidSubAuthority(sid, count - 1u));
  return true;
}

// The file name of the process's program, without its folder.
void ProgramNameOf(HANDLE process, char* name, int size) {
  if (size <= 0) return;
  name[0] = '\0';
  char path[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  if (!QueryFullProcessImageNameA(process, 0, path, &length)) return;
  const char* file = path;
  for (const char* c = path; *c != '\0'; ++c)
    if (*c == '\\' || *c == '/') file = c + 1;
  lstrcpynA(name, file, size);
}

}  // namespace

Win32ForegroundIntegrity::Win32ForegroundIntegrity() {
  ownKnown_ = LevelOfToken(GetCurrentProcess(), &ownLevel_);
}

WindowHandle Win32ForegroundIntegrity::ForegroundWindow() { return GetForegroundWindow(); }

bool Win32ForegroundIntegrity::IntegrityLevelOfProcess(uint32_t processId, uint32_t* level,
                                                       char* name, int size) {
  if (size > 0) name[0] = '\0';
  // The limited right is the one that a process of a higher level still grants to ours.
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return false;
  ProgramNameOf(process, name, size);
  const bool known = LevelOfToken(process, level);
  CloseHandle(process);
  return known;
}

Elevation Win32ForegroundIntegrity::CompareProcessOf(WindowHandle window, char* name, int size) {
  if (size > 0) name[0] = '\0';
  DWORD processId = 0;
  if (GetWindowThreadProcessId(static_cast<HWND>(window), &processId) == 0 || processId == 0)
    return Elevation::Unknown;
  uint32_t level = 0;
  if (!IntegrityLevelOfProcess(processId, &level, name, size) || !ownKnown_)
    return Elevation::Unknown;
  return level > ownLevel_ ? Elevation::Higher : Elevation::NotHigher;
}

}  // namespace tarvel
