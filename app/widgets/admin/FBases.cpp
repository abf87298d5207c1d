#include "widgets/admin/FBases.h"

#include "core/Messages.h"
#include "widgets/admin/EditorSupport.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

using adminwindows::msg;
using adminwindows::named;
using adminwindows::qs;

FBases::FBases(const QList<QIcon>* img, QWidget* parent)
    : ListEditorWindow(parent), m_model(m_boxes) {
  const bool touch = m_model.tipoNumero() == 2;
  m_touch = named(new QLineEdit, "Touch");
  limitTyping(m_touch, m_model.digits());
  m_descrip = named(new QLineEdit, "Descrip");
  limitTyping(m_descrip, 40);
  m_grupo = named(new QLineEdit, "TxtGrupo");
  limitTyping(m_grupo, 3);
  m_lega = named(new QLineEdit, "TxtLega");
  limitTyping(m_lega, 20);
  m_resaltar = named(new QCheckBox, "ChkResaltar");
  m_novedad = named(new QCheckBox, "ChkNovedad");

  auto* fieldsGrid = new QGridLayout;
  fieldsGrid->addWidget(named(new QLabel(msg(touch ? 296 : 288)), "Label2"), 0, 0);
  fieldsGrid->addWidget(m_touch, 0, 1);
  fieldsGrid->addWidget(named(new QLabel(msg(204)), "LblDescripcion"), 0, 2);
  fieldsGrid->addWidget(m_descrip, 0, 3, 1, 3);
  fieldsGrid->addWidget(named(new QLabel(msg(224)), "LblGrupo"), 1, 0);
  fieldsGrid->addWidget(m_grupo, 1, 1);
  fieldsGrid->addWidget(named(new QLabel(msg(235)), "LBLLegajo"), 1, 2);
  fieldsGrid->addWidget(m_lega, 1, 3);
  fieldsGrid->addWidget(named(new QLabel(msg(280)), "LblResaltar"), 2, 0);
  fieldsGrid->addWidget(m_resaltar, 2, 1);
  fieldsGrid->addWidget(named(new QLabel(msg(253)), "LblNovedad"), 2, 2);
  fieldsGrid->addWidget(m_novedad, 2, 3);
  fieldsGrid->setColumnStretch(3, 1);

  buildAndLoad(m_model,
               {"FBases",
                {{110, 8}, {146, 1}, {115, 9}, {123, 10}, {134, 5}, {154, 2}},
                {msg(254), msg(204), msg(224), msg(280), msg(253), msg(235)},
                {0.25, 0.75, 0.75, 0.25, 0.25, 0.25}},
               img, fieldsGrid, {m_touch});
}

FBases::~FBases() = default;

void FBases::collectFields() {
  FBasesModel::Fields& f = m_model.fields;
  f.touch = m_touch->text().toStdString();
  f.descrip = m_descrip->text().toStdString();
  f.grupo = m_grupo->text().toStdString();
  f.lega = m_lega->text().toStdString();
  f.resaltar = m_resaltar->isChecked();
  f.novedad = m_novedad->isChecked();
}

void FBases::showFields() {
  const FBasesModel::Fields& f = m_model.fields;
  m_touch->setText(qs(f.touch));
  m_descrip->setText(qs(f.descrip));
  m_grupo->setText(qs(f.grupo));
  m_lega->setText(qs(f.lega));
  m_resaltar->setChecked(f.resaltar);
  m_novedad->setChecked(f.novedad);
}

void openFBases(QWidget* parent, const QList<QIcon>* img) {
  FBases window(img, parent);
  window.exec();
}
