#include "admin/FBasesModel.h"

#include "core/Basic.h"
#include "core/CardNumber.h"
#include "admin/EditorText.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/Reporter.h"
#include "core/StoreRows.h"

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

FBasesModel::FBasesModel(Reporter& reporter) : m_reporter(reporter) { habilitarEdicion(true); }

void FBasesModel::refuse(int number) {
  m_reporter.inform(number, msgbox::OkOnly | msgbox::Critical);
}

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
  if (m_store.CargarTarjetas() != 0) {
    m_rows.reserve(gCardTable->size());
    for (const CardRecord& r : *gCardTable) {
      if (!(r.card > 0)) continue;
      CardRow row;
      row.cells = {
          numberText(r.card),         basic::Trim(r.name),       basic::Format(r.Grupo, "000"),
          r.Resaltar == 1 ? "X" : "", r.Novedad == 1 ? "X" : "", basic::Trim(r.Legajo)};
      row.loaded = r.card;
      m_rows.add(std::move(row));
    }
  }
  ++m_changes;
  m_entry = false;
  mostrarTarjeta(1);
}

void FBasesModel::mostrarTarjeta(int index) {
  if (m_rows.empty()) {
    fields = Fields{};
    m_rows.select(-1);
    if (beep) beep();
    return;
  }
  if (index < 1 || index > static_cast<int>(m_rows.size())) return;
  const CardRow& r = m_rows.at(static_cast<size_t>(index - 1));
  fields.touch = r.cells[0];
  fields.descrip = r.cells[1];
  fields.grupo = r.cells[2];
  fields.resaltar = r.cells[3] == "X";
  fields.novedad = r.cells[4] == "X";
  fields.lega = r.cells[5];
  m_rows.select(index - 1);
}

void FBasesModel::habilitarEdicion(bool browse) {
  m_enabled[kModificar] = m_enabled[kBaja] = m_enabled[kImportar] = m_enabled[kSalir] = browse;
  m_enabled[kCancelar] = !browse;
  m_enabled[kNuevo] = true;
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
    if (focusTouch) focusTouch();
    return false;
  }
  if (m_entry) {
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

void FBasesModel::run(Command c) {
  switch (c) {
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
    case kImportar:
      importar();
      break;
    case kSalir:
      salir();
      break;
    default:
      break;
  }
}

void FBasesModel::nuevo() {
  if (!m_entry) {
    m_entry = true;
    fields = Fields{};
    fields.grupo = "00";
    habilitarEdicion(false);
    if (focusTouch) focusTouch();
    return;
  }
  if (!vDatos()) return;
  CardRow row;
  row.cells = {fields.touch,
               fields.descrip,
               fields.grupo,
               fields.resaltar ? "X" : "",
               fields.novedad ? "X" : "",
               basic::Trim(fields.lega)};
  const int at = m_rows.add(std::move(row));
  ++m_changes;
  m_entry = false;
  mostrarTarjeta(at + 1);
  habilitarEdicion(true);
}

void FBasesModel::modificar() {
  const int sel = m_rows.selected();
  if (sel < 0 || fields.descrip.empty()) return;
  std::vector<std::string>& cells = m_rows.at(static_cast<size_t>(sel)).cells;
  cells[1] = fields.descrip;
  cells[2] = fields.grupo;
  cells[3] = fields.resaltar ? "X" : "";
  cells[4] = fields.novedad ? "X" : "";
  cells[5] = basic::Trim(fields.lega);
  ++m_changes;
}

void FBasesModel::baja() {
  if (m_rows.empty()) {
    m_reporter.inform(336, msgbox::OkOnly | msgbox::Exclamation);
    return;
  }
  const int sel = m_rows.selected();
  if (sel < 0) return;
  if (m_reporter.ask(194, msgbox::YesNo | msgbox::Question) == msgbox::Yes) {
    m_rows.remove(sel);
    ++m_changes;
  }
  mostrarTarjeta(1);
}

void FBasesModel::cancelar() {
  if (m_entry) {
    m_entry = false;
    habilitarEdicion(true);
  }
  mostrarTarjeta(1);
}

void FBasesModel::importar() {
  if (m_reporter.ask(284, msgbox::YesNo | msgbox::Information) != msgbox::Yes) return;
  StoreRowVector imported;
  m_store.ImportarNombres(imported, tipoNumero());
  std::vector<CardRow> rows;
  rows.reserve(imported.rows.size());
  for (const StoreRow& r : imported.rows)
    rows.push_back(CardRow{{r.text, r.sub(1), "", "", "", ""}, {}});
  m_rows.addAll(std::move(rows));
  ++m_changes;
}

bool FBasesModel::salir() {
  const CardRowsForStore list(m_rows, tipoNumero());
  if (m_store.GrabarTarjetas(list, 1) != 0) return true;
  if (m_store.status().badRow > 0) mostrarTarjeta(m_store.status().badRow);
  m_reporter.informText(m_store.status().message, msgbox::OkOnly | msgbox::Critical);
  return false;
}

void FBasesModel::sortBy(int column) {
  m_rows.sortBy(column);
  ++m_changes;
}
