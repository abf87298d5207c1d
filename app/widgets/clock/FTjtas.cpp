#include "widgets/clock/FTjtas.h"

#include "collect/CardText.h"
#include "collect/FGrales.h"
#include "core/Basic.h"
#include "core/ClsListaRelojes.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/dialogs/FileDialogs.h"
#include "widgets/dialogs/MsgBox.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/CollectionStatus.h>

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <sys/stat.h>

namespace {
QString msgText(int n) { return QString::fromStdString(GetMsg(n)); }
}  // namespace

FTjtas::FTjtas(QWidget* parent, const WindowContext& context)
    : ClockWindow(parent, "FTjtas", 287, Images::Img, context) {
  const std::optional<RunContext> ctx = runContext();
  m_tipo = ctx ? ctx->clocks.m_TipoNumero : int16_t{1};
  const bool touch = m_tipo == 2;
  if (touch) setWindowTitle(msgText(286));  // touch keys, not cards

  // Menus: file commands, the card commands, the locking modes. The toolbar's two drop-downs
  // show the card and the locking menus.
  const int fileMenu = addMenu("&" + msgText(167));
  const int cardMenu = addMenu(msgText(touch ? 286 : 287));
  const int lockMenu = addMenu(msgText(148));
  auto in = [](widgets::Command row, int menu, bool onToolbar) {
    row.menu = menu;
    if (!onToolbar) row.button = 0;
    return row;
  };
  auto dropDown = [](const char* name, int captionMsg, int image, int menu) {
    widgets::Command row = commandRow(name, captionMsg, image, {});
    row.kind = widgets::Command::Kind::DropDown;
    row.submenu = menu;
    return row;
  };
  m_examinar = addCommands({
      in(commandRow("mnum1", 133, 3, [this] { mnum(1); }), fileMenu, true),
      in(commandRow("mnu1_0", 111, 0, [this] { mnu1(0); }), cardMenu, false),
      in(commandRow("mnu1_1", 116, 0, [this] { mnu1(1); }), cardMenu, false),
      in(commandRow("mnu3_0", 147, 0, [this] { mnu3(0); }), lockMenu, false),
      in(commandRow("mnu3_1", 141, 0, [this] { mnu3(1); }), lockMenu, false),
      in(commandRow("mnu3_2", 144, 0, [this] { mnu3(2); }), lockMenu, false),
      dropDown("ButtonTarjetas", touch ? 296 : 288, 13, cardMenu),
      dropDown("ButtonBloqueo", 148, 14, lockMenu),
      in(commandRow("mnum3", 154, 2, [this] { mnum(3); }), fileMenu, true),
  })[0];

  m_option1 = new QRadioButton(msgText(touch ? 296 : 288), this);
  m_option1->setObjectName("Option1");
  m_option2 = new QRadioButton(msgText(167), this);
  m_option2->setObjectName("Option2");
  m_tarjeta = new QLineEdit(this);
  m_tarjeta->setObjectName("Tarjeta");
  m_archivo = new QLineEdit(this);
  m_archivo->setObjectName("Archivo");
  auto* grid = new QGridLayout;
  grid->addWidget(m_option1, 0, 0, 1, 2);
  grid->addWidget(new QLabel(msgText(254) + ":", this), 1, 0);
  grid->addWidget(m_tarjeta, 1, 1);
  grid->addWidget(m_option2, 2, 0, 1, 2);
  grid->addWidget(new QLabel(msgText(167) + ":", this), 3, 0);
  grid->addWidget(m_archivo, 3, 1);
  grid->setColumnStretch(1, 1);
  body()->addLayout(grid);
  body()->addStretch(1);
  resize(440, 220);

  connect(m_option1, &QRadioButton::toggled, this, &FTjtas::optionChanged);
  connect(m_tarjeta, &QLineEdit::editingFinished, this, [this] {
    std::string card;
    if (!m_tarjeta->text().isEmpty()) checkTarjeta(card);
  });
  m_option1->setChecked(true);
  optionChanged();
}

void FTjtas::optionChanged() {
  const bool card = m_option1->isChecked();
  m_tarjeta->setEnabled(card);
  m_archivo->setEnabled(!card);
  m_examinar->setEnabled(!card);
}

