// fAuto: the automatic and on-line collection window. A one-second timer asks the schedule
// whether a pass is due, shows the waiting line meanwhile, and runs the pass over the
// window's list; the stop button (and the close box) asks for a log-in before the automatic
// run stops. The logic lives in AutoSchedule and PollClocks; this window only wires them.
#pragma once

#include "collect/AutoSchedule.h"
#include "collect/CollectionPass.h"
#include "core/ClsLogger.h"
#include "widgets/common/HandedContext.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QTimer;
class ProgressListWidget;

class ClsUsers;

class fAuto : public QDialog, public HandedContext {
  Q_OBJECT

 public:
  // What the window is handed of the program beside its context: the run mode it opens in (2
  // the automatic run, else the on-line one) and the users a stop's log-in is checked against.
  struct Program {
    int16_t runMode = 0;
    ClsUsers* users = nullptr;
  };
  fAuto(QWidget* parent, const WindowContext& context, const Program& program);
  ~fAuto() override;

  // The stop request of the button and the close box.
  void Cmd_Click();
  // A stop nobody attends (SIGTERM, SIGINT): no log-in, the run stops and the program ends.
  void stopUnattended();

  // True once the run asked for the whole program to end (AUTODIAS, an empty log-in user, a
  // signal); the opener hands it back, and start-up then ends without the main window.
  bool endsProgram() const { return m_endsProgram; }
  // The window currently open in `shared`, for the signal handler; null when none.
  static fAuto* current(const SharedWindowState& shared);

  // Seams for the tests: the log-in (default: the log-in window), the schedule's clock, the
  // pass's waits.
  std::function<bool(std::string& user, std::string& psw)> login;
  std::function<collect::ScheduleNow()> now = collect::ScheduleNow::current;
  collect::PassSeams& passSeams() { return m_seams; }
  ProgressListWidget* list() const { return m_lst; }
  QTimer* timer() const { return m_timer; }
  bool passBusy() const;
  int passesRun() const { return m_passes; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape is the close box

 private:
  void onTick();
  void runPass();
  void shipModally(collect::Shipment what);
  void endProgram();
  bool automatic() const { return m_automatic; }

  QTimer* m_timer;
  bool m_endsProgram = false;
  ProgressListWidget* m_lst;
  QLabel* m_label;
  QPushButton* m_cmd;
  collect::AutoSchedule m_schedule;
  collect::PassSeams m_seams;
  ClsLogger m_logger;
  bool m_automatic = true;
  ClsUsers* m_users;
  bool m_loaded = false;
  bool m_exitRequested = false;
  int m_passes = 0;
};
