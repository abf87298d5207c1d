#include "widgets/admin/FUsr.h"

#include "core/Messages.h"
#include "widgets/admin/EditorSupport.h"
#include "widgets/common/HourglassGuard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

using adminwindows::msg;
using adminwindows::named;
using adminwindows::qs;

namespace {

QLabel* label(const char* name, int message) {
  auto* l = new QLabel(msg(message));
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

QLineEdit* box(const char* name, int maxChars, bool secret) {
  auto* b = new QLineEdit;
  b->setObjectName(QString::fromLatin1(name));
  limitTyping(b, maxChars);
  if (secret) {
    b->setEchoMode(QLineEdit::Password);
    b->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
  }
  return b;
}
}  // namespace

FUsr::FUsr(ClsUsers& users, const QList<QIcon>* img, QWidget* parent)
    : QDialog(parent), m_model(users, m_boxes) {
  const HourglassGuard hourglass;
  QVBoxLayout* layout = buildEditorFrame(
      this, "FUsr", 398, img, {{108, 1}, {123, 2}},
      [this](int i) {
        if (i == 0) return onAccept();
        m_model.cancel();
        reject();
      },
      m_commands);

  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("SSTab1"));
  auto* frame = new QWidget;
  frame->setObjectName(QStringLiteral("Fr(0)"));
  tabs->addTab(frame, msg(398));
  m_usr = box("Usr", 20, false);
  m_psw = box("Psw", 5, true);
  m_vPsw = box("vPsw", 5, true);
  m_level = new QComboBox;
  m_level->setObjectName(QStringLiteral("CmbLevel"));
  m_level->addItems({msg(402), msg(403), msg(404)});
  auto* grid = new QGridLayout(frame);
  grid->addWidget(label("LblUsr", 398), 0, 0);
  grid->addWidget(m_usr, 0, 1);
  grid->addWidget(label("LblPsw", 399), 1, 0);
  grid->addWidget(m_psw, 1, 1);
  grid->addWidget(label("LblvPsw", 400), 2, 0);
  grid->addWidget(m_vPsw, 2, 1);
  grid->addWidget(label("lbllevel", 401), 3, 0);
  grid->addWidget(m_level, 3, 1);
  grid->setRowStretch(4, 1);

  layout->addWidget(tabs, 1);

  m_opened = m_model.load();
  const FUsrModel::Controls& c = m_model.controls;
  m_usr->setText(qs(c.usr));
  m_psw->setText(qs(c.psw));
  m_vPsw->setText(qs(c.vPsw));
  m_level->setCurrentIndex(c.level);
}

FUsr::~FUsr() = default;

void FUsr::run(ClsUsers& users, QWidget* parent, const QList<QIcon>* img) {
  FUsr window(users, img, parent);
  if (window.opened()) window.exec();
}

void FUsr::onAccept() {
  FUsrModel::Controls& c = m_model.controls;
  c.usr = m_usr->text().toStdString();
  c.psw = m_psw->text().toStdString();
  c.vPsw = m_vPsw->text().toStdString();
  c.level = m_level->currentIndex();
  const bool stored = m_model.accept();
  m_usr->setText(qs(c.usr));
  if (stored) accept();
}
