#include "widgets/dialogs/FrmMsg.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/Globals.h"
#include "widgets/dialogs/testing/Hooks.h"

FrmMsg::FrmMsg(const QList<QIcon>* img, QWidget* parent)
    : QDialog(parent),
      m_label(new QLabel(this)),
      m_menuBar(new QMenuBar(this)),
      m_toolBar(new QToolBar(this)) {
  setWindowTitle(QStringLiteral("Velta 2000"));
  const QIcon picture = (img && img->size() >= 3) ? img->at(2) : QIcon();
  // A menu bar shows an action's picture instead of its caption, so the menu entries and
  // the buttons are separate actions that make the same choice.
  for (int k = 0; k < 3; ++k) {
    QAction* entry = new QAction(this);
    QAction* button = new QAction(this);
    button->setIcon(picture);
    connect(entry, &QAction::triggered, this, [this, k] { choose(k); });
    connect(button, &QAction::triggered, this, [this, k] { choose(k); });
    m_menuBar->addAction(entry);
    m_toolBar->addAction(button);
    m_entries[static_cast<std::size_t>(k)] = entry;
    m_buttons[static_cast<std::size_t>(k)] = button;
  }
  m_toolBar->setToolButtonStyle(picture.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
  m_label->setWordWrap(true);
  m_label->setMinimumWidth(280);

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(m_menuBar);
  layout->addWidget(m_toolBar);
  layout->addWidget(m_label, 1);
}

void FrmMsg::setUp(const std::string& msg, const std::string& btn1, const std::string& btn2,
                   const std::string& btn3) {
  m_label->setText(QString::fromStdString(msg));
  const std::array<const std::string*, 3> captions{&btn1, &btn2, &btn3};
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const QString caption = QString::fromStdString(*captions[i]);
    for (QAction* action : {m_entries[i], m_buttons[i]}) {
      action->setVisible(!caption.isEmpty());
      if (caption.isEmpty()) continue;
      action->setText(caption);
      action->setToolTip(caption);
    }
  }
}

FrmMsg::Shown FrmMsg::Msg(const std::string& msg, const std::string& btn1, const std::string& btn2,
                          const std::string& btn3, int16_t detectar, const QList<QIcon>* img,
                          QWidget* parent) {
  const bool noChoice = btn1.empty() && btn2.empty() && btn3.empty();
  if (detectar == 1 || noChoice) {
    auto* window = new FrmMsg(img, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setUp(msg, btn1, btn2, btn3);
    window->show();
    return Shown{{window}, 0};
  }
  // A test answers in the window's place: 1, 2 or 3 as a choice, 0 as a window closed without
  // choosing.
  int answer = 0;
  if (auto* h = dialogs::testing::hooks(); h && h->answerFrmMsg(msg, answer)) {
    if (answer < 1 || answer > 3) return Shown{};
    *gSharedText = std::to_string(answer);
    return Shown{{}, answer};
  }
  FrmMsg window(img, parent);
  window.setUp(msg, btn1, btn2, btn3);
  window.exec();
  return Shown{{}, window.m_choice};
}

QAction* FrmMsg::mnu(int k) const {
  if (k < 0 || k > 2) return nullptr;
  return m_entries[static_cast<std::size_t>(k)];
}

QAction* FrmMsg::button(int i) const {
  if (i < 1 || i > 3) return nullptr;
  return m_buttons[static_cast<std::size_t>(i - 1)];
}

void FrmMsg::choose(int k) {
  if (k < 0 || k > 2) return;
  *gSharedText = std::to_string(k + 1);
  m_choice = k + 1;
  accept();
}
