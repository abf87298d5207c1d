#include "widgets/admin/Fconfig.h"

#include "admin/ModemProgram.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Messages.h"
#include "core/QtTranslations.h"
#include "widgets/admin/FCfgSAP.h"
#include "widgets/admin/FODBCLogon.h"
#include "widgets/common/CommandBar.h"
#include "widgets/common/HourglassGuard.h"
#include "widgets/common/ProgressListWidget.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
QString msg(int id) { return qs(GetMsg(id)); }

template <typename W>
W* named(W* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

QString indexed(const char* name, int i) { return QString(name) + QString::number(i); }

QGroupBox* frame(const char* name, const QString& caption, QWidget* parent) {
  return named(new QGroupBox(caption, parent), name);
}

QTreeWidget* reportList(const char* name) {
  auto* list = named(new QTreeWidget, name);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setAllColumnsShowFocus(true);
  return list;
}

}  // namespace

void openFconfig(QWidget* parent, std::function<void()> loadText, const WindowContext& context) {
  Fconfig dialog(std::move(loadText), parent, context);
  dialog.exec();
}

Fconfig::Fconfig(std::function<void()> loadText, QWidget* parent, const WindowContext& context)
    : QDialog(parent), m_loadText(std::move(loadText)), m_context(context) {
  setObjectName("Fconfig");
  setWindowTitle(msg(192));
  setModal(true);

  m_tabs = named(new QTabWidget, "Carpeta");
  const int tabCaptions[] = {127, 267, 114, 170, 398};
  for (int i = 0; i < 5; ++i) {
    m_pages[i] = named(new QWidget, indexed("Fr", i));
    m_tabs->addTab(m_pages[i], msg(tabCaptions[i]));
  }
  buildCommands(m_context.img().isEmpty() ? nullptr : &m_context.img());
  buildTab0(m_pages[0]);
  buildTab1(m_pages[1]);
  buildTab2(m_pages[2]);
  buildTab3(m_pages[3]);
  buildTab4(m_pages[4]);
  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(m_menuBar);
  layout->addWidget(findChild<QToolBar*>("Toolbar"));
  layout->addWidget(m_tabs);
  resize(640, 470);

  bool modemsListed = false;
  {
    HourglassGuard hourglass;
    // The dialog works on the settings object itself; its one change at load keeps the week
    // mask readable for every later reader.
    ClsCfgFile fallback;
    ClsCfgFile& cfg = objects().cfg ? *objects().cfg : fallback;
    config::normaliseAutoDias(cfg);
    const auto names = objects().modem ? config::modemNamesOf(*objects().modem) : std::nullopt;
    modemsListed = names.has_value();
    showForm(config::fromSettings(cfg, names.value_or(std::vector<std::string>{})));
    for (const std::string& name : ModemProgram::programFiles(objects().dataFolder))
      m_modemPrg->addItem(qs(name));
    m_modemPrg->setCurrentIndex(-1);
    MostrarRelojes();
    MostrarUsuarios();
  }
  connect(m_tabs, &QTabWidget::currentChanged, this, &Fconfig::tabChanged);
  if (!modemsListed) MsgBox(317, msgbox::Critical, {}, {}, this);
}

