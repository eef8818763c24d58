#pragma once
#include <cstddef>

#include "base/WindowHandle.h"
#include "model/Delivery.h"
#include "model/ForegroundIntegrity.h"
#include "model/UserNotices.h"

namespace tarvel {

constexpr int kProgramNameSize = 64;
constexpr int kDeliveryTextSize = 256;

// The words for a delivery that failed: target is the program's file name for keys into the
// input stream (empty: the program in front), the window class for key messages.
void FormatDeliveryText(const Delivery& delivery, const char* target, char* buffer, size_t size);

// Whether keys into the input stream can reach the window in front: the answer of the integrity
// seam, asked again only when another window comes to the front.
class ForegroundCheck {
 public:
  explicit ForegroundCheck(ForegroundIntegrity* integrity) : integrity_(integrity) {}
  // Higher only when the window in front belongs to a process of a higher integrity level.
  Elevation Check();
  // The program of the window checked last; empty when it is not known.
  const char* ProgramName() const { return program_; }

 private:
  ForegroundIntegrity* integrity_;
  WindowHandle window_ = nullptr;
  Elevation answer_ = Elevation::Unknown;
  char program_[kProgramNameSize] = {};
};

// The one place where a delivery that failed becomes words for the user: the status bar says
// what happened each time, and the tray icon shows one balloon per target and run. "No window
// of class ... is open." goes to the status bar alone, once until such a window is found. The
// next delivery that arrives puts the status bar's usual text back.
class DeliveryReports {
 public:
  static constexpr int kMaxTargets = 32;

  void SetNotices(UserNotices* notices) { notices_ = notices; }
  void Report(const Delivery& delivery, const char* target);
  // Another note on what became of a press, in the status bar until the next delivery.
  void Notify(const char* text);
  // A window of the class was found: the next time none is, that is news again.
  void WindowFound(const char* className);

 private:
  // Remembers target in list; false when it was there already. A full list remembers nothing
  // more and answers whenFull.
  static bool Remember(char (*list)[kProgramNameSize], int* count, char kind, const char* target,
                       bool whenFull);

  UserNotices* notices_ = nullptr;
  bool statusShown_ = false;
  char ballooned_[kMaxTargets][kProgramNameSize] = {};
  int balloonedCount_ = 0;
  char missing_[kMaxTargets][kProgramNameSize] = {};
  int missingCount_ = 0;
};

}  // namespace tarvel
