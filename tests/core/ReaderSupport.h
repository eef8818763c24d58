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

inline Guid ProductOf(const Guid& instance) {
  Guid g = instance;
  g.data2 = 0xBEEF;
  return g;
}

// A device header line for a controller made with TestGuid.
inline std::string Header(const Guid& instance, const std::string& name) {
  return HeaderLine(instance, ProductOf(instance), name);
}

inline std::string V2Button(int number, int assigned, int virtualKey, int scanCode, int modifiers,
                            const std::string& windowClass = "",
                            const std::string& description = "") {
  char head[96];
  std::snprintf(head, sizeof head, "Button%d = %d,%d,%d,%d,", number, assigned, virtualKey,
                scanCode, modifiers);
  return head + std::to_string(windowClass.size()) + "," + windowClass + "," +
         std::to_string(description.size()) + "," + description;
}

// A whole block: header, count and the given button lines.
inline std::vector<std::string> Block(const Guid& instance, const std::string& name,
                                      const std::vector<std::string>& buttons) {
  std::vector<std::string> lines = {Header(instance, name),
                                    "NumberOfButtons = " + std::to_string(buttons.size())};
  lines.insert(lines.end(), buttons.begin(), buttons.end());
  return lines;
}

inline std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

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
