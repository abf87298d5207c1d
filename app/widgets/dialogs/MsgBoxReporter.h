// The Reporter of the windows: every report is a message box through MsgBox, so the boxes a
// class without windows asks for are shown (and recorded in tests) like any other.
#pragma once

#include "core/Reporter.h"
#include "widgets/dialogs/MsgBox.h"

#include <string>

class MsgBoxReporter final : public Reporter {
 public:
  void inform(int number, int style, const std::string& title = {},
              const std::string& extra = {}) override {
    MsgBox(number, style, title, extra);
  }
  void informText(const std::string& text, int style, int number = 0) override {
    MsgBoxText(text, style, {}, number);
  }
  int ask(int number, int style, const std::string& title) override {
    return MsgBox(number, style, title);
  }
};
