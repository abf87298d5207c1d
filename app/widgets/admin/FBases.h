// The card base editor window: the card holders of VELTA.TAR in a sortable list with the
// fields of the selected holder, entry of new holders, import of names, and Salir, which
// writes the list back. A thin view over FBasesModel. Only Salir writes; the close box
// discards, and Escape does nothing.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QList>

#include <memory>

#include "widgets/admin/EditorSupport.h"
#include "admin/FBasesModel.h"
#include "widgets/dialogs/MsgBoxReporter.h"

class EditorTableModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;

class FBases : public NoEscapeDialog {
  Q_OBJECT

 public:
  explicit FBases(const QList<QIcon>* img = nullptr, QWidget* parent = nullptr);
  ~FBases() override;

  FBasesModel& model() { return m_model; }
  EditorCommands& commands() { return *m_commands; }
  QTableView* list() const { return m_list; }

 private:
  void command(int index);
  void collectFields();
  void showState();  // model -> widgets

  MsgBoxReporter m_boxes;  // the model's boxes
  FBasesModel m_model;
  std::unique_ptr<EditorCommands> m_commands;
  EditorTableModel* m_table = nullptr;
  QTableView* m_list = nullptr;
  QLineEdit *m_touch, *m_descrip, *m_grupo, *m_lega;
  QCheckBox *m_resaltar, *m_novedad;
  uint64_t m_shownChanges = ~uint64_t{0};
  bool m_showing = false;
};

// Opens the card base editor modally (the main window's "&Base de Tarjetas").
void openFBases(QWidget* parent, const QList<QIcon>* img = nullptr);
