// The ODBC log-on form: data source, user, password, database, driver and server. It keeps
// no behaviour of its own: nothing reads its fields, and the ODBC settings travel only through
// the settings object. The configuration dialog's button for it stays hidden.
#pragma once

#include <QDialog>

class FODBCLogon : public QDialog {
  Q_OBJECT
 public:
  explicit FODBCLogon(QWidget* parent = nullptr);
};
