// The about box: the program's title, version and description, and a button that starts a
// system-information program when one is registered (its path under the first registry key,
// or its folder under the second). Nothing is registered on a plain Linux desktop, and then
// the button does nothing.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

class QLabel;
class QPushButton;

// Reads value `SubKeyRef` of key `KeyName` under `KeyRoot` as text into `KeyVal`; false (and
// `KeyVal` empty) when the key or the value is missing.
bool GetKeyValue(int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal);

// The system-information program to start: location 1's text as it is, else location 2's
// folder with MSINFO32.EXE when that file exists; "" when there is none.
std::string sysInfoPath();

// Finds the system-information program and starts it without waiting; silent on any failure.
void StartSysInfo();

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit frmAbout(QWidget* parent = nullptr);

  QLabel* lblTitle() const { return m_title; }
  QLabel* lblVersion() const { return m_version; }
  QLabel* lblDescription() const { return m_description; }
  QPushButton* cmdOK() const { return m_ok; }
  QPushButton* cmdSysInfo() const { return m_sysInfo; }

 private:
  QLabel* m_title;
  QLabel* m_version;
  QLabel* m_description;
  QPushButton* m_ok;
  QPushButton* m_sysInfo;
};

// The main window's "Acerca de..." command: shows the box modally.
void openfrmAbout(QWidget* parent);
