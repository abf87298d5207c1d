// The widgets part of the main program's test support: with it linked, the test program's
// application is a QApplication on the offscreen platform (unless QT_QPA_PLATFORM says
// otherwise); grabbing a window to PNG with a non-blank check, Escape, and the message-box
// recorder. The headless part (testsupport/AppTestSupport.h) comes with it.
#pragma once

#include "collect/RunContext.h"
#include "testsupport/AppTestSupport.h"
#include "widgets/common/WindowContext.h"
#include "widgets/dialogs/MsgBox.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace apptest {

// Grabs `w` (shown first if hidden) to `pngPath`; true when the file was written and the
// picture holds more than one colour. The path defaults to $VELTA_GRAB_DIR or the temp folder.
bool grabNonBlank(QWidget* w, const QString& pngPath);

// The run context over the fixture's owner (objects()), as the program hands its windows;
// none while the objects are not all made.
std::optional<RunContext> runContext();
// The fixture's owner's clock windows' state, as the program hands it to its windows.
SharedWindowState windowState();
// The context the program hands its windows, over the fixture's owner: the run context (or
// `run`), the windows' state and the administration objects (or `admin`).
WindowContext windowContext();
WindowContext windowContext(const std::optional<RunContext>& run);
WindowContext windowContext(const AdminObjects& admin);

// Escape pressed in `w`, delivered at once (a dialog takes it as its reject()).
void pressEscape(QWidget* w);

// Takes over every message box for its lifetime: records each request and answers with the
// queued answers in order, then with `fallback` (0 = the first button of the box's set).
class MsgBoxRecorder {
 public:
  explicit MsgBoxRecorder(int fallback = 0);
  ~MsgBoxRecorder();
  void answer(int a) { m_answers.push_back(a); }
  const std::vector<dialogs::BoxRequest>& boxes() const { return m_boxes; }
  std::vector<int> numbers() const;
  void clear() { m_boxes.clear(); }

 private:
  int m_fallback;
  std::deque<int> m_answers;
  std::vector<dialogs::BoxRequest> m_boxes;
};

}  // namespace apptest
