#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/core/TestSupport.h"

namespace tarvel::test {

// What the reader reported, as text: "dropped 6", "passed 66", "cleared 5 0 1".
class RecordingObserver final : public LoadObserver {
 public:
  void BlockDropped(int line, const char* reason) override {
    events.push_back("dropped " + std::to_string(line));
    reasons.push_back(reason == nullptr ? "" : reason);
  }
  void BlockPassedOver(int line) override { events.push_back("passed " + std::to_string(line)); }
  void ButtonCleared(int line, int record, int button, const char* reason) override {
    events.push_back("cleared " + std::to_string(line) + " " + std::to_string(record) + " " +
                     std::to_string(button));
    reasons.push_back(reason == nullptr ? "" : reason);
  }

  std::vector<std::string> events;
  std::vector<std::string> reasons;
};

// A document with its seams, a temporary directory and an observer: loads text as a file.
struct Reader : Harness {
  TempDir dir;
  RecordingObserver observer;
  std::string path;

  Reader() : path(dir.File("config.tvm")) {}

  LoadResult Load(const std::string& bytes) {
    WriteBytes(path, bytes);
    return doc.ReadConfiguration(path.c_str(), &observer);
  }
  const DeviceRecord& Record(int index) const { return *doc.records[index]; }
  const ButtonMapping& Entry(int record, int button) const {
    return doc.records[record]->buttons[button];
  }
};

inline void ExpectEntry(const ButtonMapping& m, int assigned, int virtualKey, int scanCode,
                        int modifiers, const std::string& windowClass,
                        const std::string& description) {
  EXPECT_EQ(m.assigned, assigned);
  EXPECT_EQ(m.virtualKey, virtualKey);
  EXPECT_EQ(m.scanCode, scanCode);
  EXPECT_EQ(m.modifiers, modifiers);
  EXPECT_EQ(std::string(m.windowClass), windowClass);
  EXPECT_EQ(std::string(m.description), description);
  EXPECT_EQ(m.state, 0);
}

inline void ExpectCleared(const ButtonMapping& m) { ExpectEntry(m, 0, 0, 0, 0, "", ""); }

// Every text field of the document ends within its buffer.
inline void ExpectFieldsTerminated(const CTarvelDoc& doc) {
  ASSERT_GE(doc.recordCount, 0);
  ASSERT_LE(doc.recordCount, kMaxRecords);
  for (int r = 0; r < doc.recordCount; ++r) {
    const DeviceRecord& rec = *doc.records[r];
    ASSERT_NE(std::memchr(rec.name, 0, sizeof rec.name), nullptr);
    ASSERT_GE(rec.buttonCount, 0);
    ASSERT_LE(rec.buttonCount, kMaxButtons);
    for (const ButtonMapping& m : rec.buttons) {
      ASSERT_NE(std::memchr(m.windowClass, 0, sizeof m.windowClass), nullptr);
      ASSERT_NE(std::memchr(m.description, 0, sizeof m.description), nullptr);
    }
  }
}

}  // namespace tarvel::test
