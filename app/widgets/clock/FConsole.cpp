#include "widgets/clock/FConsole.h"

#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Messages.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/CommandBar.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/common/HourglassGuard.h"
#include "widgets/common/MainWindowHost.h"
#include "widgets/common/ProgressListWidget.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString msg(int n) { return QString::fromStdString(GetMsg(n)); }

// Rows sort on their line number in column 0 (a text sort put line 10000 before 9999).
class RecordItem : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (column == 0) return data(0, Qt::UserRole).toInt() < other.data(0, Qt::UserRole).toInt();
    return QTreeWidgetItem::operator<(other);
  }
};

// "Str" of a non-negative number: one leading blank.
QString str(int64_t n) { return QStringLiteral(" ") + QString::number(n); }

}  // namespace

FConsole::FConsole(QWidget* parent, const WindowContext& context)
    : QDialog(parent), HandedContext(context) {
  setObjectName("FConsole");
  handToBusyRule(this);
  setWindowTitle(msg(406));
  m_timer = new QTimer(this);
  m_timer->setObjectName("Cronometro");
  m_lbl = new QLabel(this);
  m_lbl->setObjectName("Lbl");
  auto* label2 = new QLabel(msg(295), this);
  label2->setObjectName("Label2");
  m_total = new QLabel(QStringLiteral("0/0"), this);
  m_total->setObjectName("TTotal");
  m_lista = new QTreeWidget(this);
  m_lista->setObjectName("ListaReg");
  m_lista->setRootIsDecorated(false);
  m_lista->setToolTip(msg(225));
  m_lstP = new ProgressListWidget(this);
  m_lstP->setObjectName("LstP");
  m_lstP->setMaximumHeight(90);
  m_seams.list = m_lstP;
  m_seams.label = [this](const std::string& t) { m_lbl->setText(QString::fromStdString(t)); };
  m_seams.stopRequested = [this] { return m_abort; };

  const QList<QIcon>* images = &context.imgTool();
  auto* toolbar = new QToolBar(this);
  toolbar->setObjectName("Toolbar");
  auto* menu = new QMenuBar(this);
  widgets::CommandBarSpec spec;
  spec.menuBar = menu;
  spec.menus = {menu->addMenu(msg(406))};
  spec.toolBar = toolbar;
  spec.images = images;
  spec.pictures = widgets::CommandBarSpec::Pictures::OnActions;
  const widgets::CommandBar bar =
      widgets::buildCommandBar(this, spec,
                               {{"mnu0", msg(408), msg(408), 12, [this] { menuCommand(0); }, 0},
                                {"mnu1", msg(154), msg(154), 10, [this] { menuCommand(1); }, 0}});
  m_mnu[0] = bar.actions[0];
  m_mnu[1] = bar.actions[1];

  auto* lblFrame = new QGroupBox(this);
  auto* lblRow = new QHBoxLayout(lblFrame);
  lblRow->addWidget(m_lbl, 1);
  lblRow->addWidget(label2);
  lblRow->addWidget(m_total);
  auto* listFrame = new QGroupBox(msg(272), this);
  auto* listBox = new QVBoxLayout(listFrame);
  listBox->addWidget(m_lista);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menu);
  layout->addWidget(toolbar);
  layout->addWidget(lblFrame);
  layout->addWidget(listFrame, 1);
  layout->addWidget(m_lstP);
  resize(720, 480);

  HourglassGuard hourglass;
  const std::optional<RunContext> ctx = runContext();
  const bool legajo = ctx && ctx->cfg.ModoLegajo == 1;
  const bool touch = ctx && ctx->clocks.m_TipoNumero == 2;
  m_lista->setHeaderLabels({msg(254), msg(219), msg(227), msg(274), msg(231),
                            msg(legajo  ? 235
                                : touch ? 296
                                        : 288),
                            msg(204)});
  const int widths[] = {2, 3, 2, 1, 1, 2, 6};
  for (int c = 0; c < 7; ++c) m_lista->setColumnWidth(c, widths[c] * 40);
  m_lista->header()->setSectionsClickable(true);
  connect(m_lista->header(), &QHeaderView::sectionClicked, this, &FConsole::sortBy);
  m_lista->sortItems(0, Qt::DescendingOrder);
  ReadFile(true);

  setCancelFlags(0);
  // A close during a cycle cuts the clock's and the modem's waits short.
  BusyGuard::onCancel(this, [this] { setCancelFlags(1); });
  connect(m_timer, &QTimer::timeout, this, &FConsole::onTick);
  // A period of 0 or less runs no cycles: the console only shows the file.
  const int64_t period = ctx ? int64_t{ctx->cfg.FrecOnline} * 1000 : 0;
  if (period > 0) {
    m_timer->setInterval(static_cast<int>(std::min<int64_t>(period, 0x7FFFFFFF)));
    m_timer->start();
  }
  if (MainWindowHost* h = context.host()) h->setDisplayState(1);
}

