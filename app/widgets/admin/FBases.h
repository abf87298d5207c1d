// The card base editor window: the card holders of VELTA.TAR in a sortable list with the
// fields of the selected holder, entry of new holders, import of names, and Salir, which
// writes the list back. A thin view over FBasesModel; the list, the commands and how the
// window ends are ListEditorWindow's.
#pragma once

#include "admin/FBasesModel.h"
#include "widgets/admin/ListEditorWindow.h"

#include <QIcon>
#include <QList>

class QCheckBox;
class QLineEdit;

class FBases : public ListEditorWindow {
  Q_OBJECT

 public:
  explicit FBases(const QList<QIcon>* img = nullptr, QWidget* parent = nullptr);
  ~FBases() override;

  FBasesModel& model() { return m_model; }

 private:
  void collectFields() override;
  void showFields() override;

  FBasesModel m_model;
  QLineEdit *m_touch, *m_descrip, *m_grupo, *m_lega;
  QCheckBox *m_resaltar, *m_novedad;
};

// Opens the card base editor modally (the main window's "&Base de Tarjetas").
void openFBases(QWidget* parent, const QList<QIcon>* img = nullptr);
