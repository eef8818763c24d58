#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>

#include "model/FileOps.h"

namespace tarvel {

namespace {

bool SameLetters(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// A name the system takes for a device wherever it stands: CON, PRN, AUX, NUL, COM1-9 and LPT1-9,
// also with an extension or a colon ("COM1.tvm", "aux:"); and anything in the device namespace
// ("\\.\COM1", "\\.\pipe\name").
bool IsDeviceName(const char* path) {
  if (std::strncmp(path, "\\\\.\\", 4) == 0 || std::strncmp(path, "//./", 4) == 0) return true;
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  // The part before the first dot or colon, without trailing blanks.
  size_t length = std::strcspn(name, ".:");
  while (length > 0 && name[length - 1] == ' ') --length;
  if (*name == '\0' && name > path && name[-1] == ':') {
    // "COM1:" names the device too: the part before the colon.
    const char* end = name - 1;
    const char* start = end;
    while (start > path && start[-1] != '\\' && start[-1] != '/' && start[-1] != ':') --start;
    name = start;
    length = static_cast<size_t>(end - start);
  }
  static const char* const kPlain[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* device : kPlain)
    if (length == std::strlen(device) && SameLetters(name, device, length)) return true;
  if (length == 4 && (SameLetters(name, "COM", 3) || SameLetters(name, "LPT", 3)) &&
      name[3] >= '1' && name[3] <= '9')
    return true;
  return false;
}

}  // namespace

std::wstring WideText(const char* text) {
  const int length = static_cast<int>(std::strlen(text));
  if (length == 0) return std::wstring();
  UINT codePage = CP_UTF8;
  int wide = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
  if (wide == 0) {
    codePage = CP_ACP;
    wide = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
  }
  std::wstring result(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(codePage, 0, text, length, result.data(), wide);
  return result;
}

std::string Utf8Text(const wchar_t* text) {
  const int length = static_cast<int>(std::wcslen(text));
  if (length == 0) return std::string();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), bytes, nullptr, nullptr);
  return result;
}

bool ReplaceFileAtomically(const char* from, const char* to) {
  // A file the user made read-only is left alone.
  const std::wstring target = WideText(to);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    return false;
  return MoveFileExW(WideText(from).c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool PathExists(const char* path) {
  return GetFileAttributesW(WideText(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SaveTarget(const char* path) {
  if (IsDeviceName(path)) return std::string();
  const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return std::string();
  return path;
}

bool IsPlainFile(const char* path) {
  if (IsDeviceName(path)) return false;
  const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::FILE* OpenFileForReading(const char* path) {
  // A port, the console or a pipe could keep the read waiting for ever: never opened.
  if (IsDeviceName(path) || PathTooLong(path)) {
    errno = EINVAL;
    return nullptr;
  }
  HANDLE handle =
      CreateFileW(WideText(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
    return nullptr;
  }
  // What was opened is what is read: a file on a disk, nothing else.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    errno = EINVAL;
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) _close(fd);
  return file;
}

std::FILE* CreateFileForWriting(const char* path) { return _wfopen(WideText(path).c_str(), L"wb"); }

void RemoveFile(const char* path) { DeleteFileW(WideText(path).c_str()); }

bool PathTooLong(const char* path) {
  // The system's limit counts wide characters.
  const std::wstring wide = WideText(path);
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
  // The temporary file of a save needs room for its suffix too.
  return length == 0 ? wide.size() + kLongestTemporarySuffix >= MAX_PATH
                     : length + kLongestTemporarySuffix >= MAX_PATH;
}

}  // namespace tarvel