void Fconfig::buildCommands(const QList<QIcon>* images) {
  m_menuBar = new QMenuBar(this);
  auto* toolbar = named(new QToolBar(this), "Toolbar");
  toolbar->setToolButtonStyle(images ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
  widgets::CommandBarSpec spec;
  spec.menuBar = m_menuBar;
  spec.menus = {m_menuBar->addMenu(msg(148))};
  spec.toolBar = toolbar;
  spec.images = images && images->size() >= 2 ? images : nullptr;
  spec.pictures = widgets::CommandBarSpec::Pictures::OnActions;
  const widgets::CommandBar bar =
      widgets::buildCommandBar(this, spec,
                               {{"mnuOk", msg(108), msg(108), 1, [this] { ok(); }, 0},
                                {"mnuCancel", msg(123), msg(123), 2, [this] { reject(); }, 0}});
  m_ok = bar.actions[0];
  m_cancel = bar.actions[1];
}

void Fconfig::buildTab0(QWidget* page) {
  auto* console = frame("FrmConsole", msg(411), page);
  m_maxConsole = named(new QLineEdit, "MaxConsole");
  m_maxConsole->setMaximumWidth(90);
  (new QHBoxLayout(console))->addWidget(m_maxConsole, 0, Qt::AlignLeft);

  auto* modem = frame("FrmModem", msg(241), page);
  m_modem = named(new QComboBox, "Modem");
  (new QHBoxLayout(modem))->addWidget(m_modem);

  auto* dates = frame("Frame3", msg(222), page);
  m_fofe = named(new QComboBox, "CmbFofe");
  for (const config::DateFormat& f : config::kDateFormats) m_fofe->addItem(f.shown);
  m_modoLegajo = named(new QCheckBox(msg(244)), "ChkModoLegajo");
  auto* datesLayout = new QVBoxLayout(dates);
  datesLayout->addWidget(m_fofe);
  datesLayout->addWidget(m_modoLegajo);

  auto* options = frame("Frame2", QString(), page);
  m_duplicados = named(new QCheckBox(msg(215)), "ChkDuplicados");
  m_backup = named(new QCheckBox(QStringLiteral("Backup")), "ChkBackup");
  m_multiEmpresa = named(new QCheckBox(msg(245)), "ChkMultiEmpresa");
  m_modoVirtual = named(new QCheckBox(msg(205)), "ChkModoVirtual");
  auto* optionsLayout = new QVBoxLayout(options);
  for (QCheckBox* box : {m_duplicados, m_backup, m_multiEmpresa, m_modoVirtual})
    optionsLayout->addWidget(box);

  auto* language = frame("FrmLenguaje", msg(375), page);
  m_lenguaje = named(new QComboBox, "CmbLenguaje");
  for (const char* name : config::kLanguages) m_lenguaje->addItem(QString::fromUtf8(name));
  (new QHBoxLayout(language))->addWidget(m_lenguaje);

  auto* grid = new QGridLayout(page);
  grid->addWidget(console, 0, 0);
  grid->addWidget(modem, 0, 1);
  grid->addWidget(dates, 1, 0);
  grid->addWidget(options, 1, 1, 2, 1);
  grid->addWidget(language, 2, 0);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  // Tab goes down each column, as the frames stand, not across them in the order they were made.
  QWidget* const order[] = {m_maxConsole, m_fofe,   m_modoLegajo,   m_lenguaje,   m_modem,
                            m_duplicados, m_backup, m_multiEmpresa, m_modoVirtual};
  for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

  connect(m_modoLegajo, &QCheckBox::toggled, this, [this](bool on) {
    if (on) m_modoVirtual->setChecked(false);
    updateEnabling();
  });
}

void Fconfig::buildTab1(QWidget* page) {
  m_lst = reportList("Lst");
  QStringList headers;
  for (const config::ClockColumn& c : config::kClockColumns) headers << msg(c.header);
  m_lst->setHeaderLabels(headers);
  auto* buttons = new QHBoxLayout;
  const int captions[] = {109, 146, 118};
  for (int i = 0; i < 3; ++i) {
    m_cmd[i] = named(new QPushButton(msg(captions[i])), indexed("Cmd", i));
    buttons->addWidget(m_cmd[i]);
    connect(m_cmd[i], &QPushButton::clicked, this, [this, i] { clockCommand(i); });
  }
  buttons->addStretch();
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(buttons);
  layout->addWidget(m_lst);
  connect(m_lst, &QTreeWidget::itemDoubleClicked, this, [this] { clockCommand(1); });
}

void Fconfig::buildTab2(QWidget* page) {
  m_cmdSap = named(new QPushButton(QStringLiteral("Conexión &SAP")), "cmdSAP");
  m_cmdOdbc = named(new QPushButton(QStringLiteral("&ODBC")), "cmdODBC");
  m_cmdOdbc->hide();
  connect(m_cmdSap, &QPushButton::clicked, this, &Fconfig::openSap);
  connect(m_cmdOdbc, &QPushButton::clicked, this, [this] {
    FODBCLogon logon(this);
    logon.exec();
  });

  auto* modem = frame("CfgModem", msg(241), page);
  m_cmdCfgModem = named(new QPushButton(msg(267)), "CmdCfgModem");
  m_modemPrg = named(new QComboBox, "CmbModemPrg");
  m_lstPrg = named(new ProgressListWidget, "LstPrg");
  auto* modemLayout = new QGridLayout(modem);
  modemLayout->addWidget(m_modemPrg, 0, 0);
  modemLayout->addWidget(m_cmdCfgModem, 0, 1);
  modemLayout->addWidget(m_lstPrg, 1, 0, 1, 2);
  modemLayout->setColumnStretch(0, 1);
  connect(m_cmdCfgModem, &QPushButton::clicked, this, &Fconfig::programModem);

  auto* timeOut = frame("FrmTimeOut", msg(292) + " (" + msg(283) + ")", page);
  m_timeOutModem = named(new QLineEdit, "TXTTimeOutModem");
  m_timeOut = named(new QLineEdit, "TimeOut");
  auto* timeOutLayout = new QFormLayout(timeOut);
  timeOutLayout->addRow(named(new QLabel(msg(241)), "LblTimeOutModem"), m_timeOutModem);
  timeOutLayout->addRow(named(new QLabel(msg(274)), "LblTimeOut"), m_timeOut);

  auto* digits = frame("FrmAvanzadas", QString(), page);
  auto* digitsLayout = new QFormLayout(digits);
  const int captions[] = {236, 237};
  for (int i = 0; i < 2; ++i) {
    m_digi[i] = named(new QLineEdit, indexed("Digi", i));
    digitsLayout->addRow(named(new QLabel(msg(captions[i])), indexed("LblDigi", i)), m_digi[i]);
  }
  m_convertir = named(new QCheckBox(msg(395)), "ChkConvertir");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_cmdSap);
  buttons->addWidget(m_cmdOdbc);
  buttons->addStretch();
  auto* grid = new QGridLayout(page);
  grid->addLayout(buttons, 0, 0, 1, 2);
  grid->addWidget(modem, 1, 0, 3, 1);
  grid->addWidget(timeOut, 1, 1);
  grid->addWidget(digits, 2, 1);
  grid->addWidget(m_convertir, 4, 0, 1, 2);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(0, 1);
}

