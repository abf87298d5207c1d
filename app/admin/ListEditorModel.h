// The logic the card and company editors share, without widgets: a working list of rows
// loaded from a store, the browse and entry states with the command set of each, Nuevo's two
// steps (open the entry, then store the checked row), Modificar, Baja, Cancelar, the header
// sort and the counter that tells the window when to redraw the list. What differs from one
// editor to the other (its fields, its checks, its store, commands of its own) are the
// virtual steps below; ListEditorModelOf binds them to an editor's row and field types.
#pragma once

#include "admin/EditorRows.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Reporter;

class ListEditorModel {
 public:
  // The commands every list editor starts with, by menu index. An editor's own commands
  // follow Cancelar, and its last command is Salir (which writes and closes).
  enum SharedCommand { kNuevo = 0, kModificar, kBaja, kCancelar };

  // What the window does for the model.
  struct Hooks {
    std::function<void()> beep;        // the system beep of an empty list
    std::function<void()> focusField;  // the box a new entry starts in takes the focus
  };

  // How an editor's command set differs from the other's.
  struct Layout {
    int commands;             // how many; the last is Salir
    bool salirWhileEntering;  // Salir stays offered while a new row is typed
    bool bajaNoShowsFirst;    // Baja shows row 1 again also when the operator answers No
  };

  virtual ~ListEditorModel() = default;

  // Reads the store into the list and shows the first row.
  virtual void load() = 0;
  // The menu handler: command `command` by its index (Salir: see salir).
  void run(int command);
  // Salir's write; true when the store was written (the window closes).
  virtual bool salir() = 0;
  // Shows row `index` (1-based, current order) in the fields and selects it; an empty list
  // empties the fields and beeps.
  void showRow(int index);
  void sortBy(int column);

  bool entry() const { return m_entry; }
  bool enabled(int command) const;
  int commandCount() const { return m_layout.commands; }
  int salirCommand() const { return m_layout.commands - 1; }
  // Command 0's caption: "&Nuevo" while browsing, "A&ctualizar" while a new row is typed.
  int caption0() const { return m_entry ? 112 : 110; }
  // Rises whenever rows are added, removed, edited or reordered.
  uint64_t rowsChanged() const { return m_changes; }

  // The list as the window shows it.
  virtual size_t rowCount() const = 0;
  virtual const std::string& cellText(size_t row, size_t column) const = 0;
  virtual int selectedRow() const = 0;  // 0-based; -1 for none
  virtual bool sortAscending() const = 0;

  Hooks hooks;

 protected:
  // Its boxes go through `reporter` (the window's).
  ListEditorModel(Reporter& reporter, Layout layout);

  // A check's refusal: message `number` with the critical icon.
  void refuse(int number);
  void focusField();
  // The end of every load: the list is new, the editor browses, row 1 is shown.
  void loaded();
  void rowsEdited() { ++m_changes; }

  // The editor's own steps.
  virtual bool vDatos() = 0;                // checks and normalises a new row's fields
  virtual bool mayEnter() { return true; }  // Nuevo may open an entry (false: it said why)
  virtual void clearForEntry() = 0;         // the fields a new entry starts with
  virtual void runOwn(int) {}               // a command of the editor's own

  // The row steps, which ListEditorModelOf provides.
  virtual void selectRow(int row) = 0;
  virtual void removeRow(int row) = 0;
  virtual void sortRows(int column) = 0;
  virtual void clearFields() = 0;
  virtual void showFields(int row) = 0;
  // Appends the checked fields as a new row; gives back its index in the current order.
  virtual int addEnteredRow() = 0;
  // Modificar's change of row `row`; false when nothing was applied.
  virtual bool applyToRow(int row) = 0;

  Reporter& m_reporter;

 private:
  void habilitarEdicion(bool browse);
  void nuevo();
  void modificar();
  void baja();
  void cancelar();

  Layout m_layout;
  bool m_entry = false;
  std::vector<bool> m_enabled;
  uint64_t m_changes = 0;
};

// An editor's list of `Row`s (each with `std::vector<std::string> cells`) and its `Fields`.
template <typename Row, typename Fields>
class ListEditorModelOf : public ListEditorModel {
 public:
  const EditorRows<Row>& rows() const { return m_rows; }

  size_t rowCount() const override { return m_rows.size(); }
  const std::string& cellText(size_t row, size_t column) const override {
    return m_rows.cell(row, column);
  }
  int selectedRow() const override { return m_rows.selected(); }
  bool sortAscending() const override { return m_rows.sort().ascending(); }

  Fields fields;

 protected:
  using ListEditorModel::ListEditorModel;

  // The editor's own row steps: a row in the fields, the fields as a new row, Modificar.
  virtual Fields fieldsOf(const Row& row) const = 0;
  virtual Row enteredRow() const = 0;
  virtual bool applyFields(Row& row) = 0;

  void selectRow(int row) override { m_rows.select(row); }
  void removeRow(int row) override { m_rows.remove(row); }
  void sortRows(int column) override { m_rows.sortBy(column); }
  void clearFields() override { fields = Fields{}; }
  void showFields(int row) override { fields = fieldsOf(m_rows.at(static_cast<size_t>(row))); }
  int addEnteredRow() override { return m_rows.add(enteredRow()); }
  bool applyToRow(int row) override { return applyFields(m_rows.at(static_cast<size_t>(row))); }

  EditorRows<Row> m_rows;
};
