#include "widgets/admin/FVerArch.h"

#include "core/Basic.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "widgets/admin/ListingPrinter.h"
#include "widgets/admin/ListingPrinterDialog.h"
#include "widgets/admin/RecordViewModel.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/CommandBar.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/common/HourglassGuard.h"
#include "widgets/dialogs/FileDialogs.h"
#include "widgets/dialogs/FrmMsg.h"
#include "widgets/dialogs/MsgBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
QString msg(int id) { return QString::fromStdString(GetMsg(id)); }
}  // namespace

// Reports the view's progress on the counter and the bar, and lets window events run so the
// operator can still stop the view or close the window.
class FVerArch::Sink : public ViewSink {
 public:
  explicit Sink(FVerArch& w) : m_w(w) {}
  bool progress(int64_t listed, int64_t lines, int64_t bytes, int64_t total) override {
    m_w.m_total->setText(QString::fromStdString(totalText(listed, lines)));
    m_w.m_progress->setValue(total > 0 ? static_cast<int>(bytes * 1000 / total) : 1000);
    QCoreApplication::processEvents();
    return !m_w.m_stop;
  }

 private:
  FVerArch& m_w;
};

FVerArch::FVerArch(QWidget* parent, const WindowContext& context)
    : QDialog(parent), m_mail(std::make_unique<XdgEmailSender>()), m_context(context) {
  setObjectName(QStringLiteral("FVerArch"));
  setWindowTitle(msg(302));
  const ClsCfgFile* cfg = objects().cfg;
  const ViewSettings view = settings();
  const bool legajo = view.employeeNumbers;
  const bool touch = view.touch;
  const int cardCaption = legajo ? 235 : touch ? 296 : 288;

  // Commands: one action each, shared by the menu and the toolbar.
  auto* menuBar = new QMenuBar(this);
  widgets::CommandBarSpec spec;
  spec.menuBar = menuBar;
  spec.images = &m_context.img();
  const struct {
    QString caption;
    int image;
    void (FVerArch::*slot)();
  } commands[6] = {
      {msg(133) + "...", 3, &FVerArch::Examinar}, {msg(160), 5, &FVerArch::Visualizar},
      {msg(101), 1, &FVerArch::Guardar},          {msg(135), 4, &FVerArch::Imprimir},
      {msg(390), 11, &FVerArch::EnviarCorreo},    {msg(154), 2, &FVerArch::Salir},
  };
  std::vector<widgets::Command> table;
  for (int i = 0; i < 6; ++i) {
    const auto& c = commands[i];
    table.push_back({QStringLiteral("mnu(%1)").arg(i), c.caption, QString(c.caption).remove('&'),
                     c.image, [this, slot = c.slot] { (this->*slot)(); }});
  }
  const widgets::CommandBar bar = widgets::buildCommandBar(this, spec, table);
  for (int i = 0; i < 6; ++i) m_mnu[static_cast<size_t>(i)] = bar.actions[static_cast<size_t>(i)];
  QToolBar* toolBar = bar.toolBar;
  m_mnu[2]->setEnabled(false);
  m_mnu[3]->setEnabled(false);

  m_archivo = new QLineEdit(this);
  m_archivo->setObjectName(QStringLiteral("Archivo"));
  QString cwd = QDir::currentPath();
  if (!cwd.endsWith('/')) cwd += '/';
  m_archivo->setText(cwd);

  for (int i = 0; i < 9; ++i) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("TxtF(%1)").arg(i));
    m_txtF[static_cast<size_t>(i)] = edit;
  }
  const int cardLength = legajo  ? 20
                         : touch ? (cfg ? cfg->LongTouch : 4)
                                 : (cfg ? cfg->LongTarjeta : 5);
  for (int i : {0, 5}) m_txtF[static_cast<size_t>(i)]->setMaxLength(std::max(1, cardLength));
  m_cardWidth = legajo ? 20 : 8;
  // Only the operator's typing copies the lower bound into the upper one.
  connect(m_txtF[0], &QLineEdit::textEdited, m_txtF[5], &QLineEdit::setText);

  auto* filters = new QGridLayout;
  auto addFilter = [&](int labelIndex, int caption, int row, int col,
                       std::initializer_list<int> boxes) {
    auto* label = new QLabel(msg(caption), this);
    label->setObjectName(QStringLiteral("LblF(%1)").arg(labelIndex));
    filters->addWidget(label, row, col * 3);
    auto* pair = new QHBoxLayout;
    for (int b : boxes) pair->addWidget(m_txtF[static_cast<size_t>(b)]);
    filters->addLayout(pair, row, col * 3 + 1);
  };
  addFilter(0, cardCaption, 0, 0, {0, 5});
  addFilter(1, 274, 0, 1, {1});
  addFilter(2, 219, 0, 2, {2});
  addFilter(3, 256, 1, 0, {3, 4});
  addFilter(4, 231, 1, 1, {6});
  addFilter(5, 224, 1, 2, {7, 8});
  for (int c : {2, 5}) filters->setColumnMinimumWidth(c, 16);

  m_model = new RecordViewModel(m_view, this);
  m_model->setCaptions({msg(219), msg(227), msg(274), msg(231), msg(cardCaption), msg(204)});
  // A table with fixed row heights lays out a million rows in no time; a tree view would
  // build an item for each row whenever the list is shown.
  m_list = new QTableView(this);
  m_list->setObjectName(QStringLiteral("ListaReg"));
  m_list->setShowGrid(false);
  m_list->setWordWrap(false);
  m_list->verticalHeader()->setVisible(false);
  m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 4);
  m_list->horizontalHeader()->setHighlightSections(false);
  m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setModel(m_model);
  m_list->setToolTip(msg(225));
  m_list->horizontalHeader()->setSectionsClickable(true);
  m_list->horizontalHeader()->setStretchLastSection(true);
  connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this, &FVerArch::sortByColumn);
  auto* frame = new QGroupBox(msg(272), this);
  (new QVBoxLayout(frame))->addWidget(m_list);

  m_total = new QLabel(QStringLiteral("0/0"), this);
  m_total->setObjectName(QStringLiteral("TTotal"));
  m_total->setMinimumWidth(140);
  m_progress = new QProgressBar(this);
  m_progress->setRange(0, 1000);
  m_progress->setTextVisible(false);
  m_progress->setVisible(false);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel(msg(167), this));
  fileRow->addWidget(m_archivo, 1);
  auto* totalRow = new QHBoxLayout;
  totalRow->addWidget(new QLabel(msg(295), this));
  totalRow->addWidget(m_total);
  totalRow->addWidget(m_progress, 1);
  totalRow->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setMenuBar(menuBar);
  layout->addWidget(toolBar);
  layout->addLayout(fileRow);
  layout->addLayout(filters);
  layout->addWidget(frame, 1);
  layout->addLayout(totalRow);
  resize(900, 600);

  // A view and a mail start let window events run: meanwhile the commands but Salir are off,
  // and a close waits for them (a view stops between two slices).
  BusyGuard::onChange(this, [this] { busyChanged(); });
  BusyGuard::onCancel(this, [this] { m_stop = true; });

  HourglassGuard wait;
  m_cards.Iniciar(objects().dataFolder + "VELTA.TAR");
  // Without a card table the rows show no names: one that cannot be read says why.
  if (const StoreLoad cards = m_cards.CargarTarjetas(); cards == StoreLoad::Unreadable)
    MsgBox(386, msgbox::Critical, {}, ": " + cards.reason, this);
}