void Fconfig::buildTab3(QWidget* page) {
  auto* runs = frame("Frame4", QString(), page);
  m_auto[0] = named(new QCheckBox(msg(170)), "ChkAuto0");
  m_auto[1] = named(new QCheckBox(msg(263)), "ChkAuto1");
  m_cerrar = named(new QCheckBox(msg(281)), "ChkCerrar");
  auto* runsLayout = new QVBoxLayout(runs);
  for (QCheckBox* box : {m_auto[0], m_auto[1], m_cerrar}) runsLayout->addWidget(box);

  auto* week = frame("Frame1", QString(), page);
  auto* weekLayout = new QHBoxLayout(week);
  for (int i = 0; i < 7; ++i) {
    m_semana[i] = named(new QCheckBox(msg(365 + i)), indexed("Semana", i));
    weekLayout->addWidget(m_semana[i]);
  }

  auto edit = [](const QString& name) {
    auto* e = named(new QLineEdit, name);
    e->setMaximumWidth(60);
    return e;
  };
  for (int i = 0; i < 2; ++i) {
    m_hora[i] = edit(indexed("TxtHora", i));
    m_frecAuto[i] = edit(indexed("TxtFrecAuto", i));
  }
  m_frecOnline = edit("TxtFrecOnline");
  auto* times = new QGridLayout;
  times->addWidget(named(new QLabel(msg(363)), "LblHoraInicio"), 0, 0);
  times->addWidget(m_hora[0], 0, 1);
  times->addWidget(new QLabel(QStringLiteral(":")), 0, 2);
  times->addWidget(m_hora[1], 0, 3);
  times->addWidget(new QLabel(QStringLiteral("Frec. Auto")), 1, 0);
  times->addWidget(m_frecAuto[0], 1, 1);
  times->addWidget(new QLabel(QStringLiteral(":")), 1, 2);
  times->addWidget(m_frecAuto[1], 1, 3);
  times->addWidget(new QLabel(QStringLiteral("Frec. OnLine")), 2, 0);
  times->addWidget(m_frecOnline, 2, 1);
  times->addWidget(new QLabel(QStringLiteral("segs.")), 2, 2, 1, 2);
  times->setColumnStretch(4, 1);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(runs);
  layout->addWidget(week);
  layout->addLayout(times);
  layout->addStretch();

  for (QCheckBox* box : m_auto) connect(box, &QCheckBox::toggled, this, &Fconfig::updateEnabling);
}

void Fconfig::buildTab4(QWidget* page) {
  m_lvUsr = reportList("LvUsr");
  m_lvUsr->setHeaderLabels({msg(398)});
  auto* buttons = new QHBoxLayout;
  const int captions[] = {109, 146, 118};
  for (int i = 3; i < 6; ++i) {
    m_cmd[i] = named(new QPushButton(msg(captions[i - 3])), indexed("Cmd", i));
    buttons->addWidget(m_cmd[i]);
    connect(m_cmd[i], &QPushButton::clicked, this, [this, i] { userCommand(i); });
  }
  buttons->addStretch();
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(m_lvUsr);
  layout->addLayout(buttons);
}

