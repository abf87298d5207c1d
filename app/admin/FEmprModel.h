// The company editor's logic, without widgets: the working list of companies loaded from
// EMPR.DAT (card range, description, output file and folder), the edit boxes, the range
// checks, and Exit's write of the company table; the states and commands are
// ListEditorModel's. The window FEmpr mirrors `fields` and the list.
#pragma once

#include "admin/ListEditorModel.h"
#include "core/ClsListaEmpresas.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Reporter;

struct CompanyRow {
  // Desde, Hasta, Descripción, Archivo, Directorio
  std::vector<std::string> cells;
  // The range a row was loaded with: written back as it was, even when its text cannot
  // show it (a range of a company entered here is read from its text).
  std::optional<double> from, to;
};

struct CompanyFields {
  std::string desde, hasta, descripcion, archivo, directorio;
};

class FEmprModel : public ListEditorModelOf<CompanyRow, CompanyFields> {
 public:
  enum Command { kSalir = kCancelar + 1, kCommands };
  using Fields = CompanyFields;
  static constexpr int16_t kSavedVersion = 3;

  // Its boxes go through `reporter` (the window's).
  explicit FEmprModel(Reporter& reporter);

  int16_t tipoNumero() const;
  int digits() const;

  void load() override;
  void mostrarDatos(int index) { showRow(index); }
  bool vDatos() override;
  // Exit's write of the table; true when EMPR.DAT was written (the window closes).
  bool salir() override;

 private:
  bool mayEnter() override;
  void clearForEntry() override;
  Fields fieldsOf(const CompanyRow& row) const override;
  CompanyRow enteredRow() const override;
  bool applyFields(CompanyRow& row) override;

  ClsListaEmpresas m_store;
};
