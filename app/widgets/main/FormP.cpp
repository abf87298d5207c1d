#include "widgets/main/FormP.h"

#include "admin/ClockStatus.h"
#include "collect/FGrales.h"
#include "core/Basic.h"
#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/FailureMessage.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/ProgramObjects.h"
#include "core/Release.h"
#include "widgets/common/AppImages.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/CommandBar.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/common/HourglassGuard.h"
#include "widgets/common/ProgressListWidget.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/main/ProgramWindows.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <clocklink/CollectionStatus.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
QString msg(int id) { return q(GetMsg(id)); }

constexpr const char* kMenuProperty = "veltaMenu";
constexpr const char* kIndexProperty = "veltaIndex";

// Toolbar position -> tool-tip message (0: none).
constexpr std::array<int, 14> kButtonTips = {0, 230, 234, 174, 176, 185, 192,
                                             0, 303, 203, 0,   364, 0,   281};

QLineEdit* field(const char* name, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setReadOnly(true);
  e->setFocusPolicy(Qt::NoFocus);
  return e;
}

QLabel* label(const char* name, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  return l;
}

}  // namespace

FormP::FormP(const WindowOpeners& openers, const std::optional<RunContext>& context,
             ProgramObjects* owner, QWidget* parent)
    : QMainWindow(parent),
      HandedContext(programWindowContext(context, owner)),
      m_openers(openers),
      m_owner(owner) {
  setObjectName("FormP");
  // The busy rule of the main window and the windows opened over it counts in the owner's
  // clock windows' state.
  handToBusyRule(this);
  // The windows opened while it is open find it in their context.
  if (ClockWindowsState* state = handedWindowState()) state->host = this;
  buildCommands();
  buildPanel();
  BusyGuard::onChange(this, [this] { updateActions(); });
  // A close held up by a command cancels the clock and modem objects the window works over.
  BusyGuard::onCancel(this, [this] { setCancelFlags(1); });
  start();
}

FormP::~FormP() {
  if (ClockWindowsState* state = handedWindowState(); state && state->host == this)
    state->host = nullptr;
}

ProgramObjects* FormP::owner() const {
  return m_owner && m_owner == ProgramObjects::current() ? m_owner : nullptr;
}

const ClsUsers* FormP::users() const { return owner() ? owner()->users() : nullptr; }

RunContext FormP::objects() const {
  if (std::optional<RunContext> ctx = runContext()) return *ctx;
  std::fputs("velta: the main window used with no program-wide objects\n", stderr);
  std::abort();
}

// ---------------------------------------------------------------------------------------
// Building.

