#include "widgets/clock/FrmTest.h"

#include "core/Basic.h"
#include "core/Messages.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/common/ProgressListWidget.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QString msgText(int n) { return QString::fromStdString(GetMsg(n)); }
}  // namespace

FrmTest::FrmTest(QWidget* parent, const WindowContext& context)
    : ClockWindow(parent, "FrmTest", 264, Images::Img, context) {
  const auto commands = addCommands({commandRow("mnu0", 137, 6, [this] { mnu(0); }),
                                     commandRow("mnu1", 105, 12, [this] { mnu(1); }),
                                     commandRow("mnu2", 123, 10, [this] { mnu(2); }),
                                     commandRow("mnu3", 154, 2, [this] { mnu(3); })});
  std::copy(commands.begin(), commands.end(), m_cmd.begin());
  m_port = new QComboBox(this);
  m_port->setObjectName("CmbPuerto");
  for (int n = 1; n <= 16; ++n) m_port->addItem(QString("COM%1").arg(n));
  m_port->setCurrentIndex(0);
  m_img = new QLabel(this);
  m_img->setObjectName("Img5");
  m_img->setFixedSize(36, 36);
  m_probe = new QLabel(this);
  m_probe->setObjectName("LblProbe");
  m_lst = new ProgressListWidget(this);
  m_lst->setObjectName("LstLst");
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(msgText(271) + ":", this));
  top->addWidget(m_port);
  top->addStretch(1);
  top->addWidget(m_img);
  body()->addLayout(top);
  body()->addWidget(m_lst, 1);
  body()->addWidget(m_probe);
  resize(460, 380);

  m_hooks.picture = [this](int n) { setPicture(n); };
  m_hooks.beep = [] { QApplication::beep(); };
  m_hooks.disable = [this] { Deshabilitar(); };
  m_hooks.enable = [this] { habilitar(); };
  m_hooks.progress = [this](int n, const std::string& id, const std::string& speed,
                            const std::string& port) {
    m_probe->setText(QString::fromStdString(GetMsg(274) + ": " + id + "   " + GetMsg(301) + ": " +
                                            basic::Trim(speed) + "   " + GetMsg(271) + ": " +
                                            port) +
                     QString("   (%1 / %2)").arg(n).arg(collect::kDetectProbes));
  };
  setPicture(0);
  habilitar();
}

FrmTest::~FrmTest() = default;

void FrmTest::setPicture(int n) {
  static const QStyle::StandardPixmap pictures[5] = {QStyle::SP_DriveHDIcon, QStyle::SP_ArrowRight,
                                                     QStyle::SP_ArrowDown, QStyle::SP_ArrowLeft,
                                                     QStyle::SP_ArrowUp};
  m_picture = n;
  m_img->setPixmap(style()->standardIcon(pictures[n < 0 || n > 4 ? 0 : n]).pixmap(32, 32));
}

void FrmTest::Deshabilitar() {
  for (int i : {0, 1, 3}) m_cmd[static_cast<size_t>(i)]->setEnabled(false);
  m_cmd[2]->setEnabled(true);
  m_port->setEnabled(false);
}

void FrmTest::habilitar() {
  for (int i : {0, 1, 3}) m_cmd[static_cast<size_t>(i)]->setEnabled(true);
  m_cmd[2]->setEnabled(false);
  m_port->setEnabled(true);
}

std::unique_ptr<collect::PortTest> FrmTest::makeRun(const RunContext& ctx) {
  return std::make_unique<collect::PortTest>(*m_lst, ctx, m_boxes, m_hooks);
}

void FrmTest::DoTest() {
  const std::optional<RunContext> ctx = runContext();
  if (!ctx || m_run) return;
  ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
  m_run = makeRun(*ctx);
  m_run->DoTest(m_port->currentIndex() + 1);
  m_run.reset();
}

void FrmTest::DoDetectar() {
  const std::optional<RunContext> ctx = runContext();
  if (!ctx || m_run) return;
  ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
  m_run = makeRun(*ctx);
  m_run->DoDetectar();
  m_run.reset();
  m_probe->clear();
}

void FrmTest::mnu(int index) {
  switch (index) {
    case 0:
      DoTest();
      break;
    case 1:
      DoDetectar();
      break;
    case 2:
      // Only the flags: the run sees them at its next check and re-enables the window when it
      // returns (enabling here let a second run start inside the first one's wait).
      if (m_run) m_run->Cancelar();
      break;
    case 3:
      close();
      break;
    default:
      break;
  }
}

void FrmTest::closeEvent(QCloseEvent* e) {
  if (m_run) m_run->Cancelar();
  ClockWindow::closeEvent(e);
}

void FrmTest::reject() {
  if (m_run) m_run->Cancelar();
  ClockWindow::reject();
}
