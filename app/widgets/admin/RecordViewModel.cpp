#include "widgets/admin/RecordViewModel.h"

#include <QColor>
#include <QFont>

RecordViewModel::RecordViewModel(const RecordView& view, QObject* parent)
    : QAbstractTableModel(parent), m_view(view) {}

void RecordViewModel::setCaptions(const QStringList& captions) {
  m_captions = captions;
  emit headerDataChanged(Qt::Horizontal, 0, RecordView::kColumns - 1);
}

void RecordViewModel::endChange() {
  m_rows = static_cast<int>(std::min<size_t>(m_view.rowCount(), INT32_MAX));
  endResetModel();
}

int RecordViewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rows;
}

int RecordViewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RecordView::kColumns;
}

QVariant RecordViewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= m_rows) return {};
  const auto row = static_cast<size_t>(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(m_view.cell(row, index.column()));
    case Qt::FontRole:
      if (m_view.marks(row) & RecordView::kBold) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ForegroundRole:
      if (m_view.marks(row) & RecordView::kRed) return QColor(255, 0, 0);
      return {};
    default:
      return {};
  }
}

QVariant RecordViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < m_captions.size())
    return m_captions[section];
  return {};
}
