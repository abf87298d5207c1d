// The card base editor's logic, without widgets: the working list of card holders loaded
// from VELTA.TAR, the edit fields, the browse and entry states with their command sets, the
// checks of a new holder, and Salir's write through the card store. The window FBases
// mirrors `fields` and the list.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/ClsTarjetas.h"
#include "admin/EditorRows.h"

class Reporter;

struct CardRow {
  // Número, Descripción, Grupo, Resaltar, Novedad, Legajo
  std::vector<std::string> cells;
  // The number the row was loaded with. The shown text may be cut to the configured digits,
  // so a loaded holder is written back with this number, never with its text.
  std::optional<double> loaded;
};

class FBasesModel {
 public:
  enum Command { kNuevo = 0, kModificar, kBaja, kCancelar, kImportar, kSalir, kCommands };

  struct Fields {
    std::string touch, descrip, grupo, lega;
    bool resaltar = false, novedad = false;
  };

  // Its boxes go through `reporter` (the window's).
  explicit FBasesModel(Reporter& reporter);

  // The card kind of the current clock (2 touch keys, else 1) and the digits shown.
  int16_t tipoNumero() const;
  int digits() const;
  // A number as the list shows it: the kind's text with zeros in front up to the digits, or
  // its rightmost digits when longer.
  std::string numberText(double value) const;

  // Loads VELTA.TAR into the list and shows the first row.
  void load();

  // Shows row `index` (1-based, current order) in the fields and selects it; an empty list
  // empties the fields and beeps.
  void mostrarTarjeta(int index);
  bool vDatos();
  void run(Command c);  // the menu handler
  // Salir's write; true when VELTA.TAR was written (the window closes).
  bool salir();
  void sortBy(int column);

  const EditorRows<CardRow>& rows() const { return m_rows; }
  bool entry() const { return m_entry; }
  bool enabled(Command c) const { return m_enabled[static_cast<size_t>(c)]; }
  int caption0() const { return m_entry ? 112 : 110; }
  // Rises whenever rows are added, removed, edited or reordered.
  uint64_t rowsChanged() const { return m_changes; }

  Fields fields;
  std::function<void()> beep;        // the system beep of an empty list
  std::function<void()> focusTouch;  // the number box takes the focus

 private:
  void refuse(int number);
  void habilitarEdicion(bool browse);
  void nuevo();
  void modificar();
  void baja();
  void cancelar();
  void importar();

  Reporter& m_reporter;
  ClsTarjetas m_store;
  EditorRows<CardRow> m_rows;
  bool m_entry = false;
  std::array<bool, kCommands> m_enabled{};
  uint64_t m_changes = 0;
};