bool FVerArch::viewing() const { return BusyGuard::busy(this); }

FVerArch::~FVerArch() {
  m_stop = true;
  // The model reads m_view, which goes before the child widgets do.
  m_list->setModel(nullptr);
  delete m_model;
}

void FVerArch::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_columnsSized) return;
  m_columnsSized = true;
  // Columns in the proportion 3:2:1:1:2:6 of the list's width.
  const int u = m_list->viewport()->width() / 15;
  const int parts[6] = {3, 2, 1, 1, 2, 6};
  for (int c = 0; c < 6; ++c) m_list->horizontalHeader()->resizeSection(c, parts[c] * u);
}

ViewSettings FVerArch::settings() const {
  ViewSettings s;
  const ClsCfgFile* cfg = objects().cfg;
  s.employeeNumbers = cfg && cfg->ModoLegajo == 1;
  s.touch = objects().clocks && objects().clocks->m_TipoNumero == 2;
  s.virtualNames = cfg && cfg->ModoVirtual == 1;
  s.clockOpenText = GetMsg(275);
  return s;
}

void FVerArch::busyChanged() {
  // Salir always works; the others come back as they were (Guardar and Imprimir wait for a
  // completed view).
  const bool busy = BusyGuard::busy(this);
  for (size_t i = 0; i < 5; ++i) {
    if (busy) m_wanted[i] = m_mnu[i]->isEnabled();
    m_mnu[i]->setEnabled(!busy && m_wanted[i]);
  }
  for (QLineEdit* edit : m_txtF) edit->setEnabled(!busy);
  m_archivo->setEnabled(!busy);
}

