#include "widgets/dialogs/frmSplash.h"

#include "core/Basic.h"
#include "core/Messages.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

frmSplash::frmSplash(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSplash");
  setWindowTitle("Velta 2000");
  setModal(true);

  auto* title = new QLabel("Velta 2000", this);
  title->setObjectName("lblTitulo");
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.8);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);

  auto* lblUser = new QLabel(q(GetMsg(398)), this);
  lblUser->setObjectName("lblUsuario");
  auto* lblPsw = new QLabel(q(GetMsg(179)), this);
  lblPsw->setObjectName("lblClave");
  m_user = new QLineEdit(this);
  m_user->setObjectName("txtUsuario");
  m_psw = new QLineEdit(this);
  m_psw->setObjectName("txtClave");
  m_psw->setEchoMode(QLineEdit::Password);
  lblUser->setBuddy(m_user);
  lblPsw->setBuddy(m_psw);

  m_accept = new QPushButton(q(GetMsg(108)), this);
  m_accept->setObjectName("cmdAceptar");
  m_accept->setDefault(true);
  m_cancel = new QPushButton(q(GetMsg(123)), this);
  m_cancel->setObjectName("cmdCancelar");

  auto* grid = new QGridLayout;
  grid->addWidget(lblUser, 0, 0);
  grid->addWidget(m_user, 0, 1);
  grid->addWidget(lblPsw, 1, 0);
  grid->addWidget(m_psw, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_accept);
  buttons->addWidget(m_cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addSpacing(8);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  setMinimumWidth(340);

  connect(m_accept, &QPushButton::clicked, this, &frmSplash::acceptLogin);
  connect(m_cancel, &QPushButton::clicked, this, &frmSplash::reject);
}

void frmSplash::acceptLogin() {
  prUser = basic::Trim(m_user->text().toStdString());
  prPsw = basic::Trim(m_psw->text().toStdString());
  accept();
}

void frmSplash::reject() {
  prUser.clear();
  prPsw.clear();
  QDialog::reject();
}

void frmSplash::closeEvent(QCloseEvent* e) {
  if (result() != QDialog::Accepted) {
    prUser.clear();
    prPsw.clear();
  }
  QDialog::closeEvent(e);
}

bool frmSplash::ask(std::string& user, std::string& psw, QWidget* parent) {
  frmSplash w(parent);
  w.exec();
  user = w.prUser;
  psw = w.prPsw;
  return !user.empty();
}
