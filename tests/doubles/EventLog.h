#pragma once
#include <string>
#include <vector>

namespace tarvel::test {

// One ordered list of what several fakes saw, so that a test can check the order of calls that
// cross seams (the timer stopped before any controller is released, a question answered before
// the rows are rebuilt).
struct EventLog {
  std::vector<std::string> events;

  void Add(const std::string& event) { events.push_back(event); }
  void Clear() { events.clear(); }
  // Index of the first event equal to event at or after from, or -1.
  int Find(const std::string& event, int from = 0) const {
    for (int i = from; i < static_cast<int>(events.size()); ++i)
      if (events[i] == event) return i;
    return -1;
  }
  // Index of the last event equal to event, or -1.
  int FindLast(const std::string& event) const {
    for (int i = static_cast<int>(events.size()) - 1; i >= 0; --i)
      if (events[i] == event) return i;
    return -1;
  }
  int Count(const std::string& event) const {
    int n = 0;
    for (const auto& e : events) n += e == event ? 1 : 0;
    return n;
  }
};

inline void LogTo(EventLog* log, const std::string& event) {
  if (log != nullptr) log->Add(event);
}

}  // namespace tarvel::test
