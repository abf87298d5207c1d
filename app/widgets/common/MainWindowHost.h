// What the collection windows use of the main window (it lives in app/widgets/main, which
// they must not include): the dial flag, the picture of the dial button, the clock selector's
// enabled state and the display state. The main window implements it and stands in the
// windows' shared state while it is open; a window finds it in its context (WindowContext.h).
#pragma once

class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;
  // The dial command may run (false while the dial-up window dials).
  virtual void setDialEnabled(bool enabled) = 0;
  virtual bool dialEnabled() const = 0;
  // Picture of toolbar button 5 from ImgTool (5 normally, 11 while dialling).
  virtual void setDialPicture(int image) = 0;
  virtual void setSelectorEnabled(bool enabled) = 0;
  // 1 while the console is open, 0 otherwise; nothing reads it back.
  virtual void setDisplayState(int state) = 0;
  virtual int displayState() const = 0;
};
