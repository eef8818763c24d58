#pragma once
#include <string>
#include <vector>

#include "model/DocView.h"
#include "tests/doubles/EventLog.h"

namespace tarvel::test {

// The document's one view: records every call, in order, as text ("SetPressedMark 3 on").
class FakeView final : public DocView {
 public:
  void RefreshRowTexts(int row) override { Record("RefreshRowTexts " + std::to_string(row)); }
  void RefreshRowImage(int row) override { Record("RefreshRowImage " + std::to_string(row)); }
  void SetPressedMark(int row, bool on) override {
    Record("SetPressedMark " + std::to_string(row) + (on ? " on" : " off"));
  }
  void SetCaptureMark(int row, bool on) override {
    Record("SetCaptureMark " + std::to_string(row) + (on ? " on" : " off"));
  }
  void RebuildRows() override { Record("RebuildRows"); }
  void OnUpdate(DocView* sender, long hint) override {
    Record(std::string("OnUpdate ") + (sender == nullptr ? "null" : "view") + " " +
           std::to_string(hint));
  }

  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call ? 1 : 0;
    return n;
  }
  // Calls whose text starts with prefix.
  int CountStarting(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : calls) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  void Clear() { calls.clear(); }

  std::vector<std::string> calls;
  EventLog* log = nullptr;

 private:
  void Record(const std::string& call) {
    calls.push_back(call);
    LogTo(log, "view " + call);
  }
};

}  // namespace tarvel::test
