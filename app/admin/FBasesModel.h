// The card base editor's logic, without widgets: the working list of card holders loaded
// from VELTA.TAR, the edit fields, the checks of a new holder, the import of names, and
// Salir's write through the card store; the states and commands are ListEditorModel's. The
// window FBases mirrors `fields` and the list.
#pragma once

#include "admin/ListEditorModel.h"
#include "core/ClsTarjetas.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Reporter;

struct CardRow {
  // Número, Descripción, Grupo, Resaltar, Novedad, Legajo
  std::vector<std::string> cells;
  // The number the row was loaded with. The shown text may be cut to the configured digits,
  // so a loaded holder is written back with this number, never with its text.
  std::optional<double> loaded;
};

struct CardFields {
  std::string touch, descrip, grupo, lega;
  bool resaltar = false, novedad = false;
};

class FBasesModel : public ListEditorModelOf<CardRow, CardFields> {
 public:
  enum Command { kImportar = kCancelar + 1, kSalir, kCommands };
  using Fields = CardFields;

  // Its boxes go through `reporter` (the window's).
  explicit FBasesModel(Reporter& reporter);

  // The card kind of the current clock (2 touch keys, else 1) and the digits shown.
  int16_t tipoNumero() const;
  int digits() const;
  // A number as the list shows it: the kind's text with zeros in front up to the digits, or
  // its rightmost digits when longer.
  std::string numberText(double value) const;

  void load() override;
  void mostrarTarjeta(int index) { showRow(index); }
  bool vDatos() override;
  bool salir() override;

 private:
  void clearForEntry() override;
  void runOwn(int command) override;
  Fields fieldsOf(const CardRow& row) const override;
  CardRow enteredRow() const override;
  bool applyFields(CardRow& row) override;
  void importar();

  ClsTarjetas m_store;
};
