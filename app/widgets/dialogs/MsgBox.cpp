#include "widgets/dialogs/MsgBox.h"

#include "core/Messages.h"
#include "widgets/common/BoxHold.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include <utility>
#include <vector>

namespace {

// A message box sizes itself to its text, not its title: a short text ("Hora Incorrecta")
// made a box whose title bar showed "Vel…000". A spacer as wide as the title, drawn in the
// title bar's bold face, with room for the window manager's icon and buttons, keeps it whole.
void fitTitle(QMessageBox& box, const QString& title) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  const int width = dialogs::widthForTitle(title, box.font());
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
}

struct ButtonSpec {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<ButtonSpec> buttonsOf(int set) {
  using B = QMessageBox;
  switch (set) {
    case msgbox::OkCancel:
      return {{B::Ok, msgbox::Ok}, {B::Cancel, msgbox::Cancel}};
    case msgbox::AbortRetryIgnore:
      return {{B::Abort, msgbox::Abort}, {B::Retry, msgbox::Retry}, {B::Ignore, msgbox::Ignore}};
    case msgbox::YesNoCancel:
      return {{B::Yes, msgbox::Yes}, {B::No, msgbox::No}, {B::Cancel, msgbox::Cancel}};
    case msgbox::YesNo:
      return {{B::Yes, msgbox::Yes}, {B::No, msgbox::No}};
    case msgbox::RetryCancel:
      return {{B::Retry, msgbox::Retry}, {B::Cancel, msgbox::Cancel}};
    default:
      return {{B::Ok, msgbox::Ok}};
  }
}

// The answer a box gives when it is closed without a button: Cancel where the set has one,
// No for Yes/No, Ok for a lone Ok (the platform's rule).
int escapeAnswer(int set) {
  switch (set) {
    case msgbox::OkCancel:
    case msgbox::YesNoCancel:
    case msgbox::RetryCancel:
      return msgbox::Cancel;
    case msgbox::YesNo:
      return msgbox::No;
    case msgbox::AbortRetryIgnore:
      return msgbox::Abort;
    default:
      return msgbox::Ok;
  }
}

// The box's window, or one it was opened over, is going at the operator's request: that close
// cancelled the window's exchange, and what it would report meanwhile is the cancel asked for,
// or an outcome nobody waits for any more (BoxHold.h). The box answers as one
// closed without a button (Cancel, No, Ok).
bool overClosingWindow(const QWidget* owner) {
  for (const QWidget* w = owner; w; w = w->parentWidget())
    if (w->isWindow() && boxhold::held(w)) return true;
  return false;
}

int show(const dialogs::BoxRequest& r) {
  if (overClosingWindow(r.parent)) return escapeAnswer(r.buttons());
  int answer = 0;
  if (auto* h = dialogs::testing::hooks(); h && h->answerBox(r, answer)) return answer;
  QMessageBox box(r.parent);
  const QString title =
      QString::fromStdString(r.title.empty() ? std::string("Velta 2000") : r.title);
  box.setWindowTitle(title);
  box.setText(QString::fromStdString(r.text));
  switch (r.icon()) {
    case msgbox::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
    case msgbox::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case msgbox::Exclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case msgbox::Information:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
  }
  const std::vector<ButtonSpec> specs = buttonsOf(r.buttons());
  std::vector<QAbstractButton*> made;
  for (const ButtonSpec& s : specs) made.push_back(box.addButton(s.button));
  std::size_t def = 0;
  if (r.style & msgbox::DefaultButton2) def = 1;
  if (r.style & msgbox::DefaultButton3) def = 2;
  if (def < made.size()) box.setDefaultButton(qobject_cast<QPushButton*>(made[def]));
  fitTitle(box, title);
  auto* const h = dialogs::testing::hooks();
  if (!h || !h->inspectBox(box)) box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (std::size_t i = 0; i < made.size(); ++i)
    if (made[i] == clicked) return specs[i].answer;
  return escapeAnswer(r.buttons());
}

}  // namespace

namespace dialogs {
QWidget* boxOwnerOf(QWidget* parent) {
  // A window not shown yet (a dialog still loading) has no place on the screen; the box goes
  // over the window it is to open over.
  while (parent && !parent->window()->isVisible()) parent = parent->window()->parentWidget();
  if (parent) return parent;
  // While a modal window is up the rest of the program waits for it: it is the one asking.
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  // No window of the program has the focus (another program has it, or a window manager
  // whose focus follows the pointer): a box without parent would open in the middle of the
  // screen. With no modal window up, the main window is the one at work.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && qobject_cast<QMainWindow*>(w)) return w;
  return nullptr;
}

int widthForTitle(const QString& title, const QFont& font) {
  QFont bold = font;
  bold.setBold(true);
  constexpr int kFrameRoom = 160;  // the window icon and the close, minimize, maximize buttons
  return QFontMetrics(bold).horizontalAdvance(title) + kFrameRoom;
}
}  // namespace dialogs

int MsgBox(int number, int style, const std::string& title, const std::string& extra,
           QWidget* parent) {
  dialogs::BoxRequest r{number, GetMsg(number) + extra, style, title, dialogs::boxOwnerOf(parent)};
  return show(r);
}

int MsgBoxText(const std::string& text, int style, const std::string& title, int number,
               QWidget* parent) {
  dialogs::BoxRequest r{number, text, style, title, dialogs::boxOwnerOf(parent)};
  return show(r);
}
