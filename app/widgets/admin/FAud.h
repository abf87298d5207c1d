// The audit-log viewer: lists VELTA.AUD (date and time, action, user), sorts by a column on
// a header click, and empties the log on Baja. It only reads and deletes; it adds nothing.
#pragma once

#include "widgets/common/WindowContext.h"

#include <QDialog>

class QAction;
class QTreeView;
class FAudModel;

class FAud : public QDialog {
  Q_OBJECT

 public:
  // Lists and empties the audit log of the context's administration objects.
  FAud(QWidget* parent, const WindowContext& context);

  QAction* mnuBaja() const { return m_baja; }
  QAction* mnuSalir() const { return m_salir; }
  QTreeView* Lst() const { return m_list; }
  FAudModel* model() const { return m_model; }

 public slots:
  void Baja();
  void Salir();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void fill();
  QAction* m_baja;
  QAction* m_salir;
  QTreeView* m_list;
  FAudModel* m_model;
  bool m_columnsSized = false;
  AdminObjects objects() const { return m_context.admin(); }
  WindowContext m_context;
};

// The main window's "Auditoría" command: shows the viewer modally.
void openFAud(QWidget* parent, const WindowContext& context);
