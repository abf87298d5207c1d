// Reporter: how a class without windows tells the operator something or asks a question. The
// window over it passes one in (MsgBoxReporter shows message boxes); the class names the
// message by number and the box by its style, so the operator sees what a box of the window
// itself would have shown.
#pragma once

#include "core/MsgStyle.h"

#include <string>

class Reporter {
 public:
  virtual ~Reporter() = default;
  // Message `number` (GetMsg(number) followed by `extra`) with one button under `title` (""
  // for the program's own); `style` adds the icon.
  virtual void inform(int number, int style, const std::string& title = {},
                      const std::string& extra = {}) = 0;
  // A composed text (a path and the system's reason, ...) with one button; `number` is the
  // message the text starts with (0 for none), as a box by number would record it.
  virtual void informText(const std::string& text, int style, int number = 0) = 0;
  // Message `number` as a question under `title` ("" for the program's own); the answer is
  // the button pressed (msgbox::Yes, msgbox::No, ...).
  virtual int ask(int number, int style, const std::string& title = {}) = 0;
};
