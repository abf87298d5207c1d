#include "widgets/clock/FSirenas.h"

#include "core/ClsListaRelojes.h"
#include "core/Messages.h"
#include "widgets/common/BusyGuard.h"
#include "widgets/common/ExchangeScope.h"
#include "widgets/dialogs/MsgBox.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/CollectionStatus.h>

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

#include <algorithm>

namespace {
QString msgText(int n) { return QString::fromStdString(GetMsg(n)); }

// Two-digit boxes: "24" can be typed, so the hour check sees it and refuses it.
QLineEdit* twoDigits(QWidget* parent, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setMaxLength(2);
  box->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,2}"), box));
  box->setMaximumWidth(40);
  return box;
}
}  // namespace

FSirenas::FSirenas(QWidget* parent, const WindowContext& context)
    : ClockWindow(parent, "FSirenas", 268, Images::Img, context) {
  const auto commands = addCommands({commandRow("mnu0", 110, 8, [this] { mnu(0); }),
                                     commandRow("mnu1", 115, 9, [this] { mnu(1); }),
                                     commandRow("mnu2", 120, 7, [this] { mnu(2); }),
                                     commandRow("mnu3", 123, 10, [this] { mnu(3); }),
                                     commandRow("mnu4", 154, 2, [this] { mnu(4); })});
  std::copy(commands.begin(), commands.end(), m_cmd.begin());

  m_lst = new QTreeWidget(this);
  m_lst->setObjectName("LstSir");
  m_lst->setRootIsDecorated(false);
  m_lst->setHeaderLabels({msgText(254), msgText(207), msgText(227), msgText(213), msgText(258)});
  m_lst->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_dias = new QComboBox(this);
  m_dias->setObjectName("ListaDias");
  m_sirenas = new QComboBox(this);
  m_sirenas->setObjectName("ListaSirenas");
  for (int n = 1; n <= 4; ++n) m_sirenas->addItem(QString::number(n));
  m_hora[0] = twoDigits(this, "MEdHora0");
  m_hora[1] = twoDigits(this, "MEdHora1");
  m_duracion = twoDigits(this, "MEdDuracion");
  m_mensaje = new QLabel(this);
  m_mensaje->setObjectName("LBLMensaje");

  const std::optional<RunContext> ctx = runContext();
  const int16_t modelo = ctx ? ctx->clocks.m_Modelo : int16_t{0};
  m_days = collect::SirenSchedule::days(modelo);
  for (const collect::SirenDay& d : m_days) m_dias->addItem(QString::fromStdString(d.text));

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(msgText(207) + ":", this), 0, 0);
  grid->addWidget(m_dias, 0, 1);
  grid->addWidget(new QLabel(msgText(227) + ":", this), 1, 0);
  auto* time = new QHBoxLayout;
  time->addWidget(m_hora[0]);
  time->addWidget(new QLabel(":", this));
  time->addWidget(m_hora[1]);
  time->addStretch(1);
  grid->addLayout(time, 1, 1);
  grid->addWidget(new QLabel(msgText(213) + ":", this), 2, 0);
  grid->addWidget(m_duracion, 2, 1);
  grid->addWidget(new QLabel(msgText(258) + ":", this), 3, 0);
  grid->addWidget(m_sirenas, 3, 1);
  grid->setRowStretch(4, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(m_lst, 3);
  row->addLayout(grid, 2);
  body()->addLayout(row, 1);
  m_progress = new QProgressBar(this);
  m_progress->setObjectName("PrgSirenas");
  m_progress->setRange(0, collect::kSirenEntries);
  m_progress->setFormat("%v / %m");
  m_progress->setVisible(false);
  auto* status = new QHBoxLayout;
  status->addWidget(m_mensaje, 1);
  status->addWidget(m_progress, 1);
  body()->addLayout(status);
  resize(640, 360);

  connect(m_lst, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!m_editMode) MostrarSirena(item ? m_lst->indexOfTopLevelItem(item) + 1 : 0);
    applyRules();
  });

  CbiaEnabled(false);
  // Opened over the program's windows, the window shows itself before it reads the clock, so
  // the operator sees the reading go on.
  if (parent && parent->isVisible()) show();
  LeerSirenas();
  m_editMode = false;
}

void FSirenas::applyRules() {
  if (BusyGuard::busy(this)) return;
  m_cmd[1]->setEnabled(!m_fieldsEnabled && m_lst->currentItem() != nullptr);
  m_cmd[2]->setEnabled(!m_fieldsEnabled);
  m_cmd[3]->setEnabled(m_editMode);
}

void FSirenas::updateCommands() {
  ClockWindow::updateCommands();
  applyRules();
}

void FSirenas::CbiaEnabled(bool enabled) {
  m_fieldsEnabled = enabled;
  for (QWidget* w : {static_cast<QWidget*>(m_dias), static_cast<QWidget*>(m_hora[0]),
                     static_cast<QWidget*>(m_hora[1]), static_cast<QWidget*>(m_duracion),
                     static_cast<QWidget*>(m_sirenas)})
    w->setEnabled(enabled);
  applyRules();
}

