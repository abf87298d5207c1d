// The clock editor window: defines one clock of the clock list (slot, number, model, how it
// is reached, processing options, output file). A thin view over fRelojModel; the caller sets
// gListaRelojes->Operation and shows it modally (see run).
#pragma once

#include "admin/fRelojModel.h"
#include "widgets/dialogs/MsgBoxReporter.h"

#include <QDialog>
#include <QIcon>
#include <QList>

#include <array>
#include <memory>

class EditorCommands;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

class fReloj : public QDialog {
  Q_OBJECT

 public:
  // Loads the controls for list.Operation. Check opened() before showing: a new clock with
  // every slot in use does not open (box 338, Operation -1).
  explicit fReloj(ClsListaRelojes& list, const QList<QIcon>* img = nullptr,
                  QWidget* parent = nullptr);
  ~fReloj() override;
  bool opened() const { return m_opened; }

  // Opens the editor modally on list.Operation; the outcome stays in Operation.
  static void run(ClsListaRelojes& list, QWidget* parent = nullptr,
                  const QList<QIcon>* img = nullptr);

  fRelojModel& model() { return m_model; }
  EditorCommands& commands() { return *m_commands; }

 private:
  void buildWindow(const QList<QIcon>* img);
  void showControls();     // model -> widgets
  void collectControls();  // widgets -> model
  void onAccept();
  void onCancel();
  void onExaminar();

  MsgBoxReporter m_boxes;  // the model's boxes
  fRelojModel m_model;
  bool m_opened = false;
  std::unique_ptr<EditorCommands> m_commands;
  QTabWidget* m_tabs = nullptr;
  QComboBox *m_prg, *m_numero, *m_modelo, *m_puerto, *m_velocidad, *m_comunicacion, *m_tipoNumero;
  QLineEdit *m_descrip, *m_telefono, *m_portLocal, *m_portRemoto, *m_archTipo, *m_archivo;
  std::array<QLineEdit*, 4> m_ip{};
  std::array<QRadioButton*, 3> m_pi{};
  std::array<QRadioButton*, 2> m_opTipo{};
  QCheckBox *m_activo, *m_borrar, *m_hora, *m_archivoCustom;
  QLabel* m_path;
  QPushButton* m_examinar;
};