void FVerArch::Examinar() {
  const auto name =
      dialogs::openFileName(this, GetMsg(167), objects().dataFolder,
                            "Reg. Velta(*.mir);;Reg. Velta 6(*.reg);;Texto (*.txt);;Todos (*.*)");
  if (!name) {
    m_archivo->clear();
    return;
  }
  if (*name != "*.MIR") m_archivo->setText(QString::fromStdString(*name));
}

void FVerArch::Visualizar() {
  if (viewing()) return;
  m_model->beginChange();
  m_view.clear();
  m_model->endChange();
  m_list->horizontalHeader()->setSortIndicatorShown(false);
  m_mnu[2]->setEnabled(false);
  m_mnu[3]->setEnabled(false);
  for (int i : {0, 7, 8}) {
    QLineEdit* edit = m_txtF[static_cast<size_t>(i)];
    edit->setText(edit->text().trimmed());
  }
  ViewFilter filter;
  filter.cardFrom = m_txtF[0]->text().toStdString();
  filter.cardTo = m_txtF[5]->text().toStdString();
  filter.clock = m_txtF[1]->text().toStdString();
  filter.date = m_txtF[2]->text().toStdString();
  filter.firstRecord = m_txtF[3]->text().toStdString();
  filter.lastRecord = m_txtF[4]->text().toStdString();
  filter.reader = m_txtF[6]->text().toStdString();
  filter.groupFrom = m_txtF[7]->text().toStdString();
  filter.groupTo = m_txtF[8]->text().toStdString();
  const ViewSettings s = settings();

  RecordView::Outcome out;
  ExchangeScope exchange(this);
  {
    m_stop = false;
    m_list->setVisible(false);
    m_progress->setValue(0);
    m_progress->setVisible(true);
    Sink sink(*this);
    m_model->beginChange();
    out = m_view.run(m_archivo->text().toStdString(), filter, s, m_cards.table(), &sink);
    m_model->endChange();
    m_progress->setVisible(false);
    m_list->setVisible(true);
  }
  const bool closeCame = exchange.endAndCheckClose();
  if (out.status != RecordView::Status::NoFile) {
    m_total->setText(QString::fromStdString(
        totalText(static_cast<int64_t>(m_view.rowCount()), m_view.lineCount())));
    m_txtF[3]->setText(QString::fromStdString(" " + std::to_string(out.first)));
    m_txtF[4]->setText(QString::fromStdString(" " + std::to_string(out.last)));
  }
  // A close asked for during the view comes next: no box may stand before it.
  if (closeCame) return;
  const int badNumber = s.touch ? 309 : 308;
  switch (out.status) {
    case RecordView::Status::NoFile:
      MsgBox(251, msgbox::Critical, {}, {}, this);
      return;
    case RecordView::Status::BadBound:
      MsgBox(badNumber, msgbox::Critical, {}, ": " + out.error, this);
      return;
    case RecordView::Status::ReadError:
      MsgBox(320, msgbox::Critical, {}, "\n" + out.error, this);
      return;
    case RecordView::Status::Stopped:
      return;
    case RecordView::Status::Done:
      break;
  }
  m_mnu[2]->setEnabled(true);
  m_mnu[3]->setEnabled(true);
  if (out.badNumbers) MsgBox(badNumber, msgbox::Critical, {}, {}, this);
}

