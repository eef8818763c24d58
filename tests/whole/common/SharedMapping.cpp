#include "SharedMapping.h"

namespace wholetest {

std::string SharedFilePath(const std::string& name) {
  char folder[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof(folder), folder);
  std::string path = length > 0 && length < sizeof(folder) ? std::string(folder, length) : ".\\";
  if (path.back() != '\\') path += '\\';
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    path += plain ? c : '_';
  }
  return path + ".tarvelshm";
}

bool SharedMapping::Open(const std::string& name, size_t size, bool create) {
  Close();
  const std::string path = SharedFilePath(name);
  file_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER fileSize;
  DWORD error = ERROR_SUCCESS;
  if (!GetFileSizeEx(file_, &fileSize)) {
    error = GetLastError();
  } else if (static_cast<unsigned long long>(fileSize.QuadPart) < size) {
    // Growing only: a file that is too short gets zeros, which every layout reads as empty.
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!create) {
      error = ERROR_INVALID_DATA;
    } else if (!SetFilePointerEx(file_, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file_)) {
      error = GetLastError();
    }
  }
  if (error == ERROR_SUCCESS) {
    mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    if (mapping_ == nullptr) error = GetLastError();
  }
  if (error == ERROR_SUCCESS) {
    view_ = MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
    if (view_ == nullptr) error = GetLastError();
  }
  if (error == ERROR_SUCCESS) return true;
  Close();
  SetLastError(error);
  return false;
}

void SharedMapping::Close() {
  if (view_ != nullptr) UnmapViewOfFile(view_);
  if (mapping_ != nullptr) CloseHandle(mapping_);
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  view_ = nullptr;
  mapping_ = nullptr;
  file_ = INVALID_HANDLE_VALUE;
}

std::string EnvironmentOr(const char* variable, const char* fallback) {
  char value[512];
  const DWORD length = GetEnvironmentVariableA(variable, value, sizeof(value));
  if (length == 0 || length >= sizeof(value)) return fallback;
  return std::string(value, length);
}

long long QpcNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

long long QpcFrequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

}  // namespace wholetest
