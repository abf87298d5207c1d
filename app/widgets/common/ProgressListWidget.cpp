#include "widgets/common/ProgressListWidget.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace {
constexpr int kRepaintEveryMs = 50;
constexpr int kStyleRole = Qt::UserRole + 1;  // the rgb as set (0 = normal colour)
constexpr int kTextRole = Qt::UserRole + 2;   // the line as written, carriage returns kept

// A carriage return in a line starts a second row of text (the retry countdown puts the
// modem's status under it), so the list shows it as that line break. Breaks at the end (a
// modem reply ends with one) would only add empty rows.
QString shown(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  while (s.endsWith(QLatin1Char('\n'))) s.chop(1);
  return s;
}

void setLine(QListWidgetItem* item, const std::string& text) {
  item->setText(shown(text));
  item->setData(kTextRole, QString::fromStdString(text));
}

void applyStyle(QListWidgetItem* item, LineStyle style) {
  QFont f = item->font();
  f.setBold(style.bold);
  item->setFont(f);
  if (style.rgb == 0)
    item->setData(Qt::ForegroundRole, QVariant());
  else
    item->setForeground(QBrush(QColor::fromRgb(style.rgb)));
  item->setData(kStyleRole, static_cast<uint>(style.rgb));
}
}  // namespace

ProgressListWidget::ProgressListWidget(QWidget* parent) : QListWidget(parent) {
  // Not uniform: a line with a carriage return takes two rows of text.
  setSelectionMode(QAbstractItemView::SingleSelection);
  m_pending.setSingleShot(true);
  connect(&m_pending, &QTimer::timeout, this, &ProgressListWidget::repaintNow);
  m_sinceRepaint.start();
}

QListWidgetItem* ProgressListWidget::at(int index) const {
  return index >= 1 && index <= count() ? item(index - 1) : nullptr;
}

int ProgressListWidget::add(const std::string& text, LineStyle style) {
  auto* it = new QListWidgetItem(this);
  setLine(it, text);
  applyStyle(it, style);
  return count();
}

std::string ProgressListWidget::text(int index) const {
  const QListWidgetItem* it = at(index);
  return it ? it->data(kTextRole).toString().toStdString() : std::string();
}

LineStyle ProgressListWidget::style(int index) const {
  const QListWidgetItem* it = at(index);
  if (!it) return {};
  return {it->font().bold(), it->data(kStyleRole).toUInt()};
}

void ProgressListWidget::setText(int index, const std::string& text) {
  if (QListWidgetItem* it = at(index)) setLine(it, text);
}

void ProgressListWidget::setStyle(int index, LineStyle style) {
  if (QListWidgetItem* it = at(index)) applyStyle(it, style);
}

void ProgressListWidget::remove(int index) {
  if (at(index)) delete takeItem(index - 1);
}

void ProgressListWidget::selectLast() {
  if (count() == 0) return;
  setCurrentRow(count() - 1);
  scrollToBottom();
}

void ProgressListWidget::refresh() {
  if (m_sinceRepaint.elapsed() >= kRepaintEveryMs) {
    repaintNow();
  } else if (!m_pending.isActive()) {
    // Too soon: the lines of this burst show with the next repaint at the latest.
    m_pending.start(kRepaintEveryMs);
  }
}

void ProgressListWidget::repaintNow() {
  m_pending.stop();
  viewport()->repaint();
  m_sinceRepaint.restart();
}
