#include "admin/EditorTableModel.h"

EditorTableModel::EditorTableModel(QStringList headers, std::function<int()> rows,
                                   std::function<const std::string&(int, int)> cell,
                                   QObject* parent)
    : QAbstractTableModel(parent),
      m_headers(std::move(headers)),
      m_rows(std::move(rows)),
      m_cell(std::move(cell)) {}

int EditorTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rows();
}

int EditorTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant EditorTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows()) return {};
  return QString::fromStdString(m_cell(index.row(), index.column()));
}

QVariant EditorTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
      section >= m_headers.size())
    return {};
  return m_headers.at(section);
}

void EditorTableModel::refresh() {
  beginResetModel();
  endResetModel();
}
