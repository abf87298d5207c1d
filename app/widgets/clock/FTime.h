// FTime: sets the current clock's date and time, preset to the computer's.
#pragma once

#include "widgets/clock/ClockWindow.h"

class QDateEdit;
class QTimeEdit;

class FTime : public ClockWindow {
  Q_OBJECT

 public:
  explicit FTime(QWidget* parent, const WindowContext& context);
  QDateEdit* MEdFecha() const { return m_fecha; }
  QTimeEdit* MEdHora() const { return m_hora; }

 private:
  void send();
  QDateEdit* m_fecha;
  QTimeEdit* m_hora;
};