void FormP::buildCommands() {
  auto topMenu = [this](const char* name) {
    QMenu* m = menuBar()->addMenu(QString());
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    m->setToolTipsVisible(true);
    return m;
  };
  m_opciones = topMenu("opciones");
  m_comu = topMenu("Comu");
  m_config = topMenu("config");
  m_ver = topMenu("ver");
  m_acerca = topMenu("acerca");
  // E&special: a header whose entries carry no command; hidden for the window's life.
  m_especial = new QMenu(QString(), m_config);
  m_especial->setObjectName("especial");
  enum { kOp, kCo, kHe, kVe, kAy, kSp };

  // The captions come with the texts (LoadText). Toolbar places 7, 10 and 12 are separators;
  // the pictures are ImgTool's (5 is the dial picture; 9, 10, 12 are also the console's
  // continue, exit and pause).
  std::vector<widgets::Command> table;
  using O = WindowOpeners;
  // A command: its action (menu and index, named after them), its place and picture, what it
  // runs, and the window it opens (null for the window's own): a command whose window is unset
  // stays disabled.
  std::vector<std::pair<QString, std::pair<Menu, int>>> items;  // action name -> menu, index
  auto command = [this, &table, &items](int into, Menu menu, const char* prefix, int index,
                                        int place, int picture, O::Opener O::*opener,
                                        std::function<void()> run) {
    widgets::Command c;
    c.name = QString("%1%2").arg(prefix).arg(index);
    items.push_back({c.name, {menu, index}});
    c.image = picture;
    c.run = std::move(run);
    if (opener) c.available = [this, opener] { return static_cast<bool>(m_openers.*opener); };
    c.menu = into;
    c.button = place;
    table.push_back(std::move(c));
  };
  auto opens = [this](O::Opener O::*opener) {
    return [this, opener] { openWindow(m_openers.*opener); };
  };
  auto window = [&command, &opens](int into, Menu menu, const char* prefix, int index,
                                   O::Opener O::*opener, int place = 0, int picture = 0) {
    command(into, menu, prefix, index, place, picture, opener, opens(opener));
  };
  auto own = [&command](int into, Menu menu, const char* prefix, int index, int place, int picture,
                        std::function<void()> run) {
    command(into, menu, prefix, index, place, picture, nullptr, std::move(run));
  };
  auto other = [&table](int into, const char* name, widgets::Command::Kind kind, int submenu = -1) {
    widgets::Command c;
    c.name = name;
    c.menu = into;
    c.button = 0;
    c.kind = kind;
    c.submenu = submenu;
    table.push_back(std::move(c));
  };
  using K = widgets::Command::Kind;
  // A failure thrown on the way through the configuration closes the main window.
  command(kOp, Op, "op", 0, 6, 6, &O::Fconfig, [this] {
    try {
      openWindow(m_openers.Fconfig);
      reloadClocks();
    } catch (const std::exception&) {
      close();
    }
  });
  other(kOp, "op1", K::Separator);
  own(kOp, Op, "op", 2, 13, 10, [this] { exitCommand(); });
  own(kCo, Co, "co", 0, 1, 1, [this] { statusReading(); });
  window(kCo, Co, "co", 1, &O::FIniModemConectar, 5, 5);
  window(kCo, Co, "co", 2, &O::FLeer, 2, 2);
  own(kCo, Co, "co", 3, 3, 3, [this] { clearRecords(); });
  window(kCo, Co, "co", 4, &O::FTime, 4, 4);
  // The run points the clock objects at every clock it visits: back to the one shown, so the
  // next command acts on the clock the panel names.
  command(kCo, Co, "co", 5, 11, 9, &O::fAuto, [this] {
    onlineRunMode();
    openWindow(m_openers.fAuto);
    reselectAfterRun();
  });
  window(kCo, Co, "co", 6, &O::FCbioReloj);
  command(kCo, Co, "co", 7, 0, 0, &O::FConsole, [this] {
    openWindow(m_openers.FConsole);
    reselectAfterRun();
  });
  window(kHe, He, "he", 0, &O::FCacheo);
  window(kHe, He, "he", 1, &O::FTjtas);
  window(kHe, He, "he", 2, &O::FSirenas);
  window(kHe, He, "he", 3, &O::FBases, 9, 8);
  other(kHe, "he4", K::Submenu, kSp);
  other(kSp, "sp0", K::Action);
  other(kSp, "sp1", K::Separator);
  other(kSp, "sp2", K::Action);
  window(kHe, He, "he", 5, &O::FEmpr);
  other(kHe, "he6", K::Separator);
  window(kHe, He, "he", 7, &O::FrmTest);
  window(kVe, Ve, "ve", 0, &O::FVerArch, 8, 7);
  window(kVe, Ve, "ve", 1, &O::FAud);
  window(kAy, Ay, "ay", 0, &O::frmAbout);

  m_toolBar = new QToolBar(this);
  m_toolBar->setObjectName("Toolbar");
  m_toolBar->setMovable(false);
  m_toolBar->setIconSize(QSize(24, 24));
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  widgets::CommandBarSpec spec;
  spec.menuBar = menuBar();
  spec.menus = {m_opciones, m_comu, m_config, m_ver, m_acerca, m_especial};
  spec.toolBar = m_toolBar;
  spec.images = &ImgTool();
  spec.pictures = widgets::CommandBarSpec::Pictures::OnActions;
  spec.picturesInMenus = false;  // menus show captions only; the pictures belong to the toolbar
  spec.trigger = [this](QAction* a, const std::function<void()>&) { commandTriggered(a); };
  m_bar = widgets::buildCommandBar(this, spec, table);

  auto take = [this](const char* prefix, auto& list) {
    for (size_t i = 0; i < list.size(); ++i)
      list[i] = m_bar.action(QString("%1%2").arg(prefix).arg(i));
  };
  take("op", m_op);
  take("co", m_co);
  take("he", m_he);
  take("ve", m_ve);
  take("ay", m_ay);
  take("sp", m_sp);
  for (const auto& [name, place] : items) {
    QAction* a = m_bar.action(name);
    a->setProperty(kMenuProperty, static_cast<int>(place.first));
    a->setProperty(kIndexProperty, place.second);
  }
  for (QAction* a : m_toolBar->actions())
    if (!a->isSeparator()) m_buttons[static_cast<size_t>(m_toolBar->actions().indexOf(a) + 1)] = a;
}