void FVerArch::sortByColumn(int column) {
  if (viewing()) return;
  m_sort.click(column);
  HourglassGuard wait;
  m_model->beginChange();
  m_view.sortBy(m_sort.column(), m_sort.ascending());
  m_model->endChange();
  m_list->horizontalHeader()->setSortIndicatorShown(true);
  m_list->horizontalHeader()->setSortIndicator(
      column, m_sort.ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void FVerArch::Guardar() {
  if (viewing() || m_view.rowCount() == 0) return;
  const auto chosen = dialogs::saveFileName(
      this, GetMsg(101), objects().dataFolder,
      "Reg. Velta 7 (*.mir);;Reg. Velta 6 (*.reg);;Texto (*.txt);;Todos (*.*)");
  if (!chosen || chosen->empty() || *chosen == "*.MIR") return;
  const std::string& path = *chosen;
  std::string answer = "1";
  if (QFileInfo::exists(QString::fromStdString(path))) {
    // Closing the box without a choice must not find an old answer here and truncate the file.
    gSharedText->clear();
    const int choice = FrmMsg::Msg(GetMsg(168) + path + GetMsg(169), GetMsg(109), GetMsg(152),
                                   GetMsg(123), 0, &m_context.img(), this)
                           .choice;
    if (choice != 1 && choice != 2) return;
    answer = std::to_string(choice);
  }
  std::string error;
  {
    HourglassGuard wait;
    error = saveRows(m_view, path, answer == "2" ? SaveMode::Replace : SaveMode::Append);
  }
  if (!error.empty()) MsgBox(320, msgbox::Critical, {}, "\n" + error, this);
}

void FVerArch::Imprimir() {
  if (viewing()) return;
  if (m_view.rowCount() == 0) {
    MsgBox(250, msgbox::Critical, {}, {}, this);
    return;
  }
  QPrinter printer;
  if (!adminwindows::choosePrinter(printer, this)) return;
  ListingHeader header;
  header.versionText = *gVersionText;
  header.date = basic::Format(basic::Now(), "SHORT DATE");
  header.pageCaption = GetMsg(260);
  header.title = GetMsg(238);
  for (int c = 0; c < 6; ++c)
    header.captions[static_cast<size_t>(c)] =
        m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
  header.cardWidth = m_cardWidth;
  std::string error;
  {
    HourglassGuard wait;
    error = printListing(printer, header, m_view.rowCount(), [this](size_t k) {
      ListingRow row;
      for (int c = 0; c < 6; ++c) row[static_cast<size_t>(c)] = m_view.cell(k, c);
      return row;
    });
  }
  if (!error.empty()) MsgBox(320, msgbox::Critical, {}, "\n" + error, this);
}

void FVerArch::EnviarCorreo() {
  if (viewing()) return;
  const std::string path = m_archivo->text().trimmed().toStdString();
  const QFileInfo file(QString::fromStdString(path));
  if (path.empty() || !file.isFile()) {
    MsgBox(307, msgbox::Critical, {}, " " + path, this);
    return;
  }
  // The mail client starts with window events running: a second click must not start it
  // again, and a close waits until it has started.
  ExchangeScope exchange(this);
  const std::string error = m_mail->send("Velta 2000", "\r\n", path);
  if (exchange.endAndCheckClose()) return;
  if (!error.empty()) MsgBox(320, msgbox::Critical, {}, "\n" + error, this);
}

void FVerArch::Salir() {
  // During a view: it notices between two slices; the window closes once it has returned.
  if (BusyGuard::deferClose(this, nullptr)) return;
  QDialog::reject();
}

void FVerArch::reject() { Salir(); }

void FVerArch::closeEvent(QCloseEvent* event) {
  if (BusyGuard::deferClose(this, event)) return;
  QDialog::closeEvent(event);
}

void openFVerArch(QWidget* parent, const WindowContext& context) {
  FVerArch window(parent, context);
  window.exec();
}
