#include "admin/FAudModel.h"

#include <numeric>

FAudModel::FAudModel(QObject* parent) : QAbstractTableModel(parent) {}

void FAudModel::clear() {
  beginResetModel();
  m_rows.clear();
  m_order.clear();
  endResetModel();
}

void FAudModel::addRow(const StoreRow& row) {
  const int at = static_cast<int>(m_rows.size());
  beginInsertRows({}, at, at);
  m_rows.push_back(row);
  m_order.push_back(m_rows.size() - 1);
  endInsertRows();
}

StoreRow FAudModel::row(size_t index) const {
  return index < m_order.size() ? m_rows[m_order[index]] : StoreRow{};
}

void FAudModel::sortClick(int column) {
  m_sort.click(column);
  resort();
}

void FAudModel::resort() {
  beginResetModel();
  std::iota(m_order.begin(), m_order.end(), size_t{0});
  m_sort.apply<size_t>(m_order, [this](const size_t& n, int c) { return textOf(m_rows[n], c); });
  endResetModel();
}

std::string FAudModel::textOf(const StoreRow& row, int column) {
  return column == 0 ? row.text : row.sub(static_cast<size_t>(column));
}

int FAudModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FAudModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant FAudModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() ||
      static_cast<size_t>(index.row()) >= m_order.size())
    return {};
  return QString::fromStdString(
      textOf(m_rows[m_order[static_cast<size_t>(index.row())]], index.column()));
}

QVariant FAudModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < m_captions.size())
    return m_captions[section];
  return {};
}
