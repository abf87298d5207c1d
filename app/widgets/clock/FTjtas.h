// FTjtas: suspends single cards of the current clock or lifts their suspension, sends a whole
// card file either way, and switches the clock's overall locking mode.
#pragma once

#include "widgets/clock/ClockWindow.h"

#include <clocklink/CollectionStatus.h>

#include <optional>

class QLineEdit;
class QRadioButton;

class FTjtas : public ClockWindow {
  Q_OBJECT

 public:
  explicit FTjtas(QWidget* parent, const WindowContext& context);

  // Sends the card file named in Archivo: mode 1 lifts the suspension, 0 suspends.
  void EnviaArchivo(int16_t mode);
  void mnu1(int index);  // 0 suspend, 1 lift (the card or the file chosen)
  void mnu3(int index);  // 0 normal, 1 all enabled, 2 all locked
  void mnum(int index);  // 1 browse for the card file, 3 close
  // A card or locking command by its tag, as the toolbar's drop-down entries are numbered:
  // "1"-"2" run mnu1, "3"-"5" mnu3; others nothing.
  void ButtonMenuClick(const QString& tag);

  QRadioButton* Option1() const { return m_option1; }
  QRadioButton* Option2() const { return m_option2; }
  QLineEdit* Tarjeta() const { return m_tarjeta; }
  QLineEdit* Archivo() const { return m_archivo; }

 private:
  void optionChanged();
  // The Tarjeta check: false (341 shown, box emptied and focused) for a wrong number.
  bool checkTarjeta(std::string& card);
  void lockDone(clocklink::CollectionStatus result);  // beep for kSuccess, else 338

  QRadioButton* m_option1;
  QRadioButton* m_option2;
  QLineEdit* m_tarjeta;
  QLineEdit* m_archivo;
  QAction* m_examinar = nullptr;
  int16_t m_tipo = 1;
};
