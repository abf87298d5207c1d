#include "admin/ListEditorModel.h"

#include "core/Reporter.h"

#include <algorithm>

ListEditorModel::ListEditorModel(Reporter& reporter, Layout layout)
    : m_reporter(reporter),
      m_layout(layout),
      m_enabled(static_cast<size_t>(std::max(layout.commands, 0))) {
  habilitarEdicion(true);
}

void ListEditorModel::refuse(int number) {
  m_reporter.inform(number, msgbox::OkOnly | msgbox::Critical);
}

void ListEditorModel::focusField() {
  if (hooks.focusField) hooks.focusField();
}

bool ListEditorModel::enabled(int command) const {
  return command >= 0 && command < commandCount() && m_enabled[static_cast<size_t>(command)];
}

// Browsing offers every command but Cancelar; an entry offers Nuevo (now Actualizar) and
// Cancelar, and Salir where the editor lets it end an entry.
void ListEditorModel::habilitarEdicion(bool browse) {
  for (int i = 0; i < commandCount(); ++i) m_enabled[static_cast<size_t>(i)] = browse;
  if (!browse && m_layout.salirWhileEntering && commandCount() > 0)
    m_enabled[static_cast<size_t>(salirCommand())] = true;
  if (commandCount() > kCancelar) m_enabled[kCancelar] = !browse;
  if (commandCount() > kNuevo) m_enabled[kNuevo] = true;
}

void ListEditorModel::loaded() {
  rowsEdited();
  m_entry = false;
  habilitarEdicion(true);
  showRow(1);
}

void ListEditorModel::showRow(int index) {
  if (rowCount() == 0) {
    clearFields();
    selectRow(-1);
    if (hooks.beep) hooks.beep();
    return;
  }
  if (index < 1 || index > static_cast<int>(rowCount())) return;
  showFields(index - 1);
  selectRow(index - 1);
}

void ListEditorModel::sortBy(int column) {
  sortRows(column);
  rowsEdited();
}

void ListEditorModel::run(int command) {
  if (command == salirCommand()) {
    salir();
    return;
  }
  switch (command) {
    case kNuevo:
      nuevo();
      break;
    case kModificar:
      modificar();
      break;
    case kBaja:
      baja();
      break;
    case kCancelar:
      cancelar();
      break;
    default:
      if (command > kCancelar && command < salirCommand()) runOwn(command);
      break;
  }
}

void ListEditorModel::nuevo() {
  if (!m_entry) {
    if (!mayEnter()) return;
    m_entry = true;
    clearForEntry();
    habilitarEdicion(false);
    focusField();
    return;
  }
  if (!vDatos()) return;
  const int at = addEnteredRow();
  rowsEdited();
  m_entry = false;
  showRow(at + 1);
  habilitarEdicion(true);
}

void ListEditorModel::modificar() {
  const int sel = selectedRow();
  if (sel < 0) return;
  if (applyToRow(sel)) rowsEdited();
}

void ListEditorModel::baja() {
  if (rowCount() == 0) {
    m_reporter.inform(336, msgbox::OkOnly | msgbox::Exclamation);
    return;
  }
  const int sel = selectedRow();
  if (sel < 0) return;
  if (m_reporter.ask(194, msgbox::YesNo | msgbox::Question) == msgbox::Yes) {
    removeRow(sel);
    rowsEdited();
  } else if (!m_layout.bajaNoShowsFirst) {
    return;
  }
  showRow(1);
}

void ListEditorModel::cancelar() {
  if (m_entry) {
    m_entry = false;
    habilitarEdicion(true);
  }
  showRow(1);
}
