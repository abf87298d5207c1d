// The company editor's logic, without widgets: the working list of companies loaded from
// EMPR.DAT (card range, description, output file and folder), the edit boxes, the browse and
// new-entry states with their command sets, the range checks, and Exit's write of the
// company table. The window FEmpr mirrors `fields` and the list.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/ClsListaEmpresas.h"
#include "admin/EditorRows.h"

class Reporter;

struct CompanyRow {
  // Desde, Hasta, Descripción, Archivo, Directorio
  std::vector<std::string> cells;
  // The range a row was loaded with: written back as it was, even when its text cannot
  // show it (a range of a company entered here is read from its text).
  std::optional<double> from, to;
};

class FEmprModel {
 public:
  enum Command { kNuevo = 0, kModificar, kBaja, kCancelar, kSalir, kCommands };
  static constexpr int16_t kSavedVersion = 3;

  struct Fields {
    std::string desde, hasta, descripcion, archivo, directorio;
  };

  // Its boxes go through `reporter` (the window's).
  explicit FEmprModel(Reporter& reporter);

  int16_t tipoNumero() const;
  int digits() const;

  // Loads EMPR.DAT into the list and shows the first row.
  void load();
  // Shows row `index` (1-based, current order) in the boxes and selects it; an empty list
  // empties the boxes and beeps.
  void mostrarDatos(int index);
  bool vDatos();
  void run(Command c);  // the menu handler (Exit: see salir)
  // Exit's write of the table; true when EMPR.DAT was written (the window closes).
  bool salir();
  void sortBy(int column);

  const EditorRows<CompanyRow>& rows() const { return m_rows; }
  bool entry() const { return m_entry; }
  bool enabled(Command c) const { return m_enabled[static_cast<size_t>(c)]; }
  int caption0() const { return m_entry ? 112 : 110; }
  uint64_t rowsChanged() const { return m_changes; }

  Fields fields;
  std::function<void()> beep;
  std::function<void()> focusDesde;

 private:
  void refuse(int number);
  void setEntry(bool entry);
  void nuevo();
  void modificar();
  void baja();
  void cancelar();

  Reporter& m_reporter;
  ClsListaEmpresas m_store;
  EditorRows<CompanyRow> m_rows;
  bool m_entry = false;
  std::array<bool, kCommands> m_enabled{};
  uint64_t m_changes = 0;
};
