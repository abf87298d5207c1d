// The audit-log viewer's list: the rows the audit log gives (date and time, action, user)
// in a table model that sorts by a column's text on header clicks.
#pragma once

#include "admin/ColumnSort.h"
#include "core/StoreRows.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

class FAudModel : public QAbstractTableModel, public StoreRows {
  Q_OBJECT

 public:
  explicit FAudModel(QObject* parent = nullptr);
  void setCaptions(const QStringList& captions) { m_captions = captions; }

  // StoreRows, as the audit log fills it: rows are added in file order; resort() puts them
  // in the order of the last header click once they are all in.
  void clear() override;
  void addRow(const StoreRow& row) override;
  size_t rowCount() const override { return m_rows.size(); }
  StoreRow row(size_t index) const override;

  // A header click: the column's text, ascending for a new column, toggling for the same one.
  void sortClick(int column);
  void resort();
  const ColumnSort& sortState() const { return m_sort; }

  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  static std::string textOf(const StoreRow& row, int column);
  std::vector<StoreRow> m_rows;
  std::vector<size_t> m_order;
  ColumnSort m_sort;
  QStringList m_captions;
};
