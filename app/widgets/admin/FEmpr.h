// The company editor window: the companies of EMPR.DAT (card range, description, output file
// and folder) in a sortable list with the boxes of the selected one, entry of new companies,
// and Exit, which writes the table back. A thin view over FEmprModel. Only Exit writes; the
// close box discards, and Escape does nothing.
#pragma once

#include <QIcon>
#include <QList>

#include <memory>

#include "widgets/admin/EditorSupport.h"
#include "admin/FEmprModel.h"
#include "widgets/dialogs/MsgBoxReporter.h"

class EditorTableModel;
class QLineEdit;
class QPushButton;
class QTableView;

class FEmpr : public NoEscapeDialog {
  Q_OBJECT

 public:
  explicit FEmpr(const QList<QIcon>* img = nullptr, QWidget* parent = nullptr);
  ~FEmpr() override;

  FEmprModel& model() { return m_model; }
  EditorCommands& commands() { return *m_commands; }
  QTableView* list() const { return m_list; }

 private:
  void command(int index);
  void collectFields();
  void showState();
  void onExaminar();

  MsgBoxReporter m_boxes;  // the model's boxes
  FEmprModel m_model;
  std::unique_ptr<EditorCommands> m_commands;
  EditorTableModel* m_table = nullptr;
  QTableView* m_list = nullptr;
  QLineEdit *m_desde, *m_hasta, *m_descripcion, *m_archivo, *m_directorio;
  QPushButton* m_examinar;
  uint64_t m_shownChanges = ~uint64_t{0};
  bool m_showing = false;
};

// Opens the company editor modally (the main window's "&Empresas").
void openFEmpr(QWidget* parent, const QList<QIcon>* img = nullptr);
