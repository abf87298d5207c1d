// The progress list as a widget: the collection code's ProgressList over a one-column list,
// bold and colour per line. A carriage return in a line shows as a line break; text() gives
// the line back as written. A long run adds many lines between two event-loop turns, so an
// explicit refresh repaints at most every 50 ms; the last lines show when the run ends
// (refresh after the throttle window, or the next paint).
#pragma once

#include "core/ProgressList.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>

class ProgressListWidget : public QListWidget, public ProgressList {
  Q_OBJECT
 public:
  explicit ProgressListWidget(QWidget* parent = nullptr);

  int add(const std::string& text, LineStyle style = {}) override;
  int count() const override { return QListWidget::count(); }
  std::string text(int index) const override;
  LineStyle style(int index) const override;
  void setText(int index, const std::string& text) override;
  void setStyle(int index, LineStyle style) override;
  void remove(int index) override;
  void clear() override { QListWidget::clear(); }
  void selectLast() override;
  void refresh() override;

 private:
  QListWidgetItem* at(int index) const;
  void repaintNow();
  QElapsedTimer m_sinceRepaint;
  QTimer m_pending;
};
