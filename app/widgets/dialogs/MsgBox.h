// The one message-box helper of the program. Boxes are asked for by message number (the text
// is GetMsg(number), optionally followed by more text) or by a composed text; the style adds
// one button set and one icon, as the original program's boxes did, and the answer is the
// button pressed. Every box opens over the window that asked: the parent given (or, while
// that is not shown yet, the window it opens over), else the modal window at work, else the
// active window, else the main window. The dialogs' test hooks (widgets/dialogs/testing) take
// over every box in a test: they record the request and answer it, so no test ever blocks on a
// modal box.
#pragma once

#include "core/MsgStyle.h"

#include <string>

class QFont;
class QString;
class QWidget;

namespace dialogs {

struct BoxRequest {
  int number = 0;             // message number, 0 for a composed text
  std::string text;           // the text shown
  int style = 0;              // button set + icon + default button
  std::string title;          // as asked ("" shows "Velta 2000")
  QWidget* parent = nullptr;  // the window the box opens over (nullptr: none at all)
  int buttons() const { return style & 7; }
  int icon() const { return style & 0x70; }
};

// The window a box asked for with `parent` opens over (see above); nullptr when the program
// shows no window.
QWidget* boxOwnerOf(QWidget* parent);

// The least width of a box whose title bar shows `title` whole.
int widthForTitle(const QString& title, const QFont& font);

}  // namespace dialogs

// Box with message `number` (GetMsg(number) followed by `extra`).
int MsgBox(int number, int style = msgbox::OkOnly, const std::string& title = {},
           const std::string& extra = {}, QWidget* parent = nullptr);

// Box with a composed text; `number` is recorded for tests when the text starts with a message.
int MsgBoxText(const std::string& text, int style = msgbox::OkOnly, const std::string& title = {},
               int number = 0, QWidget* parent = nullptr);
