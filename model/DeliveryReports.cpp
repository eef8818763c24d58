#include "model/DeliveryReports.h"

#include <cstdio>
#include <cstring>

namespace tarvel {
namespace {

constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidWindowHandle = 1400;
constexpr uint32_t kErrorTimeout = 1460;

void FormatCause(uint32_t error, char* buffer, size_t size) {
  switch (error) {
    case 0:
      std::snprintf(buffer, size, "Windows gave no reason");
      break;
    case kErrorAccessDenied:
      std::snprintf(buffer, size, "access denied; its program may run as administrator");
      break;
    case kErrorInvalidWindowHandle:
      std::snprintf(buffer, size, "the window was closed");
      break;
    case kErrorTimeout:
      std::snprintf(buffer, size, "it did not answer within a second");
      break;
    default:
      std::snprintf(buffer, size, "error %u", static_cast<unsigned>(error));
      break;
  }
}

}  // namespace

void FormatDeliveryText(const Delivery& d, const char* target, char* buffer, size_t size) {
  if (size == 0) return;
  const char* program = target != nullptr && target[0] != '\0' ? target : "the program in front";
  char cause[96];
  FormatCause(d.systemError, cause, sizeof cause);
  switch (d.fault) {
    case DeliveryFault::None:
      buffer[0] = '\0';
      break;
    case DeliveryFault::Elevated:
      std::snprintf(buffer, size,
                    "Keys cannot reach %s: it runs as administrator. Start Tarvel as "
                    "administrator to use it there.",
                    program);
      break;
    case DeliveryFault::PartlyInserted:
      // SendInput sets no error when the input stream is blocked.
      if (d.systemError == 0)
        std::snprintf(cause, sizeof cause,
                      "the input is blocked, perhaps by a program that runs as administrator");
      std::snprintf(buffer, size, "Keys cannot reach %s: Windows took %d of %d key events (%s).",
                    program, d.taken, d.given, cause);
      break;
    case DeliveryFault::WindowRefused:
      std::snprintf(buffer, size, "Keys cannot reach the window of class \"%s\": %s.", target,
                    cause);
      break;
    case DeliveryFault::WindowTimedOut:
      std::snprintf(buffer, size,
                    "Keys cannot reach the window of class \"%s\": it did not answer within a "
                    "second.",
                    target);
      break;
    case DeliveryFault::NoWindow:
      std::snprintf(buffer, size, "No window of class \"%s\" is open.", target);
      break;
  }
}

Elevation ForegroundCheck::Check() {
  if (integrity_ == nullptr) return Elevation::Unknown;
  const WindowHandle window = integrity_->ForegroundWindow();
  if (window == nullptr) return Elevation::Unknown;
  if (window != window_) {
    program_[0] = '\0';
    answer_ = integrity_->CompareProcessOf(window, program_, kProgramNameSize);
    program_[kProgramNameSize - 1] = '\0';
    window_ = window;
  }
  return answer_;
}

bool DeliveryReports::Remember(char (*list)[kProgramNameSize], int* count, char kind,
                               const char* target, bool whenFull) {
  char key[kProgramNameSize];
  std::snprintf(key, sizeof key, "%c%s", kind, target);
  for (int i = 0; i < *count; ++i)
    if (std::strcmp(list[i], key) == 0) return false;
  if (*count >= kMaxTargets) return whenFull;
  std::memcpy(list[(*count)++], key, sizeof key);
  return true;
}

void DeliveryReports::Notify(const char* text) {
  if (notices_ == nullptr) return;
  notices_->ShowStatusText(text);
  statusShown_ = true;
}

void DeliveryReports::Report(const Delivery& delivery, const char* target) {
  if (notices_ == nullptr) return;
  if (delivery.Delivered()) {
    if (statusShown_) notices_->ShowStatusText("");
    statusShown_ = false;
    return;
  }
  const char* name = target != nullptr ? target : "";
  if (delivery.fault == DeliveryFault::NoWindow &&
      !Remember(missing_, &missingCount_, 'W', name, true))
    return;
  char text[kDeliveryTextSize];
  FormatDeliveryText(delivery, name, text, sizeof text);
  notices_->ShowStatusText(text);
  statusShown_ = true;
  if (delivery.fault == DeliveryFault::NoWindow) return;
  // Keys into the input stream go to a program, key messages to a window class.
  const bool toWindow = delivery.fault == DeliveryFault::WindowRefused ||
                        delivery.fault == DeliveryFault::WindowTimedOut;
  // Past kMaxTargets programs, the status bar alone tells.
  if (Remember(ballooned_, &balloonedCount_, toWindow ? 'W' : 'P', name, false))
    notices_->ShowTrayBalloon(text);
}

void DeliveryReports::WindowFound(const char* className) {
  char key[kProgramNameSize];
  std::snprintf(key, sizeof key, "W%s", className);
  for (int i = 0; i < missingCount_; ++i) {
    if (std::strcmp(missing_[i], key) != 0) continue;
    std::memcpy(missing_[i], missing_[--missingCount_], sizeof key);
    return;
  }
}

}  // namespace tarvel
