// The Qt face of an editor's working list: a read-only table model over the editor's own
// rows (the editor owns the data; the model only asks for counts and cells), with the
// headers and tooltip of the list and a sort indicator that follows the editor's sort.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <string>

class EditorTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  EditorTableModel(QStringList headers, std::function<int()> rows,
                   std::function<const std::string&(int, int)> cell, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

  // The editor's rows changed (added, removed, edited or reordered).
  void refresh();

 private:
  QStringList m_headers;
  std::function<int()> m_rows;
  std::function<const std::string&(int, int)> m_cell;
};
