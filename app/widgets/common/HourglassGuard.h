// The hourglass: a wait cursor over the whole program for the guard's lifetime. Guards nest.
#pragma once

#include <QApplication>
#include <QCursor>

class HourglassGuard {
 public:
  HourglassGuard() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~HourglassGuard() { QApplication::restoreOverrideCursor(); }
  HourglassGuard(const HourglassGuard&) = delete;
  HourglassGuard& operator=(const HourglassGuard&) = delete;
};
