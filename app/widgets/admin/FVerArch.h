// The record-file viewer window: the file name, the filter fields, the list of the view and
// its counter, and six commands (Examinar, Visualizar, Guardar, Imprimir, Enviar Correo,
// Salir) shared by menu and toolbar. The reading and filtering are RecordView's; the window
// shows progress while a view runs and keeps its events running, so it never freezes.
#pragma once

#include "admin/ColumnSort.h"
#include "admin/MailSender.h"
#include "admin/RecordView.h"
#include "core/ClsTarjetas.h"
#include "widgets/common/WindowContext.h"

#include <QDialog>

#include <array>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTableView;
class RecordViewModel;

class FVerArch : public QDialog {
  Q_OBJECT

 public:
  // Views files with the settings, clock list and data folder of the context's administration
  // objects, naming holders from the card store it loads from that folder.
  FVerArch(QWidget* parent, const WindowContext& context);
  ~FVerArch() override;

  QAction* mnu(int index) const { return m_mnu.at(static_cast<size_t>(index)); }
  QLineEdit* TxtF(int index) const { return m_txtF.at(static_cast<size_t>(index)); }
  QLineEdit* Archivo() const { return m_archivo; }
  QLabel* TTotal() const { return m_total; }
  QTableView* ListaReg() const { return m_list; }
  const RecordView& view() const { return m_view; }
  // True while a view or a mail start runs (the window's exchange guard is held).
  bool viewing() const;
  int cardWidth() const { return m_cardWidth; }  // of the printed card column
  // The mail client used by Enviar Correo (xdg-email unless a test puts another).
  void setMailSender(std::unique_ptr<MailSender> sender) { m_mail = std::move(sender); }

 public slots:
  void Examinar();
  void Visualizar();
  void Guardar();
  void Imprimir();
  void EnviarCorreo();
  void Salir();
  void sortByColumn(int column);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void showEvent(QShowEvent* event) override;

 private:
  class Sink;
  ViewSettings settings() const;
  void busyChanged();

  std::array<QAction*, 6> m_mnu{};
  std::array<bool, 5> m_wanted{};  // commands 0..4 as they were before the window got busy
  std::array<QLineEdit*, 9> m_txtF{};
  QLineEdit* m_archivo = nullptr;
  QLabel* m_total = nullptr;
  QProgressBar* m_progress = nullptr;
  QTableView* m_list = nullptr;
  RecordViewModel* m_model = nullptr;
  RecordView m_view;
  ColumnSort m_sort;
  ClsTarjetas m_cards;
  std::unique_ptr<MailSender> m_mail;
  int m_cardWidth = 8;
  bool m_stop = false;  // the view's own stop flag
  bool m_columnsSized = false;
  AdminObjects objects() const { return m_context.admin(); }
  WindowContext m_context;
};

// The main window's "Ver archivo" command: shows the viewer modally.
void openFVerArch(QWidget* parent, const WindowContext& context);
