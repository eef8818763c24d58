#pragma once

namespace tarvel {

constexpr const char* kWrongFileFormatText = "Wrong file format!";
// "%1" stands for the joystick's product name.
constexpr const char* kNewJoystickText =
    "New joystick named \"%1\" was discovered.\n\nDo you want to add it to your configuration?";

// The two questions and messages of the program's own.
class UserPrompts {
 public:
  // A message box with an OK button.
  virtual void ShowWrongFileFormat() = 0;
  // A Yes/No question with a question icon; true for Yes.
  virtual bool AskAddNewJoystick(const char* productName) = 0;

 protected:
  ~UserPrompts() = default;
};

// The new-joystick question with the product name in place of "%1".
void FormatNewJoystickQuestion(const char* productName, char* buffer, int bufferSize);

}  // namespace tarvel
