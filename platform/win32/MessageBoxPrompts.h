#pragma once
#include "base/WindowHandle.h"
#include "model/UserPrompts.h"

namespace tarvel {

constexpr const char* kAppTitle = "Tarvel";

// The program's own messages as message boxes titled with the program's name, owned by the given
// window (none while there is no main window yet).
class MessageBoxPrompts final : public UserPrompts {
 public:
  explicit MessageBoxPrompts(WindowHandle owner = nullptr) : owner_(owner) {}
  void SetOwner(WindowHandle owner) { owner_ = owner; }
  WindowHandle Owner() const { return owner_; }

  void ShowWrongFileFormat() override;
  void ShowFileTooLarge() override;
  bool AskAddNewJoystick(const char* productName) override;

 private:
  WindowHandle owner_;
};

}  // namespace tarvel
