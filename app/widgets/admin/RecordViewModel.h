// The record-file viewer's list: a table model that computes each cell from the view's
// compact rows when the list asks for it, so a million listed lines cost no widget items.
// Marked rows come back bold and red (255) through the font and foreground roles.
#pragma once

#include "admin/RecordView.h"

#include <QAbstractTableModel>
#include <QStringList>

class RecordViewModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit RecordViewModel(const RecordView& view, QObject* parent = nullptr);

  void setCaptions(const QStringList& captions);
  // Call around every change of the view's rows or order.
  void beginChange() { beginResetModel(); }
  void endChange();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const RecordView& m_view;
  QStringList m_captions;
  int m_rows = 0;  // the rows published to the list; the view may be refilling behind it
};
