#include "admin/FBasesModel.h"

#include "admin/EditorText.h"
#include "core/Basic.h"
#include "core/CardNumber.h"
#include "core/Globals.h"
#include "core/Reporter.h"
#include "core/StoreRows.h"

#include <algorithm>

namespace {

// The list as the card store reads it: every number as decimal text (card kind 1).
class CardRowsForStore : public StoreRows {
 public:
  CardRowsForStore(const EditorRows<CardRow>& rows, int16_t kind) : m_rows(rows), m_kind(kind) {}
  void clear() override {}
  void addRow(const StoreRow&) override {}
  size_t rowCount() const override { return m_rows.size(); }
  StoreRow row(size_t index) const override {
    const CardRow& r = m_rows.at(index);
    StoreRow out;
    double number = 0;
    if (r.loaded)
      out.text = cardNumberText(*r.loaded, 1);
    else if (cardNumberOf(r.cells[0], m_kind, number))
      out.text = cardNumberText(number, 1);
    else
      out.text = r.cells[0];  // refused by the store, which names the row
    out.subItems.assign(r.cells.begin() + 1, r.cells.end());
    return out;
  }

 private:
  const EditorRows<CardRow>& m_rows;
  int16_t m_kind;
};

}  // namespace

FBasesModel::FBasesModel(Reporter& reporter)
    : ListEditorModelOf(reporter, {kCommands, /*salirWhileEntering=*/false,
                                   /*bajaNoShowsFirst=*/true}) {}

int16_t FBasesModel::tipoNumero() const { return currentCardKind(); }

int FBasesModel::digits() const { return cardDigits(tipoNumero()); }

std::string FBasesModel::numberText(double value) const {
  std::string text = cardNumberText(value, tipoNumero());
  const size_t n = static_cast<size_t>(std::max(digits(), 0));
  if (n == 0) return text;
  if (text.size() < n) return std::string(n - text.size(), '0') + text;
  return text.substr(text.size() - n);
}

void FBasesModel::load() {
  m_store.Iniciar(*gDataFolder + "VELTA.TAR");
  m_rows.clear();
  const StoreLoad got = m_store.CargarTarjetas();
  // A file that is there but cannot be taken is no empty table: the operator learns why before
  // the window opens with what was read.
  if (got == StoreLoad::Unreadable)
    m_reporter.inform(386, msgbox::OkOnly | msgbox::Critical, {}, ": " + got.reason);
  if (got != StoreLoad::Missing) {
    m_rows.reserve(m_store.table().size());
    for (const CardRecord& r : m_store.table()) {
      if (!(r.card > 0)) continue;
      CardRow row;
      row.cells = {
          numberText(r.card),         basic::Trim(r.name),       basic::Format(r.Grupo, "000"),
          r.Resaltar == 1 ? "X" : "", r.Novedad == 1 ? "X" : "", basic::Trim(r.Legajo)};
      row.loaded = r.card;
      m_rows.add(std::move(row));
    }
  }
  loaded();
}

FBasesModel::Fields FBasesModel::fieldsOf(const CardRow& row) const {
  const std::vector<std::string>& c = row.cells;
  return Fields{c[0], c[1], c[2], c[5], c[3] == "X", c[4] == "X"};
}

bool FBasesModel::vDatos() {
  fields.lega = basic::Trim(fields.lega);
  if (basic::Trim(fields.touch).empty()) {
    refuse(356);
    return false;
  }
  if (basic::Trim(fields.descrip).empty()) {
    refuse(318);
    return false;
  }
  fields.grupo = basic::Trim(fields.grupo);
  if (!fields.grupo.empty()) {
    const std::optional<int16_t> g =
        basic::IsNumeric(fields.grupo) ? basic::ToInteger(basic::Val(fields.grupo)) : std::nullopt;
    fields.grupo = g ? basic::Format(*g, "000") : "000";
  }
  const size_t n = static_cast<size_t>(std::max(digits(), 0));
  if (fields.touch.size() < n)
    fields.touch = std::string(n - fields.touch.size(), '0') + fields.touch;
  fields.touch = basic::UCase(fields.touch);
  double number = 0;
  if (!cardNumberOf(fields.touch, tipoNumero(), number)) {
    refuse(341);
    fields.touch.clear();
    focusField();
    return false;
  }
  if (entry()) {
    const std::string wanted = basic::Trim(fields.touch);
    for (size_t i = 0; i < m_rows.size(); ++i) {
      if (basic::Trim(m_rows.cell(i, 0)) == wanted) {
        refuse(358);
        return false;
      }
    }
  }
  return true;
}

void FBasesModel::clearForEntry() {
  fields = Fields{};
  fields.grupo = "00";
}

CardRow FBasesModel::enteredRow() const {
  CardRow row;
  row.cells = {fields.touch,
               fields.descrip,
               fields.grupo,
               fields.resaltar ? "X" : "",
               fields.novedad ? "X" : "",
               basic::Trim(fields.lega)};
  return row;
}

bool FBasesModel::applyFields(CardRow& row) {
  if (fields.descrip.empty()) return false;
  std::vector<std::string>& cells = row.cells;
  cells[1] = fields.descrip;
  cells[2] = fields.grupo;
  cells[3] = fields.resaltar ? "X" : "";
  cells[4] = fields.novedad ? "X" : "";
  cells[5] = basic::Trim(fields.lega);
  return true;
}

void FBasesModel::runOwn(int command) {
  if (command == kImportar) importar();
}

void FBasesModel::importar() {
  if (m_reporter.ask(284, msgbox::YesNo | msgbox::Information) != msgbox::Yes) return;
  StoreRowVector imported;
  if (const std::string refused = m_store.ImportarNombres(imported, tipoNumero());
      !refused.empty()) {
    m_reporter.informText(refused, msgbox::OkOnly | msgbox::Critical);
    return;
  }
  std::vector<CardRow> rows;
  rows.reserve(imported.rows.size());
  for (const StoreRow& r : imported.rows)
    rows.push_back(CardRow{{r.text, r.sub(1), "", "", "", ""}, {}});
  m_rows.addAll(std::move(rows));
  rowsEdited();
}

bool FBasesModel::salir() {
  const CardRowsForStore list(m_rows, tipoNumero());
  if (m_store.GrabarTarjetas(list, 1).ok) return true;
  if (m_store.status().badRow > 0) mostrarTarjeta(m_store.status().badRow);
  m_reporter.informText(m_store.status().message, msgbox::OkOnly | msgbox::Critical);
  return false;
}
