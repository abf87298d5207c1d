// The company editor window: the companies of EMPR.DAT (card range, description, output file
// and folder) in a sortable list with the boxes of the selected one, entry of new companies,
// and Exit, which writes the table back. A thin view over FEmprModel; the list, the commands
// and how the window ends are ListEditorWindow's.
#pragma once

#include "admin/FEmprModel.h"
#include "widgets/admin/ListEditorWindow.h"

#include <QIcon>
#include <QList>

class QLineEdit;
class QPushButton;

class FEmpr : public ListEditorWindow {
  Q_OBJECT

 public:
  explicit FEmpr(const QList<QIcon>* img = nullptr, QWidget* parent = nullptr);
  ~FEmpr() override;

  FEmprModel& model() { return m_model; }

 private:
  void collectFields() override;
  void showFields() override;
  void onExaminar();

  FEmprModel m_model;
  QLineEdit *m_desde, *m_hasta, *m_descripcion, *m_archivo, *m_directorio;
  QPushButton* m_examinar;
};

// Opens the company editor modally (the main window's "&Empresas").
void openFEmpr(QWidget* parent, const QList<QIcon>* img = nullptr);
