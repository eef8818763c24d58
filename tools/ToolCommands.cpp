#include "tools/ToolCommands.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "model/ConfigFormat.h"
#include "model/FileOps.h"
#include "model/UserPrompts.h"
#include "tools/CheckReport.h"
#include "tools/JsonDump.h"

namespace tarvel {

namespace {

constexpr const char* kUsage =
    "usage: tarvelcfg check FILE        report what of FILE cannot be loaded, and a summary\n"
    "       tarvelcfg dump FILE         print the configuration in FILE as JSON\n"
    "       tarvelcfg upgrade IN OUT    read IN and write it to OUT in the current format\n"
    "exit status: 0 loaded, 1 file cannot be opened (not a plain file, larger than 16 MiB)\n"
    "             or written, 2 wrong file format,\n"
    "             3 upgrade refused: reading IN loses part of it, 64 usage error\n";

// A file that saving refuses to replace (as the program does), whoever could write it.
bool IsReadOnly(const std::string& path) {
  using std::filesystem::perms;
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  return !error && std::filesystem::is_regular_file(status) &&
         (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) ==
             perms::none;
}

int Load(const char* path, ParsedConfiguration* parsed, LoadObserver* observer, std::ostream& err) {
  // Some C runtimes open a directory as an empty file; it is not a configuration either way.
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    err << "tarvelcfg: cannot open " << path << ": it is a directory\n";
    return kExitFileError;
  }
  std::string contents;
  if (!ReadPlainFile(path, kMaxConfigurationFileSize, &contents)) {
    err << "tarvelcfg: cannot open " << path;
    if (PathTooLong(path))
      err << ": the path is too long";
    else if (PathExists(path) && !std::filesystem::is_regular_file(path, error))
      err << ": it is not a plain file";
    err << '\n';
    return kExitFileError;
  }
  *parsed = ParseConfiguration(contents.data(), contents.size(), observer);
  switch (parsed->result) {
    case LoadResult::Loaded:
      return kExitLoaded;
    case LoadResult::TooLarge:
      err << "tarvelcfg: cannot open " << path << ": larger than 16 MiB\n";
      return kExitFileError;
    case LoadResult::WrongFormat:
      err << kWrongFileFormatText << '\n';
      return kExitWrongFormat;
    case LoadResult::CannotOpen:
      break;
  }
  return kExitFileError;
}

// As the program saves: through a link to the file it points to, never over a folder, pipe or
// device, through a temporary file. errno tells why it failed, or is 0.
bool Save(const ParsedConfiguration& parsed, const char* path) {
  const std::string text = FormatConfiguration(parsed);
  const std::string target = SaveTarget(path);
  if (target.empty()) {
    errno = 0;
    return false;
  }
  return WriteFileSafely(SystemFileOps(), target.c_str(), text.data(), text.size());
}

int Finish(std::ostream& out, std::ostream& err, int status) {
  out.flush();
  if (!out) {
    err << "tarvelcfg: cannot write the output\n";
    return kExitFileError;
  }
  return status;
}

int Check(const char* path, std::ostream& out, std::ostream& err) {
  ParsedConfiguration parsed;
  CheckReport report;
  const int status = Load(path, &parsed, &report, err);
  if (status != kExitLoaded) return status;
  out << report.Lines() << CheckSummary(parsed, report) << '\n';
  return Finish(out, err, status);
}

int Dump(const char* path, std::ostream& out, std::ostream& err) {
  ParsedConfiguration parsed;
  const int status = Load(path, &parsed, nullptr, err);
  if (status != kExitLoaded) return status;
  out << DumpJson(parsed) << '\n';
  return Finish(out, err, status);
}

int Upgrade(const char* in, const char* outPath, std::ostream& err) {
  ParsedConfiguration parsed;
  CheckReport report;
  const int status = Load(in, &parsed, &report, err);
  if (status != kExitLoaded) return status;
  // What the reader leaves out would be gone from OUT, and from IN when they are one file.
  if (report.LostData()) {
    err << report.Lines() << "tarvelcfg: " << in
        << ": nothing written: reading it loses what is listed above\n";
    return kExitWouldLose;
  }
  // Texts cut to their fields are what the program keeps of them too: said, not refused.
  if (report.CutTexts() > 0) err << report.Lines();
  errno = 0;
  if (!Save(parsed, outPath)) {
    // errno is that of the step that failed, or 0.
    const int failure = errno;
    err << "tarvelcfg: cannot write " << outPath;
    const std::string target = SaveTarget(outPath);
    if (target.empty())
      err << ": it is not a plain file";
    else if (IsReadOnly(target))
      err << ": it is read-only";
    else if (failure != 0)
      err << ": " << std::strerror(failure);
    err << '\n';
    return kExitFileError;
  }
  return kExitLoaded;
}

bool Is(const char* arg, const char* word) { return std::strcmp(arg, word) == 0; }

}  // namespace

int RunTarvelcfg(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc == 2 && (Is(argv[1], "--help") || Is(argv[1], "-h"))) {
    out << kUsage;
    return Finish(out, err, kExitLoaded);
  }
  if (argc == 3 && Is(argv[1], "check")) return Check(argv[2], out, err);
  if (argc == 3 && Is(argv[1], "dump")) return Dump(argv[2], out, err);
  if (argc == 4 && Is(argv[1], "upgrade")) return Upgrade(argv[2], argv[3], err);
  err << kUsage;
  return kExitUsage;
}

}  // namespace tarvel
