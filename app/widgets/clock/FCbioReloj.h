// FCbioReloj: changes the current clock's number (one character 0-9, A-Z, a-z).
#pragma once

#include "widgets/clock/ClockWindow.h"

class QLineEdit;

class FCbioReloj : public ClockWindow {
  Q_OBJECT

 public:
  explicit FCbioReloj(QWidget* parent, const WindowContext& context);
  QLineEdit* Text1() const { return m_text; }

 private:
  void send();
  QLineEdit* m_text;
};
