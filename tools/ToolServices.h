#pragma once
#include <ostream>

#include "input/JoystickTable.h"
#include "model/TarvelDoc.h"

namespace tarvel {

// The command-line tool never polls controllers, captures keys or sends keystrokes: the
// document's links to the application and to other programs do nothing.
class IdleAppServices final : public AppServices {
 public:
  int CaptureOn() const override { return 0; }
  void SetCaptureOn(int) override {}
  void RefreshAttachedJoysticks() override {}
};

class IdleKeySender final : public KeySender {
 public:
  void InjectKey(uint8_t, uint8_t, bool) override {}
  WindowHandle FindTopLevelWindow(const char*) override { return nullptr; }
  void SendKeyMessage(WindowHandle, bool, uint8_t) override {}
};

// Messages for the user go to a stream (standard error); questions are answered No.
class StreamPrompts final : public UserPrompts {
 public:
  explicit StreamPrompts(std::ostream& err) : err_(err) {}
  void ShowWrongFileFormat() override {
    err_ << kWrongFileFormatText << '\n';
    shownWrongFormat_ = true;
  }
  // The command says so in its own words, with the file's name.
  void ShowFileTooLarge() override {}
  bool AskAddNewJoystick(const char*) override { return false; }
  bool ShownWrongFormat() const { return shownWrongFormat_; }

 private:
  std::ostream& err_;
  bool shownWrongFormat_ = false;
};

// A document with everything it needs, and no attached controllers.
class ToolDocument {
 public:
  explicit ToolDocument(std::ostream& err)
      : prompts_(err), doc_(DocContext{&attached_, &app_, &keys_, &prompts_, nullptr}) {}
  CTarvelDoc& Doc() { return doc_; }
  StreamPrompts& Prompts() { return prompts_; }

 private:
  JoystickTable attached_;
  IdleAppServices app_;
  IdleKeySender keys_;
  StreamPrompts prompts_;
  CTarvelDoc doc_;
};

}  // namespace tarvel
