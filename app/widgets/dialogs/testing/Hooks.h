// The test seam of the shared dialogs: the message boxes, FrmMsg's blocking question and the
// file and folder dialogs. At each seam point the library asks hooks() and, while it is null (in
// every program but a test one), shows its window as always. The object behind it, the call that
// installs it and the calls below (the answers they queue, the last file dialog asked for) are in
// veltadialogs_testhooks, which only test programs link.
#pragma once

#include "widgets/dialogs/MsgBox.h"

#include <basekit/TestSeam.h>

#include <functional>
#include <optional>
#include <string>

class QMessageBox;

namespace dialogs::testing {

// What a file, save or folder dialog was asked with.
struct FileAsk {
  std::string caption, dir, filter;
};

struct Hooks {
  // A message box about to be built: true takes it over, `answer` being the button pressed.
  virtual bool answerBox(const dialogs::BoxRequest& request, int& answer) = 0;
  // The box built as it would be shown: true when it was looked at instead of being run (its
  // answer is then the button clicked, else its escape answer).
  virtual bool inspectBox(QMessageBox& box) = 0;
  // A blocking FrmMsg::Msg: true shows no window, `answer` being the choice.
  virtual bool answerFrmMsg(const std::string& msg, int& answer) = 0;
  // A file, save or folder dialog: true shows none, `answer` being the path chosen (nullopt: a
  // cancelled dialog).
  virtual bool answerFileDialog(const std::string& caption, const std::string& dir,
                                const std::string& filter, std::optional<std::string>& answer) = 0;

 protected:
  ~Hooks() = default;
};

namespace detail {
inline basekit::TestSeam<Hooks> seam;  // null in the library
}  // namespace detail

inline Hooks* hooks() { return detail::seam.hooks(); }

// --- veltadialogs_testhooks (test programs only) ---

// Puts `h` (nullptr: none) behind hooks(). The test library installs its own before main().
void install(Hooks* h);

// Answers every box instead of showing it; the hook's return value is the answer. An empty
// function restores the real boxes.
void setBoxHook(std::function<int(const BoxRequest&)> hook);
// Tests of the real box: with an inspector set (and no hook), each box is built as it would be
// shown and handed to the inspector instead of being run; the answer is then the button the
// inspector clicked (QAbstractButton::click), or the box's escape answer.
void setBoxInspector(std::function<void(QMessageBox&)> inspector);
// While set, a blocking FrmMsg::Msg shows no window; the hook gets the message and its answer
// (1, 2 or 3) goes to gSharedText as the window's choice would (0 leaves gSharedText as it
// was, like a window closed without choosing). Empty restores the window.
void setFrmMsgHook(std::function<int(const std::string& msg)> hook);
// Queues the answer of the next dialog (any of the three kinds; std::nullopt is a cancelled
// dialog).
void setNextFileName(std::optional<std::string> answer);
// Drops queued answers; with none queued a dialog is shown for real.
void clearFileNames();
// The caption, folder and filter the last dialog was asked with.
using LastAsk = FileAsk;
LastAsk lastAsk();
}  // namespace dialogs::testing