void FormP::buildPanel() {
  auto* central = new QWidget(this);
  central->setObjectName("central");
  setCentralWidget(central);

  auto* image1 = new QLabel(central);
  image1->setObjectName("Image1");
  image1->setPixmap(widgets::banner(QSize(300, 56)));

  auto* lblRS = label("LblRS", central);
  m_cmbPrg = new QComboBox(central);
  m_cmbPrg->setObjectName("CmbPrg");
  m_cmbPrg->setMinimumWidth(260);
  connect(m_cmbPrg, &QComboBox::activated, this, [this](int) { selectorClicked(); });

  m_labels = {label("LblReloj", central),
              label("LblPuerto", central),
              label("LblTelefono", central),
              label("LblComunicacion", central),
              label("LblPath", central),
              label("LblIP", central),
              lblRS};
  m_txtReloj = field("TxtReloj", central);
  m_txtReloj->setMaximumWidth(40);
  m_txtModelo = field("TxtModelo", central);
  m_txtPuerto = field("TxtPuerto", central);
  m_txtPuerto->setMaximumWidth(80);
  m_txtVelocidad = field("TxtVelocidad", central);
  m_txtTelefono = field("TxtTelefono", central);
  m_txtComunicacion = field("TxtComunicacion", central);
  m_txtPath = field("txtPath", central);
  m_txtIP = field("TxtIP", central);

  auto* grid = new QGridLayout;
  grid->addWidget(m_labels[0], 0, 0);
  grid->addWidget(m_txtReloj, 0, 1);
  grid->addWidget(m_txtModelo, 0, 2);
  grid->addWidget(m_labels[1], 1, 0);
  grid->addWidget(m_txtPuerto, 1, 1);
  grid->addWidget(m_txtVelocidad, 1, 2);
  grid->addWidget(m_labels[2], 2, 0);
  grid->addWidget(m_txtTelefono, 2, 1, 1, 2);
  grid->addWidget(m_labels[3], 3, 0);
  grid->addWidget(m_txtComunicacion, 3, 1, 1, 2);
  grid->addWidget(m_labels[4], 4, 0);
  grid->addWidget(m_txtPath, 4, 1, 1, 2);
  grid->addWidget(m_labels[5], 5, 0);
  grid->addWidget(m_txtIP, 5, 1, 1, 2);

  m_frmEA = new QGroupBox(central);
  m_frmEA->setObjectName("FrmEA");
  m_lbleafecha = label("lbleafecha", m_frmEA);
  m_lblEaReg = label("LBLeaReg", m_frmEA);
  m_fecActual = field("FecActual", m_frmEA);
  m_cantRegis = field("CantRegis", m_frmEA);
  auto* ea = new QGridLayout(m_frmEA);
  ea->addWidget(m_lbleafecha, 0, 0);
  ea->addWidget(m_fecActual, 0, 1);
  ea->addWidget(m_lblEaReg, 1, 0);
  ea->addWidget(m_cantRegis, 1, 1);

  m_cmdReset = new QPushButton("RESETEAR PEXEL", central);
  m_cmdReset->setObjectName("CmdReset");
  connect(m_cmdReset, &QPushButton::clicked, this, &FormP::resetClicked);

  auto* left = new QVBoxLayout;
  left->addWidget(image1);
  left->addWidget(lblRS);
  left->addWidget(m_cmbPrg);
  left->addSpacing(6);
  left->addLayout(grid);
  left->addWidget(m_frmEA);
  left->addWidget(m_cmdReset);
  left->addStretch();

  m_lstP = new ProgressListWidget(central);
  m_lstP->setObjectName("LstP");
  m_lstP->setMinimumWidth(320);

  auto* row = new QHBoxLayout(central);
  row->addLayout(left);
  row->addWidget(m_lstP, 1);

  statusBar()->setObjectName("StatusBar");
  // The clock's last clearing is the status bar's own text, not a passing message: the menus'
  // tips, which clear a passing message, only cover it while they show.
  m_statusText = new QLabel(statusBar());
  m_statusText->setObjectName("StatusText");
  statusBar()->addWidget(m_statusText, 1);
  resize(860, 520);
}

// ---------------------------------------------------------------------------------------
// Start.

