#include "widgets/dialogs/FrmMsg.h"

#include "core/Globals.h"
#include "widgets/common/CommandBar.h"
#include "widgets/common/ToolbarButton.h"
#include "widgets/dialogs/testing/Hooks.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

FrmMsg::FrmMsg(const QList<QIcon>* img, QWidget* parent)
    : QDialog(parent),
      m_label(new QLabel(this)),
      m_menuBar(new QMenuBar(this)),
      m_toolBar(new QToolBar(this)) {
  setWindowTitle(QStringLiteral("Velta 2000"));
  // One action per choice, on the menu bar and as a toolbar button with the picture.
  const bool pictured = img && img->size() >= 3;
  const QList<QIcon> pictures = pictured ? QList<QIcon>{{}, {}, img->at(2)} : QList<QIcon>{};
  widgets::CommandBarSpec spec;
  spec.menuBar = m_menuBar;
  spec.toolBar = m_toolBar;
  spec.images = &pictures;
  std::vector<widgets::Command> table;
  for (int k = 0; k < 3; ++k) table.push_back({{}, {}, {}, 3, [this, k] { choose(k); }});
  const widgets::CommandBar bar = widgets::buildCommandBar(this, spec, table);
  for (std::size_t k = 0; k < 3; ++k) {
    m_entries[k] = bar.actions[k];
    m_buttons[k] = static_cast<ToolbarButton*>(bar.buttons[k])->place();
  }
  m_toolBar->setToolButtonStyle(pictured ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
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
    QAction* action = m_entries[i];  // its button follows it
    action->setVisible(!caption.isEmpty());
    if (caption.isEmpty()) continue;
    action->setText(caption);
    action->setToolTip(caption);
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
