#include "widgets/admin/FCfgSAP.h"

#include "core/ClsCfgFile.h"
#include "widgets/dialogs/MsgBox.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

template <typename W>
W* named(W* w, const char* name) {
  w->setObjectName(name);
  return w;
}

}  // namespace

FCfgSAP::FCfgSAP(ClsCfgFile& cfg, QWidget* parent) : QDialog(parent), m_cfg(cfg) {
  setObjectName("FCfgSAP");
  setWindowTitle(QStringLiteral("Configuración SAP"));
  setModal(true);

  auto* frame = new QGroupBox(QStringLiteral("Valores de conexión"), this);
  auto* form = new QFormLayout(frame);
  m_enabled = named(new QCheckBox(QStringLiteral("Habilitar conexión con SAP")), "chkSAP");
  m_user = named(new QLineEdit, "txtUID");
  m_password = named(new QLineEdit, "txtPWD");
  m_password->setEchoMode(QLineEdit::Password);
  m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
  m_url = named(new QLineEdit, "txtURL");
  m_path = named(new QLineEdit, "txtPath");
  m_port = named(new QLineEdit, "txtRemotePort");
  m_proxy = named(new QLineEdit, "TxtProxy");
  m_binary = named(new QCheckBox(QStringLiteral("Modo binario")), "chkModoBinario");
  m_passive = named(new QCheckBox(QStringLiteral("Modo Pasivo")), "chkModoPasivo");
  auto row = [form](const QString& caption, QLineEdit* edit) {
    auto* label = new QLabel(caption);
    label->setBuddy(edit);
    form->addRow(label, edit);
  };
  form->addRow(m_enabled);
  row(QStringLiteral("&Id. de usuario:"), m_user);
  row(QStringLiteral("&Contraseña:"), m_password);
  row(QStringLiteral("&URL"), m_url);
  row(QStringLiteral("&Path"), m_path);
  row(QStringLiteral("Puerto Remoto"), m_port);
  row(QStringLiteral("Proxy"), m_proxy);
  form->addRow(m_binary);
  form->addRow(m_passive);

  auto* okButton = named(new QPushButton(QStringLiteral("&Aceptar")), "cmdOK");
  auto* cancelButton = named(new QPushButton(QStringLiteral("Cancelar")), "cmdCancel");
  okButton->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  const config::SapForm s = config::sapFromSettings(cfg);
  m_enabled->setChecked(s.enabled);
  m_password->setText(qs(s.password));
  m_path->setText(qs(s.path));
  m_url->setText(qs(s.url));
  m_user->setText(qs(s.user));
  m_port->setText(qs(s.remotePort));
  m_proxy->setText(qs(s.proxy));
  m_binary->setChecked(s.binary);
  m_passive->setChecked(s.passive);

  connect(okButton, &QPushButton::clicked, this, &FCfgSAP::ok);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

config::SapForm FCfgSAP::form() const {
  config::SapForm s;
  s.enabled = m_enabled->isChecked();
  s.user = m_user->text().toStdString();
  s.password = m_password->text().toStdString();
  s.url = m_url->text().toStdString();
  s.path = m_path->text().toStdString();
  s.remotePort = m_port->text().toStdString();
  s.proxy = m_proxy->text().toStdString();
  s.binary = m_binary->isChecked();
  s.passive = m_passive->isChecked();
  return s;
}

void FCfgSAP::ok() {
  const config::SapForm s = form();
  if (auto failure = config::checkSap(s)) {
    MsgBox(failure->message, failure->icon, {}, {}, this);
    m_port->setFocus();
    m_port->selectAll();
    return;
  }
  config::applySap(s, m_cfg);
  accept();
}
