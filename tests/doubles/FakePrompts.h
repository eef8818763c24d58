#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "model/UserPrompts.h"
#include "tests/doubles/EventLog.h"

namespace tarvel::test {

// Scripted answers to the new-joystick question (No once the script runs out); records every
// question and every "Wrong file format!" and "too large" message.
class FakePrompts final : public UserPrompts {
 public:
  void ShowWrongFileFormat() override {
    ++wrongFormatShown;
    LogTo(log, "prompt wrong format");
  }
  void ShowFileTooLarge() override {
    ++tooLargeShown;
    LogTo(log, "prompt too large");
  }
  bool AskAddNewJoystick(const char* productName) override {
    questions.push_back(productName == nullptr ? std::string("<null>") : productName);
    LogTo(log, "prompt ask " + questions.back());
    // A modal question runs the message loop: the test may poll here.
    if (whileAsking) whileAsking(questions.back());
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }

  std::deque<bool> answers;  // true = Yes
  std::vector<std::string> questions;
  int wrongFormatShown = 0;
  int tooLargeShown = 0;
  std::function<void(const std::string&)> whileAsking;
  EventLog* log = nullptr;
};

}  // namespace tarvel::test
