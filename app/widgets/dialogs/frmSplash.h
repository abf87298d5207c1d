// The log-in window: user name and password. Accept hands both back trimmed; Cancel and the
// close box hand back two empty texts, which start-up takes as "no log-in".
#pragma once

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

class frmSplash : public QDialog {
  Q_OBJECT
 public:
  explicit frmSplash(QWidget* parent = nullptr);

  std::string prUser;  // typed user name, trimmed ("" after Cancel)
  std::string prPsw;   // typed password, trimmed ("" after Cancel)

  QLineEdit* userBox() const { return m_user; }
  QLineEdit* passwordBox() const { return m_psw; }
  QPushButton* acceptButton() const { return m_accept; }
  QPushButton* cancelButton() const { return m_cancel; }

  // Shows the window modally and copies its answer; false when nothing was accepted.
  static bool ask(std::string& user, std::string& psw, QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  void acceptLogin();
  QLineEdit* m_user;
  QLineEdit* m_psw;
  QPushButton* m_accept;
  QPushButton* m_cancel;
};
