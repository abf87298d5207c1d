// The main window: menus, the 13-position toolbar, the clock selector and clock panel, the
// progress list and the status bar. Every command first adds an audit record with its caption
// as shown, then acts; the windows of the other commands come through WindowOpeners. One
// QAction per command, shared by menu and toolbar, named after its menu item ("co3").
#pragma once

#include "core/ProgramObjects.h"
#include "core/RunContext.h"
#include "widgets/common/CommandBar.h"
#include "widgets/common/HandedContext.h"
#include "widgets/common/MainWindowHost.h"
#include "widgets/main/WindowOpeners.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QSet>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;
class ProgressListWidget;
class ClsUsers;

class FormP : public QMainWindow, public MainWindowHost, public HandedContext {
  Q_OBJECT
 public:
  enum Menu { Op, Co, He, Ve, Ay };

  // Builds the window and runs its start (marker files, captions, clock list, current clock,
  // enabling, level gating). The program-wide objects must exist. The window works over
  // `context` (the program's run context) while its owner holds the objects. The logged-in user,
  // the audit log and the run mode are those of `owner` while it is the live one.
  FormP(const WindowOpeners& openers, const std::optional<RunContext>& context,
        ProgramObjects* owner, QWidget* parent = nullptr);
  ~FormP() override;

  // Captions and tool-tips from the message table in the current language.
  void LoadText();
  // Enables the commands that fit the current clock (model, telephone, card kind).
  void FijarControles();
  // Makes slot n the current clock (outside 1..100, or a free slot: no clock, defaults).
  void MostrarConfig(int16_t n);
  // The menu handler: audit record with the item's caption, then the command.
  void menuCommand(Menu menu, int index);
  // Recomputes every command's enabled state (level, clock, dial flag, window available,
  // busy).
  void updateActions();
  // The close that comes with nobody at the window (a stop signal, no display): a settings
  // save that failed is said on standard error instead of in a box.
  void setUnattendedClose(bool unattended) { m_unattendedClose = unattended; }
  bool unattendedClose() const { return m_unattendedClose; }

  // The window's part in the program's shutdown (shutdownProgram, ProgramShutdown.h): a close
  // that no guard holds up is granted once and announced by shutdownDue(), the window staying
  // up; the shutdown closes every other window, deletes the windows opened from here, and
  // ends with finishClose(), which closes this one.
  void closeOtherWindows();
  void deleteChildWindows();
  void finishClose();

  QAction* item(Menu menu, int index) const;
  // Toolbar position 1..13; nullptr for the separators 7, 10 and 12.
  QAction* button(int position) const;
  QToolBar* toolBar() const { return m_toolBar; }
  ProgressListWidget* LstP() const { return m_lstP; }

  // MainWindowHost
  void setDialEnabled(bool enabled) override;
  bool dialEnabled() const override { return m_dialEnabled; }
  void setDialPicture(int image) override;
  void setSelectorEnabled(bool enabled) override;
  void setDisplayState(int state) override;
  int displayState() const override { return m_displayState; }
  // The program's image lists (its context's); picture k is at index k - 1.
  const QList<QIcon>& ImgTool() const { return context().imgTool(); }
  const QList<QIcon>& Img() const { return context().img(); }

 signals:
  // The close may go ahead: the owner runs the shutdown (main, once the event loop is over).
  void shutdownDue();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildCommands();  // menus and toolbar, from one table
  void buildPanel();
  void start();
  void applyLevelGating();
  bool available(const QAction* a) const;  // its window exists (or it needs none)
  // Level, current clock, dial flag and window available allow the command (busy aside).
  bool allowed(const QAction* a) const;
  // A triggered command: the busy, level and clock rules allow it; it runs under the busy
  // guard.
  void commandTriggered(QAction* a);
  void runCommand(QAction* a);  // its audit record, then the command
  void openWindow(const WindowOpeners::Opener& opener);
  void reselectClock();
  void fillSelector();
  void selectorClicked();
  void resetClicked();
  void statusReading();
  void clearRecords();
  void onlineRunMode();     // the run is the on-line one
  void reselectAfterRun();  // the clock shown is the current one again
  void reloadClocks();      // after the configuration: the list, the selector, the clock
  void exitCommand();
  QString baseTip(const QAction* a) const;
  // The objects the window works over; the program stops when there are none (the window
  // needs them from its start on).
  RunContext objects() const;
  ProgramObjects* owner() const;  // none once it is not the live owner
  const ClsUsers* users() const;  // the owner's, while it has them

  WindowOpeners m_openers;
  widgets::CommandBar m_bar;
  ProgramObjects* m_owner;
  std::array<QAction*, 3> m_op{};
  std::array<QAction*, 8> m_co{};
  std::array<QAction*, 8> m_he{};
  std::array<QAction*, 2> m_ve{};
  std::array<QAction*, 1> m_ay{};
  std::array<QAction*, 3> m_sp{};
  std::array<QAction*, 14> m_buttons{};  // 1..13
  QMenu* m_opciones = nullptr;
  QMenu* m_comu = nullptr;
  QMenu* m_config = nullptr;
  QMenu* m_ver = nullptr;
  QMenu* m_acerca = nullptr;
  QMenu* m_especial = nullptr;
  QToolBar* m_toolBar = nullptr;
  ProgressListWidget* m_lstP = nullptr;
  QComboBox* m_cmbPrg = nullptr;
  QPushButton* m_cmdReset = nullptr;
  QLineEdit* m_txtReloj = nullptr;
  QLineEdit* m_txtModelo = nullptr;
  QLineEdit* m_txtPuerto = nullptr;
  QLineEdit* m_txtVelocidad = nullptr;
  QLineEdit* m_txtTelefono = nullptr;
  QLineEdit* m_txtComunicacion = nullptr;
  QLineEdit* m_txtPath = nullptr;
  QLineEdit* m_txtIP = nullptr;
  QLineEdit* m_fecActual = nullptr;
  QLabel* m_statusText = nullptr;  // the status bar's text
  QLineEdit* m_cantRegis = nullptr;
  QGroupBox* m_frmEA = nullptr;
  QLabel* m_lbleafecha = nullptr;
  QLabel* m_lblEaReg = nullptr;
  std::array<QLabel*, 7> m_labels{};  // LblReloj ... LblIP
  QSet<const QAction*> m_levelOff;    // fixed at the start for the window's life
  QSet<const QAction*> m_ruleOff;     // FijarControles' rule for the current clock
  QSet<const QAction*> m_tipped;      // actions whose tip comes from the message table
  bool m_dialEnabled = true;
  bool m_selectorEnabled = true;
  int m_displayState = 0;
  bool m_closeGranted = false;  // the shutdown is due or under way
  bool m_closed = false;        // the shutdown has closed the window
  bool m_closeWaiting = false;  // a close waits for the command on the stack
  bool m_unattendedClose = false;
  bool m_sizeTakenBack = false;  // the least size was asked for after a smaller one came
};
