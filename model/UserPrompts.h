#pragma once

namespace tarvel {

constexpr const char* kWrongFileFormatText = "Wrong file format!";
constexpr const char* kFileTooLargeText = "The file is too large to be a configuration.";
// "%1" stands for the joystick's product name.
constexpr const char* kNewJoystickText =
    "New joystick named \"%1\" was discovered.\n\nDo you want to add it to your configuration?";

// The questions and messages of the program's own.
class UserPrompts {
 public:
  // A message box with an OK button.
  virtual void ShowWrongFileFormat() = 0;
  // A message box with an OK button: the file is larger than any configuration (16 MiB).
  virtual void ShowFileTooLarge() = 0;
  // A Yes/No question with a question icon; true for Yes.
  virtual bool AskAddNewJoystick(const char* productName) = 0;

 protected:
  ~UserPrompts() = default;
};

// The new-joystick question with the product name in place of "%1".
void FormatNewJoystickQuestion(const char* productName, char* buffer, int bufferSize);

}  // namespace tarvel
