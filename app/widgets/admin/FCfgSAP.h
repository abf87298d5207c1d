// The SAP transfer settings dialog: whether collected files go to the SAP host and how (log-on,
// address, folder, proxy, port, binary and passive modes). OK copies the fields into the
// settings object only; the file is written by the next save of the settings.
#pragma once

#include "admin/ConfigForm.h"

#include <QDialog>

class ClsCfgFile;
class QCheckBox;
class QLineEdit;

class FCfgSAP : public QDialog {
  Q_OBJECT
 public:
  FCfgSAP(ClsCfgFile& cfg, QWidget* parent = nullptr);

  config::SapForm form() const;

 private:
  void ok();

  ClsCfgFile& m_cfg;
  QCheckBox* m_enabled;
  QLineEdit* m_user;
  QLineEdit* m_password;
  QLineEdit* m_url;
  QLineEdit* m_path;
  QLineEdit* m_port;
  QLineEdit* m_proxy;
  QCheckBox* m_binary;
  QCheckBox* m_passive;
};