FConsole::~FConsole() {
  if (const std::optional<RunContext> ctx = runContext()) ctx->mirsol.SetCancel(0);
  if (MainWindowHost* h = context().host()) h->setDisplayState(0);
}

std::optional<collect::ConsoleSettings> FConsole::consoleSettings() const {
  if (const std::optional<RunContext> ctx = runContext())
    return collect::consoleSettingsOf(ctx->dataFolder, &ctx->cfg, &ctx->clocks);
  return std::nullopt;
}

void FConsole::ReadFile(bool firstFill) {
  const std::optional<collect::ConsoleSettings> settings = consoleSettings();
  if (!settings) return;
  int32_t total = m_file.shownLines();
  const auto rows = m_file.readNew(*settings, total);
  // A console file that is refused (a FIFO, a link, one far too large) says so in the window's
  // list, in red, on every read while it is refused: each cycle clears the list, and an
  // operator coming back to an unattended console must still see why it shows nothing. A box
  // would stop the cycles.
  if (!m_file.error().empty()) m_lstP->add(GetMsg(386) + ": " + m_file.error(), kRedLine);
  if (rows.empty() && total == 0) return;
  HourglassGuard hourglass;
  m_lista->setSortingEnabled(false);
  for (const collect::ConsoleRow& r : rows) {
    auto* item = new RecordItem;
    for (int c = 0; c < 7; ++c) item->setText(c, QString::fromStdString(r.cells[c]));
    item->setData(0, Qt::UserRole, r.line);
    QFont f = m_lista->font();
    f.setBold(r.bold || r.red);
    for (int c = 0; c < 7; ++c) {
      item->setFont(c, f);
      if (r.red) item->setForeground(c, QColor(255, 0, 0));
    }
    if (r.red && !r.bold) {
      f.setBold(false);
      for (int c = 0; c < 7; ++c) item->setFont(c, f);
    }
    m_lista->addTopLevelItem(item);
  }
  m_lista->sortItems(m_sortColumn, m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
  const std::optional<RunContext> ctx = runContext();
  const int maxRows = ctx ? std::max<int>(ctx->cfg.MaxConsole, 0) : 200;
  while (m_lista->topLevelItemCount() > maxRows)
    delete m_lista->takeTopLevelItem(firstFill ? 0 : m_lista->topLevelItemCount() - 1);
  m_total->setText(str(m_lista->topLevelItemCount()) + "/" + str(total));
}

void FConsole::sortBy(int column) {
  if (column != m_sortColumn) {
    m_sortColumn = column;
    m_ascending = true;
  } else {
    m_ascending = !m_ascending;
  }
  m_lista->sortItems(m_sortColumn, m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void FConsole::onTick() {
  m_timer->stop();
  ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
  if (std::optional<RunContext> ctx = runContext())
    collect::PollClocks(*ctx, collect::PassMode::Console, m_seams);
  m_lstP->clear();
  ReadFile(false);
  const bool closeCame = exchange.endAndCheckClose();
  ++m_cycles;
  const bool closing = closeCame || !isVisible();
  m_abort = false;
  if (!closing && !m_paused) m_timer->start();
}

bool FConsole::busy() const { return BusyGuard::busy(this); }

void FConsole::menuCommand(int index) {
  if (busy()) {
    m_abort = true;
    return;
  }
  const std::optional<RunContext> ctx = runContext();
  if (index == 0) {
    m_paused = !m_paused;
    const int text = m_paused ? 409 : 408;
    m_mnu[0]->setText(msg(text));
    m_mnu[0]->setToolTip(msg(text));
    m_mnu[0]->setIcon(context().imgTool().value(m_paused ? 8 : 11));
    if (m_paused)
      m_timer->stop();
    else if (m_timer->interval() > 0 && ctx && ctx->cfg.FrecOnline > 0)
      m_timer->start();
  } else {
    if (const std::optional<collect::ConsoleSettings> settings = consoleSettings())
      collect::DepurarConsola(settings->dataFolder, ctx ? ctx->cfg.MaxConsole : 200);
    close();
  }
}

void FConsole::closeEvent(QCloseEvent* event) {
  m_abort = true;
  m_timer->stop();
  // A cycle on the stack is told to stop; the window goes once it has returned.
  if (BusyGuard::deferClose(this, event)) return;
  event->accept();
}

void FConsole::reject() { close(); }
