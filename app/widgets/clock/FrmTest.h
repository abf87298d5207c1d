// FrmTest: the port test window. Iniciar tests the chosen port at every speed (loop-back plug
// or modem), Detectar searches COM1-COM4 for a clock; Cancelar stops either at its next check.
#pragma once

#include "collect/PortTest.h"
#include "widgets/clock/ClockWindow.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <array>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class ProgressListWidget;

class FrmTest : public ClockWindow {
  Q_OBJECT

 public:
  explicit FrmTest(QWidget* parent, const WindowContext& context);
  ~FrmTest() override;

  void DoTest();
  void DoDetectar();
  void Deshabilitar();
  void habilitar();
  void mnu(int index);

  QComboBox* CmbPuerto() const { return m_port; }
  ProgressListWidget* LstLst() const { return m_lst; }
  QLabel* LblProbe() const { return m_probe; }
  QAction* command(int i) const { return m_cmd[static_cast<size_t>(i)]; }
  // The runs' hooks, for the tests: short waits, a fake probe.
  collect::PortTest::Hooks& hooks() { return m_hooks; }
  int picture() const { return m_picture; }

 protected:
  void updateCommands() override {}  // Deshabilitar and habilitar rule the commands
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  void setPicture(int n);
  std::unique_ptr<collect::PortTest> makeRun(const RunContext& ctx);

  QComboBox* m_port;
  ProgressListWidget* m_lst;
  QLabel* m_img;
  QLabel* m_probe;
  std::array<QAction*, 4> m_cmd{};
  collect::PortTest::Hooks m_hooks;
  MsgBoxReporter m_boxes;
  std::unique_ptr<collect::PortTest> m_run;
  int m_picture = 0;
};
