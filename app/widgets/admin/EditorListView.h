// The report list of the card and company editors, and what those two editors share around
// their models. The list: a table view with uniform row heights,
// whole-row selection, the sort tooltip, column widths as fractions of the list's width, and
// a header click handed to the editor's sort (which answers whether it now sorts ascending).
#pragma once

#include <QAction>
#include <QString>
#include <QTableView>

#include <cstdint>
#include <functional>
#include <vector>

#include "widgets/admin/EditorSupport.h"
#include "admin/EditorTableModel.h"
#include "widgets/dialogs/HourglassGuard.h"
#include "core/Messages.h"

QTableView* makeEditorListView(EditorTableModel* model, const std::vector<double>& widths,
                               int listWidth, std::function<bool(int)> onHeaderClick,
                               std::function<void(int)> onRowChosen);

// Shows `row` (0-based, -1 none) as the view's selected row without reporting it as chosen.
void selectListRow(QTableView* view, int row);

// What the card and company editors share around their models (FBasesModel, FEmprModel):
// running a command, and showing the list and the commands as the model has them.
namespace listeditor {

// Runs command `index`; Salir writes under the hourglass. True when the window is to close.
template <typename Model>
bool run(Model& model, int index) {
  if (index != Model::kSalir) {
    model.run(static_cast<typename Model::Command>(index));
    return false;
  }
  const HourglassGuard hourglass;
  return model.salir();
}

// Refreshes the list when its rows changed since `shownChanges`, selects the model's row,
// and sets the commands' states and the caption of command 0; the list is disabled while a
// new entry is typed.
template <typename Model>
void show(const Model& model, EditorTableModel* table, QTableView* view, uint64_t& shownChanges,
          EditorCommands& commands) {
  if (shownChanges != model.rowsChanged()) {
    table->refresh();
    shownChanges = model.rowsChanged();
  }
  selectListRow(view, model.rows().selected());
  view->setEnabled(!model.entry());
  for (int i = 0; i < Model::kCommands; ++i)
    commands.action(i)->setEnabled(model.enabled(static_cast<typename Model::Command>(i)));
  commands.action(0)->setText(QString::fromStdString(GetMsg(model.caption0())));
}

}  // namespace listeditor
