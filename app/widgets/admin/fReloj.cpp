#include "widgets/admin/fReloj.h"

#include "core/ClsListaRelojes.h"
#include "core/Messages.h"
#include "widgets/admin/EditorSupport.h"
#include "widgets/common/HourglassGuard.h"
#include "widgets/dialogs/FileDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

using adminwindows::msg;
using adminwindows::named;
using adminwindows::qs;

namespace {

std::string ss(const QString& s) { return s.toStdString(); }

QLabel* label(const char* name, const QString& text) { return named(new QLabel(text), name); }

QComboBox* list(const char* name, const std::vector<std::string>& rows) {
  auto* box = named(new QComboBox, name);
  for (const std::string& r : rows) box->addItem(qs(r));
  return box;
}

void setText(QLineEdit* box, const std::string& text) {
  const QSignalBlocker block(box);
  box->setText(qs(text));
}

void setRow(QComboBox* box, int row) {
  const QSignalBlocker block(box);
  box->setCurrentIndex(row);
}

}  // namespace

fReloj::fReloj(ClsListaRelojes& list, const QList<QIcon>* img, QWidget* parent)
    : QDialog(parent), m_model(list, m_boxes) {
  const HourglassGuard hourglass;
  buildWindow(img);
  m_opened = m_model.load();
  if (m_opened) showControls();
}

fReloj::~fReloj() = default;

void fReloj::run(ClsListaRelojes& list, QWidget* parent, const QList<QIcon>* img) {
  fReloj window(list, img, parent);
  if (window.opened()) window.exec();
}

