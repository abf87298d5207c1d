// What the collection windows use of the main window (it lives in app/widgets/main, which
// they must not include): the dial flag, the picture of the dial button, the clock selector's
// enabled state, the display state and the two image lists. The main window implements it; a
// window finds it by casting the parent it was opened with.
#pragma once

#include <QIcon>
#include <QList>

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
  // Image lists; picture k is at index k - 1 (ImgTool holds 12).
  virtual const QList<QIcon>& ImgTool() const = 0;
  virtual const QList<QIcon>& Img() const = 0;
};
