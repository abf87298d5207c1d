// Whether a message box may open over a window. A window whose close the operator asked for
// while its exchange runs holds boxes off until that close is delivered (the busy rule,
// BusyGuard.h, sets and clears the hold); the message boxes ask it before they open. The hold
// rides on the window, so it goes when the window goes.
#pragma once

class QWidget;

namespace boxhold {

void set(QWidget* window, bool held);
// True while `window` itself holds boxes off.
bool held(const QWidget* window);

}  // namespace boxhold
