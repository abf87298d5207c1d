#include "testsupport/WaitFor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace apptest {

bool waitFor(const std::function<bool()>& done, int limitMs) {
  QDeadlineTimer deadline(limitMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

}  // namespace apptest
