#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

namespace tarvel {

// The file layer under the configuration writer. Saving writes a temporary file beside the
// target and moves it over the target only when every write and the close succeeded.
class FileOps {
 public:
  virtual void* Create(const char* path) = 0;  // create or truncate for binary writing
  virtual bool Write(void* file, const void* data, size_t size) = 0;
  virtual bool Close(void* file) = 0;  // flushes; false when anything was not written
  virtual bool Replace(const char* from, const char* to) = 0;  // atomic where the system allows
  virtual void Remove(const char* path) = 0;
  virtual bool Exists(const char* path) = 0;  // anything by that name: file, folder, link
  // A file itself: not a link, folder, pipe or device.
  virtual bool IsPlainFile(const char* path) = 0;

 protected:
  ~FileOps() = default;
};

// The C runtime's files, and the platform's atomic rename.
FileOps& SystemFileOps();

// Moves from over to, replacing to. Implemented once per platform.
bool ReplaceFileAtomically(const char* from, const char* to);
// Whether anything exists by that name. Implemented once per platform.
bool PathExists(const char* path);
// The file that saving to path must replace: where a link points, else path itself. Empty when
// path names something that is no file to replace (a folder, a pipe, a device).
std::string SaveTarget(const char* path);
// Whether path names a file itself: not a link, folder, pipe or device. Once per platform.
bool IsPlainFile(const char* path);
// Creates or truncates path for binary writing; null on failure. Once per platform.
std::FILE* CreateFileForWriting(const char* path);
// Removes the file; nothing when it cannot. Once per platform.
void RemoveFile(const char* path);
// Opens path for binary reading only when it is a plain file (also through a link): a pipe, a
// port or a device could keep a read waiting for ever. Null otherwise. Once per platform.
std::FILE* OpenFileForReading(const char* path);
// Reads file to its end into contents, stopping once contents holds more than limit bytes (the
// caller then knows the file is too large). False when a read fails before that.
bool ReadWholeFile(std::FILE* file, size_t limit, std::string* contents);
// OpenFileForReading, then ReadWholeFile: false when path is no plain file or a read fails.
bool ReadPlainFile(const char* path, size_t limit, std::string* contents);
// Whether the system's file calls cannot take path, or the temporary names a save of it makes
// (Windows: a full path of MAX_PATH characters or more). Opening and saving refuse such a path
// alike. Once per platform.
bool PathTooLong(const char* path);

#if defined(_WIN32)
// Paths and texts of the program are UTF-8; the system's calls take wide text. Bytes that are
// no UTF-8 are read in the ANSI code page, as callers of the 8-bit calls passed them.
std::wstring WideText(const char* text);
std::string Utf8Text(const wchar_t* text);
#endif

// The longest name a save gives its temporary file: path followed by this many characters.
constexpr size_t kLongestTemporarySuffix = 9;  // ".saving10"

// Writes data to path through a temporary file beside it, named after it and never one that
// exists already; the old file stays intact on failure. On failure errno tells why (the failing
// step's error; ENAMETOOLONG for a path the system cannot take; 0 when unknown), and no temporary
// file is left.
bool WriteFileSafely(FileOps& ops, const char* path, const char* data, size_t size);

}  // namespace tarvel
