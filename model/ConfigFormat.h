#pragma once
#include <cstddef>
#include <memory>
#include <string>

#include "model/DeviceRecord.h"

namespace tarvel {

// The configuration file format as two pure functions: bytes to records, records to bytes. No
// files, no prompts, no controllers; the document, tarvelcfg, the fuzzer and the benchmarks share
// them.

// A configuration is a few hundred kilobytes at most; a file far beyond that is none.
constexpr size_t kMaxConfigurationFileSize = 16u << 20;

// TooLarge: longer than any configuration can be (16 MiB), and not read.
enum class LoadResult { Loaded, CannotOpen, WrongFormat, TooLarge };

// Told by the reader about everything it leaves out, with 1-based line numbers.
class LoadObserver {
 public:
  virtual void BlockDropped(int line, const char* reason) = 0;
  virtual void BlockPassedOver(int line) = 0;  // a block past the sixteenth record
  virtual void ButtonCleared(int line, int record, int button, const char* reason) = 0;
  // Text the reader passes over that is part of no block: nothing of it is loaded. mayHoldData:
  // it looks like part of a configuration (a header, a count, a button line), not like a note.
  virtual void TextIgnored(int /*line*/, bool /*mayHoldData*/, const char* /*reason*/) {}
  // A text longer than its field, of which only the start is kept; button -1: the device name.
  virtual void TextCut(int /*line*/, int /*record*/, int /*button*/, const char* /*what*/) {}

 protected:
  ~LoadObserver() = default;
};

// What a file holds: its version digit and the records it gives, tied to no controller.
struct ParsedConfiguration {
  LoadResult result = LoadResult::WrongFormat;  // Loaded, WrongFormat or TooLarge
  int version = 0;
  int recordCount = 0;
  std::unique_ptr<DeviceRecord> records[kMaxRecords];
};

// Which lines a block may hold. Classic: the header, the count and the button lines alone, as
// every reader before actions read them; anything else between blocks is passed over.
// WithActions: also "Button<N>Action = Hold" and "Button<N>Action = Turbo,<rate>" lines after the
// button lines, which the classic rules pass over, so older readers load the buttons unchanged.
enum class ReadRules { Classic, WithActions };

// Reads a whole file's bytes. The report (may be null) hears, in file order, of everything that
// is left out and why: what `tarvelcfg check` prints.
ParsedConfiguration ParseConfiguration(const char* data, size_t size,
                                       LoadObserver* report = nullptr,
                                       ReadRules rules = ReadRules::WithActions);

// The records in the current file format (version 2, CR LF line ends).
std::string FormatConfiguration(const DeviceRecord* const* records, int count);
std::string FormatConfiguration(const ParsedConfiguration& parsed);
// An upper bound of the length of FormatConfiguration's text for that many records.
size_t MaxFormattedSize(int recordCount);

}  // namespace tarvel