void FormP::start() {
  HourglassGuard hourglass;
  MarcarEstado(2);
  LoadText();
  m_cmdReset->hide();
  setWindowTitle(q("Velta 2000 - " + (users() ? users()->auName : std::string())));
  const RunContext ctx = objects();
  // A clock store that could not be read leaves the list empty: say so and why, and go on.
  if (ctx.clocks.status().unreadable)
    MsgBox(311, msgbox::Critical, {}, ": " + ctx.clocks.status().loadReason(), this);
  fillSelector();
  MostrarConfig(ctx.cfg.RelojActivo);
  FijarControles();
  setEnabled(true);
  m_he[4]->setVisible(false);
  applyLevelGating();
  updateActions();
}

void FormP::applyLevelGating() {
  const int16_t level = users() ? users()->GetLevel() : 0;
  m_levelOff.clear();
  if (level == 2) return;
  if (level == 1) {
    m_levelOff = {m_op[0], m_ve[1]};  // button 6 is op(0)
    return;
  }
  // Buttons 3, 4, 9 and 6 are co(3), co(4), he(3) and op(0).
  m_levelOff = {m_co[3], m_co[4], m_he[3], m_op[0], m_ve[1]};
}

void FormP::LoadText() {
  m_tipped.clear();
  for (int i = 1; i <= 13; ++i) {
    if (!m_buttons[i] || kButtonTips[i] == 0) continue;
    m_buttons[i]->setToolTip(msg(kButtonTips[i]));
    m_tipped.insert(m_buttons[i]);
  }
  m_opciones->setTitle(msg(148));
  m_comu->setTitle(msg(126));
  m_config->setTitle(msg(142));
  m_ver->setTitle(msg(158));
  m_acerca->setTitle("&?");
  constexpr std::array<int, 7> kCo = {143, 130, 138, 119, 139, 364, 124};
  for (size_t i = 0; i < kCo.size(); ++i) m_co[i]->setText(msg(kCo[i]));
  m_co[7]->setText("&" + msg(406));
  m_he[0]->setText(msg(150));
  m_he[2]->setText(msg(151));
  m_he[3]->setText(msg(129));
  m_especial->setTitle(msg(132));
  m_he[5]->setText(msg(117));
  m_he[7]->setText(msg(157));
  m_ve[0]->setText(msg(159));
  m_ve[1]->setText(msg(405));
  m_ay[0]->setText(msg(107));
  m_op[0]->setText(msg(127));
  m_op[2]->setText(msg(155));
  m_sp[0]->setText(msg(149));
  m_sp[2]->setText(msg(145));
  m_frmEA->setTitle(msg(218));
  m_lbleafecha->setText(msg(219) + ":");
  m_lblEaReg->setText(msg(256) + ":");
  constexpr std::array<int, 7> kLabels = {274, 271, 289, 183, 210, 208, 278};
  for (size_t i = 0; i < kLabels.size(); ++i) m_labels[i]->setText(msg(kLabels[i]));
  const std::optional<RunContext> ctx = runContext();
  m_he[1]->setText(msg(ctx && ctx->clocks.m_TipoNumero == 2 ? 286 : 156));
  updateActions();
}

// ---------------------------------------------------------------------------------------
// Enabling.

QString FormP::baseTip(const QAction* a) const {
  if (m_tipped.contains(a)) {
    for (int i = 1; i <= 13; ++i)
      if (m_buttons[i] == a && kButtonTips[i]) return msg(kButtonTips[i]);
  }
  return QString(a->text()).remove('&');
}

bool FormP::available(const QAction* a) const {
  const widgets::Command* c = m_bar.command(a);
  return !c || !c->available || c->available();
}

bool FormP::allowed(const QAction* a) const {
  if (!a || a->isSeparator() || a == m_he[4]) return false;
  if (!available(a) || m_levelOff.contains(a) || m_ruleOff.contains(a)) return false;
  return a != m_co[1] || m_dialEnabled;
}

void FormP::updateActions() {
  if (!m_co[0]) return;
  const bool busy = BusyGuard::busy(this);
  auto apply = [&](QAction* a) {
    if (!a || a->isSeparator() || a == m_he[4]) return;
    a->setEnabled(allowed(a) && !busy);
    if (m_tipped.contains(a))
      a->setToolTip(baseTip(a));
    else
      a->setToolTip(QString());
  };
  for (QAction* a : m_op) apply(a);
  for (QAction* a : m_co) apply(a);
  for (QAction* a : m_he) apply(a);
  for (QAction* a : m_ve) apply(a);
  for (QAction* a : m_ay) apply(a);
  m_he[4]->setEnabled(!m_ruleOff.contains(m_he[4]));
  m_cmbPrg->setEnabled(m_selectorEnabled && !busy);
  m_cmdReset->setEnabled(!busy);
}