void Fconfig::showForm(const config::ConfigForm& f) {
  m_fofe->setCurrentIndex(f.fofe);
  for (const std::string& name : f.modemNames) m_modem->addItem(qs(name));
  m_modem->setCurrentIndex(f.modem);
  m_auto[0]->setChecked(f.autoRun);
  m_auto[1]->setChecked(f.porPrograma);
  m_modoVirtual->setChecked(f.modoVirtual);
  m_convertir->setChecked(f.convertir);
  m_duplicados->setChecked(f.duplicados);
  for (int i = 0; i < 2; ++i) {
    m_hora[i]->setText(qs(f.hora[i]));
    m_frecAuto[i]->setText(qs(f.frecAuto[i]));
    m_digi[i]->setText(qs(f.digi[i]));
  }
  m_frecOnline->setText(qs(f.frecOnline));
  m_maxConsole->setText(qs(f.maxConsole));
  for (int i = 0; i < 7; ++i) m_semana[i]->setChecked(f.semana[i]);
  m_cerrar->setChecked(f.cerrar);
  m_timeOut->setText(qs(f.timeOut));
  m_timeOutModem->setText(qs(f.timeOutModem));
  m_backup->setChecked(f.backup);
  m_multiEmpresa->setChecked(f.multiEmpresa);
  m_modoLegajo->setChecked(f.modoLegajo);
  m_lenguaje->setCurrentIndex(f.lenguaje);
  updateEnabling();
}

config::ConfigForm Fconfig::form() const {
  config::ConfigForm f;
  auto text = [](const QLineEdit* e) { return e->text().toStdString(); };
  f.fofe = m_fofe->currentIndex();
  f.modoLegajo = m_modoLegajo->isChecked();
  f.duplicados = m_duplicados->isChecked();
  f.backup = m_backup->isChecked();
  f.multiEmpresa = m_multiEmpresa->isChecked();
  f.modoVirtual = m_modoVirtual->isChecked();
  f.lenguaje = m_lenguaje->currentIndex();
  f.maxConsole = text(m_maxConsole);
  for (int i = 0; i < m_modem->count(); ++i)
    f.modemNames.push_back(m_modem->itemText(i).toStdString());
  f.modem = m_modem->currentIndex();
  f.timeOutModem = text(m_timeOutModem);
  f.timeOut = text(m_timeOut);
  f.convertir = m_convertir->isChecked();
  f.autoRun = m_auto[0]->isChecked();
  f.porPrograma = m_auto[1]->isChecked();
  f.cerrar = m_cerrar->isChecked();
  for (int i = 0; i < 7; ++i) f.semana[i] = m_semana[i]->isChecked();
  for (int i = 0; i < 2; ++i) {
    f.digi[i] = text(m_digi[i]);
    f.hora[i] = text(m_hora[i]);
    f.frecAuto[i] = text(m_frecAuto[i]);
  }
  f.frecOnline = text(m_frecOnline);
  return f;
}

void Fconfig::updateEnabling() {
  const config::ConfigForm f = form();
  m_auto[1]->setEnabled(f.autoDependantsEnabled());
  for (QCheckBox* day : m_semana) day->setEnabled(f.autoDependantsEnabled());
  m_cerrar->setEnabled(f.autoDependantsEnabled());
  for (QLineEdit* e : m_hora) e->setEnabled(f.horaEnabled());
  m_modoVirtual->setEnabled(f.modoVirtualEnabled());
}

void Fconfig::tabChanged(int index) {
  if (m_tab >= 0 && m_tab < static_cast<int>(m_pages.size())) m_pages[m_tab]->setEnabled(false);
  if (index >= 0 && index < static_cast<int>(m_pages.size())) m_pages[index]->setEnabled(true);
  m_tab = index;
}

void Fconfig::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_columnsLaid) return;
  // Widths in 24ths of the list as it first shows; together wider than the list, as the
  // clock list always was, so it scrolls sideways.
  m_columnsLaid = true;
  const int unit = std::max(m_lst->viewport()->width(), m_tabs->width() - 30) / 24;
  for (size_t i = 0; i < config::kClockColumns.size(); ++i)
    m_lst->setColumnWidth(static_cast<int>(i), config::kClockColumns[i].units * unit);
}

