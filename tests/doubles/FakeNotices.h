#pragma once
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "model/ForegroundIntegrity.h"
#include "model/UserNotices.h"

namespace tarvel::test {

// The window in front and its program, as the test sets them: each window answers with the
// elevation and program name given for it (NotHigher and "" unless told).
class FakeIntegrity final : public ForegroundIntegrity {
 public:
  struct Process {
    Elevation elevation = Elevation::NotHigher;
    std::string program;
  };
  WindowHandle ForegroundWindow() override { return foreground; }
  Elevation CompareProcessOf(WindowHandle window, char* name, int size) override {
    ++comparisons;
    const Process& p = processes[window];
    std::snprintf(name, static_cast<size_t>(size), "%s", p.program.c_str());
    return p.elevation;
  }

  WindowHandle foreground = nullptr;
  std::map<WindowHandle, Process> processes;
  int comparisons = 0;
};

// Every status text and balloon, in order.
class RecordingNotices final : public UserNotices {
 public:
  void ShowStatusText(const char* text) override { statuses.emplace_back(text); }
  void ShowTrayBalloon(const char* text) override { balloons.emplace_back(text); }

  std::vector<std::string> statuses;
  std::vector<std::string> balloons;
};

}  // namespace tarvel::test
