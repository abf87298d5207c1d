#include "widgets/admin/FODBCLogon.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FODBCLogon::FODBCLogon(QWidget* parent) : QDialog(parent) {
  setObjectName("FODBCLogon");
  setWindowTitle(QStringLiteral("Inicio de sesión de ODBC"));
  setModal(true);
  auto* frame = new QGroupBox(QStringLiteral("Valores de conexión"), this);
  auto* form = new QFormLayout(frame);
  auto row = [form](const QString& caption, QWidget* field, const char* name) {
    field->setObjectName(name);
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    form->addRow(label, field);
  };
  row(QStringLiteral("&DSN:"), new QComboBox, "cboDSNList");
  row(QStringLiteral("&Id. de usuario:"), new QLineEdit, "txtUID");
  auto* password = new QLineEdit;
  password->setEchoMode(QLineEdit::Password);
  password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
  row(QStringLiteral("&Contraseña:"), password, "txtPWD");
  row(QStringLiteral("&Base de datos:"), new QLineEdit, "txtDatabase");
  row(QStringLiteral("C&ontrolador:"), new QComboBox, "cboDrivers");
  row(QStringLiteral("&Servidor:"), new QLineEdit, "txtServer");

  auto* ok = new QPushButton(QStringLiteral("&Aceptar"));
  ok->setObjectName("cmdOK");
  auto* cancel = new QPushButton(QStringLiteral("Cancelar"));
  cancel->setObjectName("cmdCancel");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addLayout(buttons);
  setMinimumWidth(360);
}