bool FTjtas::checkTarjeta(std::string& card) {
  if (collect::cardTextOf(m_tarjeta->text().toStdString(), m_tipo, card) == 0) return true;
  // Emptied before the box shows: the box takes the focus, and the number box would then check
  // the same wrong number again as the focus leaves it.
  m_tarjeta->clear();
  MsgBox(341, msgbox::OkOnly, {}, {}, this);
  m_tarjeta->setFocus();
  return false;
}

void FTjtas::lockDone(clocklink::CollectionStatus result) {
  if (result == clocklink::kSuccess)
    QApplication::beep();
  else
    MsgBox(338, msgbox::Critical, {}, {}, this);
}

void FTjtas::mnu1(int index) {
  const int16_t mode = index == 1 ? 1 : 0;
  if (m_option2->isChecked()) {
    if (m_archivo->text().isEmpty()) {
      MsgBox(249, msgbox::Critical, {}, {}, this);
      return;
    }
    EnviaArchivo(mode);
    return;
  }
  if (m_tarjeta->text().isEmpty()) {
    MsgBox(356, msgbox::Critical, {}, {}, this);
    return;
  }
  // Checked here too: a toolbar click does not take the focus from the box.
  std::string card;
  if (!checkTarjeta(card)) return;
  if (MsgBox(mode == 0 ? 196 : 198, msgbox::YesNo | msgbox::Question, {}, {}, this) != msgbox::Yes)
    return;
  const std::optional<RunContext> ctx = runContext();
  if (!ctx) return;
  clocklink::CollectionStatus result{};
  {
    ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
    result = ctx->mirsol.Card_Process(mode == 0 ? 8 : 7, card);
  }
  if (result == clocklink::kSuccess)
    QApplication::beep();
  else
    MsgBox(mode == 0 ? 339 : 314, msgbox::Critical, {}, {}, this);
}

void FTjtas::EnviaArchivo(int16_t mode) {
  const std::string path = basic::Trim(m_archivo->text().toStdString());
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    MsgBox(249, msgbox::Critical, {}, {}, this);
    return;
  }
  if (MsgBox(202, msgbox::YesNo | msgbox::Question, {}, {}, this) != msgbox::Yes) return;
  const std::optional<RunContext> ctx = runContext();
  clocklink::CollectionStatus result = clocklink::kFailure;
  if (ctx) {
    ExchangeScope exchange(this);
    result = collect::SendCardFile(ctx->mirsol, ctx->clocks.m_TipoNumero, mode, path);
  }
  if (result != clocklink::kSuccess) MsgBox(338, msgbox::Critical, {}, {}, this);
}

void FTjtas::mnu3(int index) {
  int16_t lock = 0;
  if (index == 1) {
    if (MsgBox(200, msgbox::YesNo | msgbox::Question, {}, {}, this) != msgbox::Yes) return;
    lock = 2;
  } else if (index == 2) {
    if (MsgBox(201, msgbox::YesNo | msgbox::Question, {}, {}, this) != msgbox::Yes) return;
    lock = 1;
  }
  const std::optional<RunContext> ctx = runContext();
  if (!ctx) return;
  clocklink::CollectionStatus result{};
  {
    ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
    result = ctx->mirsol.SetLocked(lock);
  }
  lockDone(result);
}

void FTjtas::mnum(int index) {
  if (index == 3) {
    close();
  } else if (index == 1) {
    const std::optional<RunContext> ctx = runContext();
    const auto name = dialogs::openFileName(this, msgText(133).remove('&').toStdString(),
                                            ctx ? ctx->dataFolder : std::string(),
                                            GetExtraMsg(ExtraMsg::FilterAll));
    if (name) m_archivo->setText(QString::fromStdString(*name));
  }
}

void FTjtas::ButtonMenuClick(const QString& tag) {
  if (tag == "1")
    mnu1(0);
  else if (tag == "2")
    mnu1(1);
  else if (tag == "3")
    mnu3(0);
  else if (tag == "4")
    mnu3(1);
  else if (tag == "5")
    mnu3(2);
}