void fReloj::buildWindow(const QList<QIcon>* img) {
  QVBoxLayout* layout = buildEditorFrame(
      this, "fReloj", 274, img, {{108, 1}, {123, 2}},
      [this](int i) { i == 0 ? onAccept() : onCancel(); }, m_commands);

  m_tabs = named(new QTabWidget(this), "SSTab1");
  std::array<QWidget*, 4> frames{};
  const int tabCaptions[4] = {274, 271, 170, 167};
  for (int i = 0; i < 4; ++i) {
    frames[static_cast<size_t>(i)] = new QWidget;
    frames[static_cast<size_t>(i)]->setObjectName(QStringLiteral("Fr(%1)").arg(i));
    m_tabs->addTab(frames[static_cast<size_t>(i)], msg(tabCaptions[i]));
  }

  // Tab 0: the clock.
  m_prg = named(new QComboBox, "CmbPrg");
  m_numero = list("CmbNumero", fRelojModel::numeroRows());
  // The open list too: white text on the style's light list background cannot be read.
  m_numero->setStyleSheet(
      QStringLiteral("QComboBox { background: blue; color: white; }"
                     "QComboBox QAbstractItemView { background: blue; color: white;"
                     " selection-background-color: white; selection-color: blue; }"));
  m_modelo = list("CmbModelo", m_model.modeloRows());
  m_descrip = named(new QLineEdit, "TxtDescrip");
  auto* g0 = new QGridLayout(frames[0]);
  g0->addWidget(label("LblPrg", msg(267)), 0, 0);
  g0->addWidget(m_prg, 0, 1);
  g0->addWidget(label("LblNumero", msg(274)), 1, 0);
  g0->addWidget(m_numero, 1, 1);
  g0->addWidget(label("LblModelo", msg(242)), 2, 0);
  g0->addWidget(m_modelo, 2, 1);
  g0->addWidget(label("LblDescrip", msg(204)), 3, 0);
  g0->addWidget(m_descrip, 3, 1);
  g0->setRowStretch(4, 1);

  // Tab 1: how the clock is reached.
  m_puerto = list("CmbPuerto", fRelojModel::puertoRows());
  m_velocidad = list("CmbVelocidad", fRelojModel::velocidadRows());
  m_telefono = named(new QLineEdit, "TxtTelefono");
  limitTyping(m_telefono, 25);
  auto* ipRow = new QHBoxLayout;
  for (int k = 0; k < 4; ++k) {
    auto* box = new QLineEdit;
    box->setObjectName(QStringLiteral("IP(%1)").arg(k));
    box->setMaximumWidth(48);
    limitTyping(box, 3);
    m_ip[static_cast<size_t>(k)] = box;
    if (k > 0) ipRow->addWidget(new QLabel(QStringLiteral(".")));
    ipRow->addWidget(box);
  }
  ipRow->addStretch();
  auto* piGroup = new QButtonGroup(this);
  auto* piRow = new QHBoxLayout;
  const char* piCaptions[3] = {"RS232", "UDP", "IP"};
  for (int k = 0; k < 3; ++k) {
    auto* option = new QRadioButton(QString::fromLatin1(piCaptions[k]));
    option->setObjectName(QStringLiteral("PI(%1)").arg(k));
    piGroup->addButton(option, k);
    piRow->addWidget(option);
    m_pi[static_cast<size_t>(k)] = option;
  }
  piRow->addStretch();
  m_portLocal = named(new QLineEdit, "PLocal");
  m_portRemoto = named(new QLineEdit, "PRemoto");
  limitTyping(m_portLocal, 5);
  limitTyping(m_portRemoto, 5);
  m_comunicacion = list("CmbComunicacion", {GetMsg(285), GetMsg(246)});
  m_tipoNumero = list("CmbTipoNumero", {GetMsg(288), GetMsg(296)});
  auto* g1 = new QGridLayout(frames[1]);
  g1->addWidget(label("LblPuerto", msg(271)), 0, 0);
  g1->addWidget(m_puerto, 0, 1);
  g1->addWidget(label("LblVelocidad", msg(301)), 0, 2);
  g1->addWidget(m_velocidad, 0, 3);
  g1->addWidget(label("LblTelefono", msg(289)), 1, 0);
  g1->addWidget(m_telefono, 1, 1, 1, 3);
  g1->addWidget(label("LblIP", msg(208)), 2, 0);
  g1->addLayout(ipRow, 2, 1, 1, 3);
  g1->addLayout(piRow, 3, 1, 1, 3);
  g1->addWidget(label("LblPL", msg(394)), 4, 0);
  g1->addWidget(m_portLocal, 4, 1);
  g1->addWidget(label("lblPR", msg(393)), 4, 2);
  g1->addWidget(m_portRemoto, 4, 3);
  g1->addWidget(label("LblComunicacion", msg(183)), 5, 0);
  g1->addWidget(m_comunicacion, 5, 1);
  g1->addWidget(label("LblTipoNumero", msg(254)), 5, 2);
  g1->addWidget(m_tipoNumero, 5, 3);
  g1->setRowStretch(6, 1);

  // Tab 2: automatic processing.
  m_activo = named(new QCheckBox(msg(163)), "ChkActivo");
  m_borrar = named(new QCheckBox(msg(174)), "ChkBorrar");
  m_hora = named(new QCheckBox(msg(165)), "ChkHora");
  auto* opGroup = new QButtonGroup(this);
  m_opTipo[0] = named(new QRadioButton(msg(116)), "OpTipo(0)");
  m_opTipo[1] = named(new QRadioButton(msg(111)), "OpTipo(1)");
  opGroup->addButton(m_opTipo[0], 0);
  opGroup->addButton(m_opTipo[1], 1);
  m_archTipo = named(new QLineEdit, "TxtArchTipo");
  auto* g2 = new QGridLayout(frames[2]);
  g2->addWidget(label("LblOP", msg(392)), 0, 0, 1, 2);
  g2->addWidget(m_activo, 1, 0, 1, 2);
  g2->addWidget(m_borrar, 2, 0, 1, 2);
  g2->addWidget(m_hora, 3, 0, 1, 2);
  g2->addWidget(label("LblED", msg(391)), 4, 0, 1, 2);
  g2->addWidget(m_opTipo[0], 5, 0);
  g2->addWidget(m_opTipo[1], 5, 1);
  g2->addWidget(label("LblTipo", msg(396)), 6, 0, 1, 2);
  g2->addWidget(m_archTipo, 7, 0, 1, 2);
  g2->setRowStretch(8, 1);

  // Tab 3: the output file.
  m_archivo = named(new QLineEdit, "TxtArchivo");
  m_archivoCustom = named(new QCheckBox(msg(220)), "ArchivoCustom");
  m_path = named(new QLabel, "txtPath");
  m_path->setFrameShape(QFrame::StyledPanel);
  m_path->setMinimumWidth(220);
  m_examinar = named(new QPushButton(QStringLiteral("...")), "CmdExaminar");
  auto* g3 = new QGridLayout(frames[3]);
  g3->addWidget(label("LblArchivo", msg(167)), 0, 0);
  g3->addWidget(m_archivo, 0, 1);
  g3->addWidget(m_archivoCustom, 0, 2);
  g3->addWidget(label("LblPath", msg(210)), 1, 0);
  g3->addWidget(m_path, 1, 1);
  g3->addWidget(m_examinar, 1, 2);
  g3->setRowStretch(2, 1);

  layout->addWidget(m_tabs, 1);

  connect(m_modelo, &QComboBox::currentIndexChanged, this, [this](int row) {
    m_model.setModelo(row);
    setRow(m_tipoNumero, m_model.controls.tipoNumero);
  });
  connect(m_archivoCustom, &QCheckBox::toggled, this, [this](bool on) {
    m_model.setArchivoCustom(on);
    setText(m_archivo, m_model.controls.archivo);
  });
  connect(m_examinar, &QPushButton::clicked, this, [this] { onExaminar(); });
  m_tabs->setCurrentIndex(0);
}

