// The configuration dialog: the program-wide settings on five tabs, the clock and user lists,
// modem programming files and the SAP settings. A thin widget over config::ConfigForm: it
// shows the form, reads it back, and on OK checks it, copies it into the settings object and
// writes the settings, clock and user files. Cancel writes nothing.
#pragma once

#include "admin/ConfigForm.h"
#include "widgets/common/WindowContext.h"

#include <QDialog>
#include <QIcon>
#include <QList>

#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class ProgressListWidget;
class QMenuBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;

// Shows the dialog modally over `parent`. `loadText` reloads the main window's captions after
// OK. The dialog works over the settings, clock list, users, clock and modem objects and data
// folder of the context's administration objects; pictures 1 and 2 of its image list go to OK
// and Cancel (a context without pictures shows their captions).
void openFconfig(QWidget* parent, std::function<void()> loadText, const WindowContext& context);

class Fconfig : public QDialog {
  Q_OBJECT
 public:
  Fconfig(std::function<void()> loadText, QWidget* parent, const WindowContext& context);

  config::ConfigForm form() const;

  void ok();
  void MostrarRelojes();
  void MostrarUsuarios();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildTab0(QWidget* page);
  void buildTab1(QWidget* page);
  void buildTab2(QWidget* page);
  void buildTab3(QWidget* page);
  void buildTab4(QWidget* page);
  void buildCommands(const QList<QIcon>* images);
  void showForm(const config::ConfigForm& f);
  void updateEnabling();
  void tabChanged(int index);
  void clockCommand(int index);
  void userCommand(int index);
  void programModem();
  void openSap();
  int selectedSlot(QTreeWidget* list) const;

  std::function<void()> m_loadText;
  AdminObjects objects() const { return m_context.admin(); }
  WindowContext m_context;
  QMenuBar* m_menuBar;
  QAction* m_ok;
  QAction* m_cancel;
  QTabWidget* m_tabs;
  std::array<QWidget*, 5> m_pages{};
  int m_tab = 0;
  bool m_columnsLaid = false;

  // Tab 0.
  QLineEdit* m_maxConsole;
  QComboBox* m_modem;
  QComboBox* m_fofe;
  QCheckBox* m_modoLegajo;
  QCheckBox* m_duplicados;
  QCheckBox* m_backup;
  QCheckBox* m_multiEmpresa;
  QCheckBox* m_modoVirtual;
  QComboBox* m_lenguaje;
  // Tab 1.
  std::array<QPushButton*, 6> m_cmd{};
  QTreeWidget* m_lst;
  // Tab 2.
  QPushButton* m_cmdSap;
  QPushButton* m_cmdOdbc;
  QPushButton* m_cmdCfgModem;
  QComboBox* m_modemPrg;
  ProgressListWidget* m_lstPrg;
  QLineEdit* m_timeOutModem;
  QLineEdit* m_timeOut;
  std::array<QLineEdit*, 2> m_digi{};
  QCheckBox* m_convertir;
  // Tab 3.
  std::array<QCheckBox*, 2> m_auto{};
  std::array<QCheckBox*, 7> m_semana{};
  QCheckBox* m_cerrar;
  std::array<QLineEdit*, 2> m_hora{};
  std::array<QLineEdit*, 2> m_frecAuto{};
  QLineEdit* m_frecOnline;
  // Tab 4.
  QTreeWidget* m_lvUsr;
};