void Fconfig::ok() {
  const config::ConfigForm f = form();
  if (auto failure = config::check(f)) {
    MsgBox(failure->message, failure->icon, {}, {}, this);
    if (auto* control = findChild<QWidget*>(qs(failure->control))) {
      for (int i = 0; i < m_tabs->count(); ++i)
        if (m_pages[i]->isAncestorOf(control)) m_tabs->setCurrentIndex(i);
      control->setFocus();
    }
    return;
  }
  if (!objects().cfg) return;
  std::string errors;
  {
    HourglassGuard hourglass;
    config::apply(f, *objects().cfg);
    if (objects().mirsol) {
      objects().mirsol->SetTimeOut(objects().cfg->TimeOut);
      objects().mirsol->TimeOutModem = objects().cfg->TimeOutModem;
    }
    if (!objects().cfg->SaveCfg().ok) errors += "\n" + objects().cfg->lastSaveError();
    if (objects().clocks && !objects().clocks->GrabarRelojes().ok)
      errors += "\n" + objects().clocks->status().message;
    if (objects().users && !objects().users->GrabarUsers().ok)
      errors += "\n" + objects().users->status().message;
    applyQtTranslations(objects().cfg->LENGUAJE);
    if (m_loadText) m_loadText();
  }
  // A file that was not written is said, and the dialog stays so OK can try again.
  if (!errors.empty()) {
    MsgBox(320, msgbox::Critical, {}, errors, this);
    return;
  }
  accept();
}

void Fconfig::MostrarRelojes() {
  m_lst->clear();
  if (!objects().clocks) return;
  for (const config::ClockRow& row : config::clockRows(*objects().clocks)) {
    QStringList cells;
    for (const std::string& c : row.cells) cells << qs(c);
    auto* item = new QTreeWidgetItem(m_lst, cells);
    item->setData(0, Qt::UserRole, row.slot);
  }
  if (m_lst->topLevelItemCount() > 0) m_lst->setCurrentItem(m_lst->topLevelItem(0));
}

void Fconfig::MostrarUsuarios() {
  HourglassGuard hourglass;
  m_lvUsr->clear();
  if (!objects().users) return;
  for (const config::UserRow& row : config::userRows(*objects().users)) {
    auto* item = new QTreeWidgetItem(m_lvUsr, QStringList{qs(row.name)});
    item->setData(0, Qt::UserRole, row.slot);
  }
  if (m_lvUsr->topLevelItemCount() > 0) m_lvUsr->setCurrentItem(m_lvUsr->topLevelItem(0));
}

int Fconfig::selectedSlot(QTreeWidget* list) const {
  const QList<QTreeWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? 0 : selected.front()->data(0, Qt::UserRole).toInt();
}

void Fconfig::clockCommand(int index) {
  if (!objects().clocks) return;
  const int slot = selectedSlot(m_lst);
  const int rows = m_lst->topLevelItemCount();
  MsgBoxReporter boxes;
  const bool changed = index == 0   ? config::newClock(*objects().clocks)
                       : index == 1 ? config::modifyClock(*objects().clocks, slot)
                                    : config::deleteClock(*objects().clocks, rows, slot, boxes);
  if (changed) MostrarRelojes();
}

void Fconfig::userCommand(int index) {
  if (!objects().users) return;
  const int slot = selectedSlot(m_lvUsr);
  const int rows = m_lvUsr->topLevelItemCount();
  MsgBoxReporter boxes;
  const bool changed = index == 3   ? config::newUser(*objects().users)
                       : index == 4 ? config::modifyUser(*objects().users, slot)
                                    : config::deleteUser(*objects().users, rows, slot, boxes);
  if (changed) MostrarUsuarios();
}

void Fconfig::programModem() {
  if (!objects().modem) return;
  const std::string name =
      m_modemPrg->currentIndex() >= 0 ? m_modemPrg->currentText().toStdString() : std::string();
  MsgBoxReporter boxes;
  ModemProgram::runCommand(objects().dataFolder, name, *objects().modem, *m_lstPrg, boxes,
                           [this](bool busy) {
                             setEnabled(!busy);
                             // Repaint now: the run holds the event loop between modem replies.
                             repaint();
                           });
}

void Fconfig::openSap() {
  if (!objects().cfg) return;
  FCfgSAP sap(*objects().cfg, this);
  sap.exec();
}
