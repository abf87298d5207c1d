// FLeer: reads the current clock's punches by hand into a file the operator names in a folder
// the operator picks, and ships it when the settings ask. One read per opening of the window.
#pragma once

#include "collect/ManualRead.h"
#include "widgets/clock/ClockWindow.h"
#include "widgets/common/ExchangeScope.h"

#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTreeView;
class ProgressListWidget;

class FLeer : public ClockWindow {
  Q_OBJECT

 public:
  explicit FLeer(QWidget* parent, const WindowContext& context);

  void mnu(int index);
  QAction* mnuAction(int index) const { return index == 0 ? m_read : m_exit; }
  QString folder() const { return m_folder; }
  // The folder list's folder; false (folder kept) when it is no folder.
  bool setFolder(const QString& path);
  QComboBox* Drive1() const { return m_drive; }
  QTreeView* Dir1() const { return m_dir; }
  QLineEdit* ArchivoReg() const { return m_name; }
  QCheckBox* ChkRepetidos() const { return m_dropDup; }
  QLabel* LblMultiEmpresa() const { return m_multi; }
  ProgressListWidget* Lst() const { return m_lst; }
  // 1 while a read runs: the window's exchange guard is held from the download's start.
  int16_t reading() const { return BusyGuard::busy(this) ? 1 : 0; }

 protected:
  void updateCommands() override {}  // the read keeps its own command states
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void setCaption(QAction* a, int msg);
  void driveChanged(int index);
  void showFolder();  // the current folder row scrolled into the middle of the list
  void read();

  QComboBox* m_drive;
  QTreeView* m_dir;
  QFileSystemModel* m_model;
  QLineEdit* m_name;
  QCheckBox* m_dropDup;
  QLabel* m_multi;
  ProgressListWidget* m_lst;
  QAction* m_read;
  QAction* m_exit;
  QString m_folder;
  bool m_followFolder = true;               // keep the chosen folder in view while the list fills
  std::optional<ExchangeScope> m_exchange;  // the read, from its start on
};
