// The document's files: read, parse, adopt; format, write safely.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace tarvel {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool CTarvelDoc::OnOpenDocument(const char* path) {
  const LoadResult result = ReadConfiguration(path);
  // A wrong format or a file too large the document has told the user of itself.
  SetOpenFailure(result == LoadResult::Loaded       ? OpenFailure::None
                 : result == LoadResult::CannotOpen ? OpenFailure::CannotRead
                                                    : OpenFailure::Reported);
  return result == LoadResult::Loaded;
}

LoadResult CTarvelDoc::ReadConfiguration(const char* path, LoadObserver* observer) {
  // Only a plain file: a pipe or a port could keep the read waiting for ever.
  std::unique_ptr<std::FILE, FileCloser> file(OpenFileForReading(path));
  if (!file) return LoadResult::CannotOpen;
  return ReadConfiguration(file.get(), observer);
}

LoadResult CTarvelDoc::ReadConfigurationQuietly(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(OpenFileForReading(path));
  if (!file) return LoadResult::CannotOpen;
  return ReadAndAdopt(file.get(), nullptr, false);
}

LoadResult CTarvelDoc::ReadConfiguration(std::FILE* file, LoadObserver* observer) {
  return ReadAndAdopt(file, observer, true);
}

LoadResult CTarvelDoc::ReadAndAdopt(std::FILE* file, LoadObserver* observer, bool showRefusal) {
  // The whole file first, so that a read that fails part way leaves the document as it was. A
  // folder, or a file that cannot be read to its end, is no configuration of the wrong format.
  std::string contents;
  if (!ReadWholeFile(file, kMaxConfigurationFileSize, &contents)) return LoadResult::CannotOpen;
  ParsedConfiguration parsed = ParseConfiguration(contents.data(), contents.size(), observer);
  if (parsed.result == LoadResult::Loaded)
    AdoptRecords(parsed);
  else if (showRefusal)
    ShowRefusal(parsed.result);
  return parsed.result;
}

void CTarvelDoc::AdoptRecords(ParsedConfiguration& parsed) {
  ClearRecords();
  Attached().UntieAll();
  fileVersion = parsed.version;
  for (int r = 0; r < parsed.recordCount; ++r) {
    records[r] = parsed.records[r].release();
    LinkRecord(r);
  }
  recordCount = parsed.recordCount;
  parsed.recordCount = 0;
}

void CTarvelDoc::ShowRefusal(LoadResult result) const {
  if (context_.prompts == nullptr) return;
  if (result == LoadResult::WrongFormat) context_.prompts->ShowWrongFileFormat();
  if (result == LoadResult::TooLarge) context_.prompts->ShowFileTooLarge();
}

size_t CTarvelDoc::MaxConfigurationSize() { return MaxFormattedSize(kMaxRecords); }

size_t CTarvelDoc::FormatConfiguration(char* buffer, size_t size) const {
  const std::string text = tarvel::FormatConfiguration(records, recordCount);
  if (text.size() >= size) return 0;
  std::memcpy(buffer, text.data(), text.size());
  return text.size();
}

bool CTarvelDoc::OnSaveDocument(const char* path) {
  const std::string text = tarvel::FormatConfiguration(records, recordCount);
  // Through a link, the file it points to is replaced; a folder, pipe or device never is.
  const std::string target = SaveTarget(path);
  if (target.empty()) {
    errno = 0;
    return false;
  }
  if (!WriteFileSafely(Files(), target.c_str(), text.data(), text.size())) return false;
  SetModifiedFlag(false);
  return true;
}

}  // namespace tarvel
