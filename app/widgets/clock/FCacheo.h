// FCacheo: sets the current clock's random-search percentage with a slider.
#pragma once

#include "widgets/clock/ClockWindow.h"

class QLabel;
class QSlider;

class FCacheo : public ClockWindow {
  Q_OBJECT

 public:
  explicit FCacheo(QWidget* parent, const WindowContext& context);
  QSlider* Gge() const { return m_gge; }

 private:
  void send();
  QSlider* m_gge;
  QLabel* m_value;
};