void FormP::FijarControles() {
  const RunContext ctx = objects();
  ClsListaRelojes& c = ctx.clocks;
  c.GetCurDataOrDefault(ctx.cfg.RelojActivo);
  m_ruleOff.clear();
  if (basic::Trim(c.m_Telefono).empty()) m_ruleOff.insert(m_co[1]);
  if (c.m_Modelo != 2) {
    m_ruleOff.insert(m_co[6]);
  } else {
    m_ruleOff += {m_co[5], m_he[0], m_he[2], m_he[4]};  // button 11 is co(5)
  }
  m_he[1]->setText(msg(c.m_TipoNumero == 2 ? 286 : 156));
  if (ctx.cfg.MultiEmpresa < 1) m_ruleOff.insert(m_he[5]);
  updateActions();
}

// ---------------------------------------------------------------------------------------
// Current clock.

void FormP::fillSelector() {
  StoreRowVector rows;
  objects().clocks.FillList(rows);
  m_cmbPrg->clear();
  for (const StoreRow& r : rows.rows) m_cmbPrg->addItem(q(r.text));
  // No row until a clock is chosen: a filled list would otherwise show its first row for a
  // current clock that is not in it (none, or a free slot).
  m_cmbPrg->setCurrentIndex(-1);
}

void FormP::MostrarConfig(int16_t n) {
  const RunContext ctx = objects();
  ClsListaRelojes& c = ctx.clocks;
  // A free slot is no clock at all: its blank record would aim the link at nothing.
  const bool clock = c.IsClock(n);
  const int16_t connectTimeout = ctx.cfg.TimeOutModem;
  if (!clock) {
    // A serial placeholder: always set up.
    (void)ctx.mirsol.SetTimeRecorder("1", 0, "COM2", "9600", "", 1, "", 0, 7001, 7001,
                                     connectTimeout);
    m_txtReloj->setText("1");
    m_txtModelo->setText(q(c.GetModelo(0)));
    m_txtPuerto->setText("COM2");
    m_txtVelocidad->setText("9600");
    m_txtTelefono->clear();
    m_txtComunicacion->setText(msg(246));
    m_txtPath->setText(q(ctx.dataFolder + "REGIS.MIR"));
    m_txtIP->clear();
  } else {
    c.GetCurData(n);
    // A link that cannot be set up is told by the clock's first exchange.
    (void)ctx.mirsol.SetTimeRecorder(c.M_Numero, c.m_Modelo, c.m_Puerto, c.m_Velocidad,
                                     c.m_Telefono, c.M_Comunicacion, c.m_IP, c.m_TipoInterface,
                                     c.m_PortLocal, c.m_PortRemoto, connectTimeout);
    const std::string portTail = c.m_Puerto.size() > 3 ? c.m_Puerto.substr(3) : std::string();
    ctx.modem.SetModem(static_cast<int16_t>(basic::Val(portTail)), c.m_Velocidad, c.m_Telefono);
    m_txtReloj->setText(q(c.M_Numero));
    m_txtModelo->setText(q(c.GetModelo(c.m_Modelo)));
    m_txtPuerto->setText(q(c.m_Puerto));
    m_txtVelocidad->setText(q(c.m_Velocidad));
    m_txtTelefono->setText(q(c.m_Telefono));
    m_txtComunicacion->setText(msg(c.M_Comunicacion == 1 ? 246 : 285));
    m_txtPath->setText(q(c.m_Path + c.M_Archivo + (c.m_ArchivoFecha != 0 ? ".MIR" : "")));
    m_txtIP->setText(q(basic::Trim(c.m_IP)));
  }
  m_fecActual->clear();
  m_cantRegis->setText("0");
  m_statusText->clear();
  const QString key = q(basic::Format(n, "000"));
  for (int i = 0; i < m_cmbPrg->count(); ++i) {
    if (m_cmbPrg->itemText(i).left(3) == key) {
      m_cmbPrg->setCurrentIndex(i);
      break;
    }
  }
  ctx.cfg.RelojActivo = n;
}

