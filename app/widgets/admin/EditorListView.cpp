#include "widgets/admin/EditorListView.h"

#include "admin/EditorTableModel.h"
#include "core/Messages.h"

#include <QHeaderView>
#include <QItemSelectionModel>

QTableView* makeEditorListView(EditorTableModel* model, const std::vector<double>& widths,
                               int listWidth, std::function<bool(int)> onHeaderClick,
                               std::function<void(int)> onRowChosen) {
  auto* view = new QTableView;
  view->setObjectName(QStringLiteral("ListBase"));
  view->setModel(model);
  view->setToolTip(QString::fromStdString(GetMsg(225)));
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->verticalHeader()->hide();
  // Fixed row heights: the view never measures 100,000 rows.
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  view->horizontalHeader()->setSectionsClickable(true);
  view->horizontalHeader()->setSortIndicatorShown(false);
  view->horizontalHeader()->setHighlightSections(false);
  for (size_t c = 0; c < widths.size(); ++c)
    view->setColumnWidth(static_cast<int>(c), static_cast<int>(listWidth * widths[c]));
  view->setMinimumWidth(listWidth);
  QObject::connect(view->horizontalHeader(), &QHeaderView::sectionClicked, view,
                   [view, onHeaderClick = std::move(onHeaderClick)](int column) {
                     const bool ascending = onHeaderClick(column);
                     view->horizontalHeader()->setSortIndicatorShown(true);
                     view->horizontalHeader()->setSortIndicator(
                         column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
                   });
  QObject::connect(view, &QTableView::clicked, view,
                   [onRowChosen = std::move(onRowChosen)](const QModelIndex& index) {
                     if (index.isValid()) onRowChosen(index.row());
                   });
  return view;
}

void selectListRow(QTableView* view, int row) {
  QItemSelectionModel* selection = view->selectionModel();
  if (row < 0 || row >= view->model()->rowCount()) {
    selection->clearSelection();
    return;
  }
  const QModelIndex index = view->model()->index(row, 0);
  selection->setCurrentIndex(index,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view->scrollTo(index);
}
