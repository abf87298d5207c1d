// One exchange of a window (with a clock, an FTP or rsh host, a file being viewed) whose waits
// let window events through: for its lifetime the window is busy (BusyGuard: its commands off,
// a close waits and cancels the exchange) and, unless the window shows its own progress, the
// hourglass is up. endAndCheckClose() ends the scope and answers whether a close of the window
// came meanwhile: that close comes next, and the caller leaves the window alone.
#pragma once

#include "widgets/common/BusyGuard.h"
#include "widgets/common/HourglassGuard.h"

#include <optional>

class QWidget;

class ExchangeScope {
 public:
  enum class Cursor { Hourglass, Normal };

  explicit ExchangeScope(QWidget* window, Cursor cursor = Cursor::Hourglass);
  ExchangeScope(const ExchangeScope&) = delete;
  ExchangeScope& operator=(const ExchangeScope&) = delete;

  // The guard goes (a close held up by it is delivered once the caller has returned) and the
  // cursor comes back; true when a close of the window was asked for meanwhile and has not been
  // delivered yet (BusyGuard::closePending). Asked again, it answers anew.
  [[nodiscard]] bool endAndCheckClose();

 private:
  QWidget* m_window;
  std::optional<BusyGuard> m_busy;
  std::optional<HourglassGuard> m_hourglass;
};
