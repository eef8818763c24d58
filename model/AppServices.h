#pragma once

namespace tarvel {

// What the document asks of the application object.
class AppServices {
 public:
  // Non-zero while key capture is on.
  virtual int CaptureOn() const = 0;
  virtual void SetCaptureOn(int on) = 0;
  // Enumerate the attached controllers again (with the main window once there is one).
  virtual void RefreshAttachedJoysticks() = 0;

 protected:
  ~AppServices() = default;
};

}  // namespace tarvel
