// Pieces the four store editors (clocks, users, cards, companies) share: the command bar
// (one QAction per command, shown in the menu bar and as a toolbar button) and the typing
// limit of a text box that never cuts what the program puts there.
#pragma once

#include "admin/EditorText.h"
#include "core/Messages.h"
#include "widgets/common/CommandBar.h"

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QKeyEvent;
class QLineEdit;
class QMenuBar;
class QToolBar;
class QToolButton;
class QVBoxLayout;
class QWidget;

// Lets the operator type at most `maxChars` characters into `box`. Unlike setMaxLength it
// leaves a longer text set by the program whole (a stored value is shown as it is); the
// operator can then only shorten it. A limit of 0 or less sets none.
void limitTyping(QLineEdit* box, int maxChars);

// The commands of an editor, built with the command bar (widgets/common/CommandBar.h).
// Command i is the action "mnu(i)" on the menu bar; toolbar button i + 1 ("Toolbar(i+1)")
// triggers that same action and follows its caption (as its tooltip) and its enabled state.
class EditorCommands {
 public:
  explicit EditorCommands(widgets::CommandBar bar) : m_bar(std::move(bar)) {}
  QAction* action(int i) const;
  QToolButton* button(int i) const;  // 1-based, as the toolbar counts
  int count() const { return static_cast<int>(m_bar.actions.size()); }

 private:
  widgets::CommandBar m_bar;
};

// The card and company editors end only by their exit command (which writes) or the close
// box (which discards); Escape, which a dialog takes as a close, is ignored.
class NoEscapeDialog : public QDialog {
 public:
  using QDialog::QDialog;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// What every editor window starts with: its object name and caption (a message), a vertical
// layout with the menu bar "mnu" and the toolbar "Toolbar" on top, and one command per
// {caption message, image} pair, command i running run(i). The window's body goes into the
// layout returned.
struct CommandSpec {
  int caption;
  int image;
};
QVBoxLayout* buildEditorFrame(QDialog* window, const char* name, int caption,
                              const QList<QIcon>* img, const std::vector<CommandSpec>& specs,
                              const std::function<void(int)>& run,
                              std::unique_ptr<EditorCommands>& commands);

// Small conveniences of the editor windows.
namespace adminwindows {
inline QString msg(int n) { return QString::fromStdString(GetMsg(n)); }
inline QString qs(const std::string& s) { return QString::fromStdString(s); }
template <typename W>
W* named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
}  // namespace adminwindows
