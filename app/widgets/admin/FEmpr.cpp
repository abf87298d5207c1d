#include "widgets/admin/FEmpr.h"

#include "core/Messages.h"
#include "widgets/admin/EditorSupport.h"
#include "widgets/dialogs/FileDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using adminwindows::msg;
using adminwindows::named;
using adminwindows::qs;

FEmpr::FEmpr(const QList<QIcon>* img, QWidget* parent)
    : ListEditorWindow(parent), m_model(m_boxes) {
  const int digits = m_model.digits();
  m_desde = named(new QLineEdit, "TxtDesde");
  m_hasta = named(new QLineEdit, "TxtHasta");
  limitTyping(m_desde, digits);
  limitTyping(m_hasta, digits);
  m_descripcion = named(new QLineEdit, "TxtDescripcion");
  limitTyping(m_descripcion, 50);
  m_archivo = named(new QLineEdit, "TxtArchivo");
  limitTyping(m_archivo, 20);
  m_directorio = named(new QLineEdit, "TxtDirectorio");
  m_directorio->setEnabled(false);
  m_examinar = named(new QPushButton(QStringLiteral("...")), "CmdExaminar");
  connect(m_examinar, &QPushButton::clicked, this, [this] { onExaminar(); });

  auto* range = new QHBoxLayout;
  range->addWidget(m_desde);
  range->addWidget(named(new QLabel(QStringLiteral("al")), "Label1"));
  range->addWidget(m_hasta);
  auto* grid = new QGridLayout;
  grid->addWidget(named(new QLabel(msg(m_model.tipoNumero() == 2 ? 296 : 288)), "LblTjtas"), 0, 0);
  grid->addLayout(range, 0, 1);
  grid->addWidget(named(new QLabel(msg(204)), "LblDescripcion"), 1, 0);
  grid->addWidget(m_descripcion, 1, 1, 1, 2);
  grid->addWidget(named(new QLabel(msg(167)), "LblArchivo"), 2, 0);
  grid->addWidget(m_archivo, 2, 1);
  grid->addWidget(named(new QLabel(msg(210)), "LblDirectorio"), 3, 0);
  grid->addWidget(m_directorio, 3, 1);
  grid->addWidget(m_examinar, 3, 2);
  grid->setColumnStretch(1, 1);

  buildAndLoad(m_model,
               {"FEmpr",
                {{110, 8}, {146, 1}, {115, 9}, {123, 10}, {154, 2}},
                {msg(206), msg(226), msg(204), msg(167), msg(210)},
                {0.25, 0.25, 0.75, 0.75, 0.75}},
               img, grid, {m_desde, m_hasta});
}

FEmpr::~FEmpr() = default;

void FEmpr::collectFields() {
  FEmprModel::Fields& f = m_model.fields;
  f.desde = m_desde->text().toStdString();
  f.hasta = m_hasta->text().toStdString();
  f.descripcion = m_descripcion->text().toStdString();
  f.archivo = m_archivo->text().toStdString();
  f.directorio = m_directorio->text().toStdString();
}

void FEmpr::showFields() {
  const FEmprModel::Fields& f = m_model.fields;
  m_desde->setText(qs(f.desde));
  m_hasta->setText(qs(f.hasta));
  m_descripcion->setText(qs(f.descripcion));
  m_archivo->setText(qs(f.archivo));
  m_directorio->setText(qs(f.directorio));
}

void FEmpr::onExaminar() {
  // The separator is added by the check and by Modificar, not here.
  const std::optional<std::string> chosen =
      dialogs::existingDirectory(this, GetMsg(380), m_directorio->text().toStdString());
  if (chosen) m_directorio->setText(qs(*chosen));
}

void openFEmpr(QWidget* parent, const QList<QIcon>* img) {
  FEmpr window(img, parent);
  window.exec();
}
