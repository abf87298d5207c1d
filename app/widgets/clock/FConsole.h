// FConsole: the collection console. Every FRECONLINE seconds it polls the active clocks once
// (download into the clock's file and CONSOLE.MIR, clearing after every good download) and
// shows the new CONSOLE.MIR lines as rows; the pause and exit commands share menu and toolbar.
#pragma once

#include "collect/CollectionPass.h"
#include "collect/ConsoleFile.h"
#include "widgets/common/HandedContext.h"

#include <QDialog>

#include <cstdint>
#include <optional>

class QAction;
class QLabel;
class QTimer;
class QTreeWidget;
class ProgressListWidget;

class FConsole : public QDialog, public HandedContext {
  Q_OBJECT

 public:
  explicit FConsole(QWidget* parent, const WindowContext& context);
  ~FConsole() override;

  // Adds the new lines of CONSOLE.MIR and trims the list to MAXCONSOLE rows.
  void ReadFile(bool firstFill);
  // Menu command 0 pause/resume, 1 exit; during a cycle it only asks the cycle to stop.
  void menuCommand(int index);

  QTreeWidget* records() const { return m_lista; }
  QTimer* timer() const { return m_timer; }
  bool busy() const;
  int cycles() const { return m_cycles; }
  collect::PassSeams& passSeams() { return m_seams; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape is the close box

 private:
  void onTick();
  void sortBy(int column);
  // Where the console file is and how its rows show: the run context's; none without one.
  std::optional<collect::ConsoleSettings> consoleSettings() const;

  QTimer* m_timer;
  QTreeWidget* m_lista;
  ProgressListWidget* m_lstP;
  QLabel* m_lbl;
  QLabel* m_total;
  QAction* m_mnu[2];
  collect::ConsoleFile m_file;
  collect::PassSeams m_seams;
  int m_sortColumn = 0;
  bool m_ascending = false;
  bool m_abort = false;
  bool m_paused = false;
  int m_cycles = 0;
};