void FormP::reselectClock() {
  MostrarConfig(objects().cfg.RelojActivo);
  FijarControles();
}

void FormP::selectorClicked() {
  const RunContext ctx = objects();
  if (ctx.modem.cortarModem()) {
    // A line is up: the dialled clock stays the current one, and the list shows it again.
    m_selectorEnabled = false;
    const QString key = q(basic::Format(ctx.cfg.RelojActivo, "000"));
    for (int i = 0; i < m_cmbPrg->count(); ++i)
      if (m_cmbPrg->itemText(i).left(3) == key) m_cmbPrg->setCurrentIndex(i);
    updateActions();
    return;
  }
  m_selectorEnabled = true;
  const int16_t n = static_cast<int16_t>(basic::Val(m_cmbPrg->currentText().left(3).toStdString()));
  MostrarConfig(n);
  FijarControles();
}

void FormP::resetClicked() {
  const RunContext ctx = objects();
  if (ctx.clocks.m_Modelo != 2) {
    QApplication::beep();
    return;
  }
  // Busy until its box has gone too, as a command is.
  const ExchangeScope command(this, ExchangeScope::Cursor::Normal);
  clocklink::CollectionStatus status;
  {
    ExchangeScope exchange(this);
    status = ctx.mirsol.ResetPexel();
    if (exchange.endAndCheckClose()) return;
  }
  if (status == clocklink::kSuccess)
    MsgBoxText("RESETEADO", msgbox::Exclamation, {}, 0, this);
  else
    MsgBoxText("ERROR AL RESETEAR", msgbox::Critical, {}, 0, this);
}

// ---------------------------------------------------------------------------------------
// Commands.

QAction* FormP::item(Menu menu, int index) const {
  auto pick = [index](const auto& list) -> QAction* {
    return index >= 0 && static_cast<size_t>(index) < list.size() ? list[index] : nullptr;
  };
  switch (menu) {
    case Op:
      return pick(m_op);
    case Co:
      return pick(m_co);
    case He:
      return pick(m_he);
    case Ve:
      return pick(m_ve);
    case Ay:
      return pick(m_ay);
  }
  return nullptr;
}

QAction* FormP::button(int position) const {
  return position >= 1 && position <= 13 ? m_buttons[position] : nullptr;
}

void FormP::openWindow(const WindowOpeners::Opener& opener) {
  if (opener) opener(this);
}

void FormP::menuCommand(Menu menu, int index) { commandTriggered(item(menu, index)); }

void FormP::commandTriggered(QAction* a) {
  if (!a || BusyGuard::busy(this) || !allowed(a)) return;
  // Busy for the whole command, boxes included: a close asked for meanwhile (a signal, the
  // close box) waits until the command is over instead of freeing what it still uses.
  const ExchangeScope command(this, ExchangeScope::Cursor::Normal);
  runCommand(a);
}

void FormP::runCommand(QAction* a) {
  if (ClsAuditoria* audit = owner() ? owner()->auditLog() : nullptr)
    audit->AddRecord(a->text().toStdString());
  const widgets::Command* c = m_bar.command(a);
  if (c && c->run) c->run();
}

void FormP::onlineRunMode() {
  if (ProgramObjects* o = owner()) o->runMode() = 1;
}

void FormP::reselectAfterRun() {
  if (runContext()) reselectClock();
}

void FormP::reloadClocks() {
  const std::optional<RunContext> ctx = runContext();
  if (!ctx) return;
  // A missing list shows the default clock; one that cannot be read none, and says why.
  const StoreLoad got = ctx->clocks.CargarRelojes();
  if (got == StoreLoad::Unreadable) MsgBox(311, msgbox::Critical, {}, ": " + got.reason, this);
  fillSelector();
  reselectClock();
}

void FormP::exitCommand() { close(); }

