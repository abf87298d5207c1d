// FSirenas: shows and edits the current clock's siren schedule: reads it from the clock, adds
// one siren, deletes the selected one or all, and reads the list again after every change.
#pragma once

#include "collect/SirenSchedule.h"
#include "widgets/clock/ClockWindow.h"

#include <array>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;

class QProgressBar;

class FSirenas : public ClockWindow {
  Q_OBJECT

 public:
  explicit FSirenas(QWidget* parent, const WindowContext& context);

  void CbiaEnabled(bool enabled);
  bool fAltaSirena();
  bool fBajaSirena();
  void LeerSirenas();
  bool vTodo();
  void mnu(int index);

  QTreeWidget* LstSir() const { return m_lst; }
  QComboBox* ListaDias() const { return m_dias; }
  QComboBox* ListaSirenas() const { return m_sirenas; }
  QLineEdit* MEdHora(int i) const { return m_hora[i == 0 ? 0 : 1]; }
  QLineEdit* MEdDuracion() const { return m_duracion; }
  QAction* command(int i) const { return m_cmd[static_cast<size_t>(i)]; }
  clocklink::CollectionStatus lastResult() const { return m_result; }

 protected:
  void updateCommands() override;

 private:
  void MostrarSirena(int row);  // 0 clears the fields
  std::string dataText(int sirenNumber) const;
  void applyRules();
  void setFirstCaption(int msg);

  QTreeWidget* m_lst;
  QComboBox* m_dias;
  QComboBox* m_sirenas;
  QLineEdit* m_hora[2];
  QLineEdit* m_duracion;
  QLabel* m_mensaje;
  QProgressBar* m_progress;  // the entries read, while the schedule is read
  std::array<QAction*, 5> m_cmd{};
  std::vector<collect::SirenDay> m_days;
  std::vector<collect::SirenRow> m_rows;
  clocklink::CollectionStatus m_result{};
  bool m_editMode = false;
  bool m_fieldsEnabled = false;
};