void FSirenas::MostrarSirena(int row) {
  if (row <= 0 || row > static_cast<int>(m_rows.size())) {
    m_dias->setCurrentIndex(0);
    m_sirenas->setCurrentIndex(0);
    m_hora[0]->clear();
    m_hora[1]->clear();
    m_duracion->clear();
    return;
  }
  const collect::SirenRow& r = m_rows[static_cast<size_t>(row - 1)];
  m_dias->setCurrentIndex(r.dayPos);
  m_sirenas->setCurrentIndex(r.siren - 1);
  m_hora[0]->setText(QString::fromStdString(r.time.substr(0, 2)));
  m_hora[1]->setText(QString::fromStdString(r.time.substr(3, 2)));
  m_duracion->setText(QString::number(r.duration));
}

std::string FSirenas::dataText(int sirenNumber) const {
  const int pos = m_dias->currentIndex();
  const int16_t code = pos >= 0 && pos < static_cast<int>(m_days.size())
                           ? m_days[static_cast<size_t>(pos)].code
                           : int16_t{0};
  return collect::SirenSchedule::dataText(code, sirenNumber, m_hora[0]->text().toStdString(),
                                          m_hora[1]->text().toStdString(),
                                          m_duracion->text().toStdString());
}

bool FSirenas::fAltaSirena() {
  const std::optional<RunContext> ctx = runContext();
  if (!ctx) return false;
  const std::string text = dataText(m_sirenas->currentIndex() + 1);
  ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
  m_result = ctx->mirsol.Alarm_Process(6, text);
  return m_result == clocklink::kSuccess;
}

bool FSirenas::fBajaSirena() {
  // Only a row shown in the fields names a siren: empty fields would send a text with no
  // day and no siren.
  const std::optional<RunContext> ctx = runContext();
  if (!ctx || !m_lst->currentItem()) return false;
  const std::string text = dataText(m_sirenas->currentIndex() + 5);
  {
    ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
    m_result = ctx->mirsol.Alarm_Process(4, text);
  }
  MostrarSirena(0);
  return m_result == clocklink::kSuccess;
}

void FSirenas::LeerSirenas() {
  m_mensaje->setText(msgText(164));
  m_mensaje->repaint();
  m_lst->clear();
  m_rows.clear();
  if (const std::optional<RunContext> ctx = runContext()) {
    std::vector<std::string> entries;
    m_progress->setValue(0);
    m_progress->setVisible(true);
    {
      ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
      m_result = collect::SirenSchedule::read(
          ctx->mirsol, entries, [this](int done, int) { m_progress->setValue(done); });
    }
    m_progress->setVisible(false);
    if (m_result != clocklink::kSuccess) {
      MsgBox(332, msgbox::Critical);
    } else {
      int bad = 0;
      m_rows = collect::SirenSchedule::rows(entries, m_days, bad);
      if (bad > 0) MsgBox(353, msgbox::Critical);
      for (const collect::SirenRow& r : m_rows)
        new QTreeWidgetItem(m_lst, {QString::number(r.number), m_dias->itemText(r.dayPos),
                                    QString::fromStdString(r.time), QString::number(r.duration),
                                    QString::number(r.siren)});
    }
  }
  m_mensaje->clear();
  applyRules();
}

bool FSirenas::vTodo() {
  MsgBoxReporter boxes;
  return collect::SirenSchedule::vTodo(boxes, m_duracion->text().toStdString(),
                                       m_hora[0]->text().toStdString(),
                                       m_hora[1]->text().toStdString());
}

void FSirenas::setFirstCaption(int msg) {
  m_cmd[0]->setText(msgText(msg));
  m_cmd[0]->setToolTip(msgText(msg).remove('&'));
}

void FSirenas::mnu(int index) {
  switch (index) {
    case 0:
      if (!m_editMode) {
        if (const int error = collect::SirenSchedule::newSirenError(m_lst->topLevelItemCount())) {
          MsgBox(error, msgbox::Critical);
          return;
        }
        m_lst->setCurrentItem(nullptr);
        MostrarSirena(0);
        m_editMode = true;
        CbiaEnabled(true);
        setFirstCaption(112);
        return;
      }
      if (!vTodo()) return;
      if (!fAltaSirena()) {
        MsgBox(328, msgbox::Critical);
        return;
      }
      m_editMode = false;
      LeerSirenas();
      setFirstCaption(110);
      CbiaEnabled(false);
      return;
    case 1:
      if (!m_lst->currentItem()) return;
      if (MsgBox(194, msgbox::YesNo | msgbox::Question) != msgbox::Yes) return;
      if (!fBajaSirena()) MsgBox(313, msgbox::Critical);
      LeerSirenas();
      return;
    case 2: {
      if (MsgBox(199, msgbox::YesNo | msgbox::Question) != msgbox::Yes) return;
      if (const std::optional<RunContext> ctx = runContext()) {
        {
          ExchangeScope exchange(this, ExchangeScope::Cursor::Normal);
          m_result = ctx->mirsol.Alarm_Process(5, "");
        }
        if (m_result != clocklink::kSuccess) MsgBox(338, msgbox::Critical);
      }
      LeerSirenas();
      return;
    }
    case 3:
      m_editMode = false;
      MostrarSirena(0);
      CbiaEnabled(false);
      setFirstCaption(110);
      return;
    case 4:
      close();
      return;
    default:
      return;
  }
}
