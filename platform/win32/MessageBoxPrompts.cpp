#include "platform/win32/MessageBoxPrompts.h"

#include <windows.h>

namespace tarvel {

void MessageBoxPrompts::ShowWrongFileFormat() {
  MessageBoxA(static_cast<HWND>(owner_), kWrongFileFormatText, kAppTitle,
              MB_OK | MB_ICONEXCLAMATION);
}

void MessageBoxPrompts::ShowFileTooLarge() {
  MessageBoxA(static_cast<HWND>(owner_), kFileTooLargeText, kAppTitle, MB_OK | MB_ICONEXCLAMATION);
}

bool MessageBoxPrompts::AskAddNewJoystick(const char* productName) {
  // Room for the whole text with a product name of any length the joystick table keeps (255).
  char question[1024];
  FormatNewJoystickQuestion(productName, question, static_cast<int>(sizeof(question)));
  return MessageBoxA(static_cast<HWND>(owner_), question, kAppTitle, MB_YESNO | MB_ICONQUESTION) ==
         IDYES;
}

}  // namespace tarvel