void FormP::statusReading() {
  const RunContext ctx = objects();
  const ClsListaRelojes& c = ctx.clocks;
  if (!basic::Trim(c.m_Telefono).empty() && !ctx.modem.cortarModem()) {
    if (allowed(m_co[1])) runCommand(m_co[1]);
    return;
  }
  try {
    std::string text;
    {
      ExchangeScope exchange(this);
      text = ctx.mirsol.Status_Get();
      // A close asked for meanwhile ends the command here; the window goes right after.
      if (exchange.endAndCheckClose()) return;
    }
    const std::optional<ClockStatusView> v = decodeClockStatus(text, c.m_Modelo, basic::Now());
    if (!v) {
      MsgBox(331, msgbox::Critical, {}, {}, this);
      return;
    }
    m_fecActual->setText(q(v->fecActual));
    m_cantRegis->setText(q(v->cantRegis));
    m_statusText->setText(q(v->statusBar));
    QApplication::beep();
    MsgBox(277, msgbox::Exclamation, {}, {}, this);
  } catch (const std::exception& e) {
    MsgBoxText(GetExtraMsg(ExtraMsg::StartFailed) + e.what(), msgbox::Critical, e.what(), 0, this);
  }
}

void FormP::clearRecords() {
  if (MsgBox(173, msgbox::YesNo | msgbox::Question, {}, {}, this) != msgbox::Yes) return;
  clocklink::CollectionStatus status;
  {
    ExchangeScope exchange(this);
    const std::optional<RunContext> ctx = runContext();
    status = ctx ? collect::ConsoleClearResult(ctx->mirsol, *m_lstP)
                 : collect::ShowClearResult(*m_lstP, clocklink::kFailure);
    m_lstP->refresh();
    if (exchange.endAndCheckClose()) return;
  }
  if (status != clocklink::kSuccess)
    MsgBox(failureMessage(status, 312), msgbox::Critical, {}, {}, this);
}

// ---------------------------------------------------------------------------------------
// Host services for the collection windows.

void FormP::setDialEnabled(bool enabled) {
  m_dialEnabled = enabled;
  updateActions();
}

void FormP::setDialPicture(int image) { m_co[1]->setIcon(ImgTool().value(image - 1)); }

void FormP::setSelectorEnabled(bool enabled) {
  m_selectorEnabled = enabled;
  updateActions();
}

void FormP::setDisplayState(int state) {
  m_displayState = state;
  setWindowState(state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);
}

// ---------------------------------------------------------------------------------------
// Close.

void FormP::closeOtherWindows() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == this || !w->isWindow()) continue;
    if (w->isVisible()) w->close();
  }
}

bool FormP::eventFilter(QObject* watched, QEvent* event) {
  if (m_closeWaiting && event->type() == QEvent::Show && watched != this) {
    auto* w = qobject_cast<QWidget*>(watched);
    // Queued: the window's own event loop, if it has one, takes the close.
    if (w && w->isWindow()) QMetaObject::invokeMethod(w, "close", Qt::QueuedConnection);
  }
  return QMainWindow::eventFilter(watched, event);
}

void FormP::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  // The least size the layout needs (labels and fields in the fonts and language shown) is
  // only a hint to the window manager, and not every one keeps to it: smaller, the clock
  // panel's fields lie over each other. Ask for it back, once: a manager that insists on its
  // size is not fought with.
  const QSize least = minimumSizeHint().expandedTo(minimumSize());
  // The size now: the event's may lag behind the window system's.
  const QSize now = size();
  if (now.width() >= least.width() && now.height() >= least.height()) {
    m_sizeTakenBack = false;
    return;
  }
  if (m_sizeTakenBack) return;
  m_sizeTakenBack = true;
  QTimer::singleShot(0, this, [this, least] { resize(size().expandedTo(least)); });
}

void FormP::closeEvent(QCloseEvent* e) {
  if (m_closeGranted) {
    e->accept();
    return;
  }
  if (BusyGuard::deferClose(this, e, true)) {
    // Modal windows end, so the command that opened them can return; the close follows.
    // A window the command opens after this (the next box, the window a box stood before)
    // would hold it up again with nobody there to close it: it goes as soon as it shows.
    if (!m_closeWaiting) {
      m_closeWaiting = true;
      qApp->installEventFilter(this);
    }
    closeOtherWindows();
    return;
  }
  m_closeGranted = true;
  if (m_closeWaiting) {
    qApp->removeEventFilter(this);
    m_closeWaiting = false;
  }
  // The window stays up for the shutdown (its boxes stand over it); the shutdown's last step
  // closes it. A shutdown run from this signal has done so already.
  emit shutdownDue();
  if (m_closed)
    e->accept();
  else
    e->ignore();
}

void FormP::finishClose() {
  m_closed = true;
  m_closeGranted = true;
  close();  // inside this window's closeEvent a no-op: that close accepts on return
}

void FormP::deleteChildWindows() {
  const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* w : children)
    if (w->isWindow()) delete w;
}