void fReloj::showControls() {
  const fRelojModel::Controls& c = m_model.controls;
  {
    const QSignalBlocker block(m_prg);
    m_prg->clear();
    for (const std::string& r : c.prgRows) m_prg->addItem(qs(r));
    m_prg->setCurrentIndex(c.prg);
    m_prg->setEnabled(c.prgEnabled);
  }
  setRow(m_numero, c.numero);
  setRow(m_modelo, c.modelo);
  setText(m_descrip, c.descrip);
  setRow(m_puerto, c.puerto);
  setRow(m_velocidad, c.velocidad);
  setText(m_telefono, c.telefono);
  for (size_t k = 0; k < 4; ++k) setText(m_ip[k], c.ip[k]);
  m_pi[static_cast<size_t>(c.interfaz)]->setChecked(true);
  setText(m_portLocal, c.portLocal);
  setText(m_portRemoto, c.portRemoto);
  setRow(m_comunicacion, c.comunicacion);
  setRow(m_tipoNumero, c.tipoNumero);
  m_activo->setChecked(c.activo);
  m_borrar->setChecked(c.borrar);
  m_hora->setChecked(c.hora);
  m_opTipo[static_cast<size_t>(c.opTipo)]->setChecked(true);
  setText(m_archTipo, c.archTipo);
  setText(m_archivo, c.archivo);
  {
    const QSignalBlocker block(m_archivoCustom);
    m_archivoCustom->setChecked(c.archivoCustom);
  }
  m_path->setText(qs(c.path));
}

void fReloj::collectControls() {
  fRelojModel::Controls& c = m_model.controls;
  c.prg = m_prg->currentIndex();
  c.numero = m_numero->currentIndex();
  c.modelo = m_modelo->currentIndex();
  c.descrip = ss(m_descrip->text());
  c.puerto = m_puerto->currentIndex();
  c.velocidad = m_velocidad->currentIndex();
  c.telefono = ss(m_telefono->text());
  for (size_t k = 0; k < 4; ++k) c.ip[k] = ss(m_ip[k]->text());
  for (size_t k = 0; k < 3; ++k)
    if (m_pi[k]->isChecked()) c.interfaz = static_cast<int>(k);
  c.portLocal = ss(m_portLocal->text());
  c.portRemoto = ss(m_portRemoto->text());
  c.comunicacion = m_comunicacion->currentIndex();
  c.tipoNumero = m_tipoNumero->currentIndex();
  c.activo = m_activo->isChecked();
  c.borrar = m_borrar->isChecked();
  c.hora = m_hora->isChecked();
  c.opTipo = m_opTipo[1]->isChecked() ? 1 : 0;
  c.archTipo = ss(m_archTipo->text());
  c.archivo = ss(m_archivo->text());
  c.archivoCustom = m_archivoCustom->isChecked();
  c.path = ss(m_path->text());
}

void fReloj::onAccept() {
  collectControls();
  const bool stored = m_model.accept();
  setText(m_archivo, m_model.controls.archivo);
  m_path->setText(qs(m_model.controls.path));
  if (stored) accept();
}

void fReloj::onCancel() {
  m_model.cancel();
  reject();
}

void fReloj::onExaminar() {
  // The title is the same Spanish text in every language; a cancelled picker keeps the folder.
  const std::optional<std::string> chosen =
      dialogs::existingDirectory(this, "Seleccione un Directorio...", ss(m_path->text()));
  if (chosen) m_path->setText(qs(folderWithSeparator(*chosen)));
}
