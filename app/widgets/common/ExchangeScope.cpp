#include "widgets/common/ExchangeScope.h"

ExchangeScope::ExchangeScope(QWidget* window, Cursor cursor) : m_window(window) {
  if (cursor == Cursor::Hourglass) m_hourglass.emplace();
  m_busy.emplace(window);
}

bool ExchangeScope::endAndCheckClose() {
  m_busy.reset();
  m_hourglass.reset();
  return BusyGuard::closePending(m_window);
}
