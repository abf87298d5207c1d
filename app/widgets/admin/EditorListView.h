// The report list of the card and company editors: a table view with uniform row heights,
// whole-row selection, the sort tooltip, column widths as fractions of the list's width, and
// a header click handed to the editor's sort (which answers whether it now sorts ascending).
#pragma once

#include "admin/EditorTableModel.h"

#include <QTableView>

#include <functional>
#include <vector>

QTableView* makeEditorListView(EditorTableModel* model, const std::vector<double>& widths,
                               int listWidth, std::function<bool(int)> onHeaderClick,
                               std::function<void(int)> onRowChosen);

// Shows `row` (0-based, -1 none) as the view's selected row without reporting it as chosen.
void selectListRow(QTableView* view, int row);
