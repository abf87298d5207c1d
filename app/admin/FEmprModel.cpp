#include "admin/FEmprModel.h"

#include "admin/EditorText.h"
#include "core/Basic.h"
#include "core/CardNumber.h"
#include "core/Globals.h"
#include "core/Reporter.h"
#include "core/StoreRows.h"

#include <algorithm>

FEmprModel::FEmprModel(Reporter& reporter)
    : ListEditorModelOf(reporter, {kCommands, /*salirWhileEntering=*/true,
                                   /*bajaNoShowsFirst=*/false}) {}

int16_t FEmprModel::tipoNumero() const { return currentCardKind(); }

int FEmprModel::digits() const { return cardDigits(tipoNumero()); }

void FEmprModel::load() {
  m_store.Iniciar(*gDataFolder + "EMPR.DAT");
  const StoreLoad got = m_store.CargarEmpresas();
  // A file that is there but cannot be taken is no empty table: the operator learns why before
  // the window opens with what was read (Salir keeps such a file aside before it replaces it).
  if (got == StoreLoad::Unreadable)
    m_reporter.inform(386, msgbox::OkOnly | msgbox::Critical, {}, ": " + got.reason);
  m_rows.clear();
  const int16_t kind = tipoNumero();
  for (int i = 1; i <= ClsListaEmpresas::kSlots; ++i) {
    const CompanyRecord& r = m_store.table()[i];
    if (r.inUse <= 0) continue;
    CompanyRow row;
    row.cells = {cardNumberText(r.desde, kind), cardNumberText(r.hasta, kind), basic::Trim(r.name),
                 basic::Trim(r.archivo), basic::Trim(r.carpeta)};
    row.from = r.desde;
    row.to = r.hasta;
    m_rows.add(std::move(row));
  }
  loaded();
}

FEmprModel::Fields FEmprModel::fieldsOf(const CompanyRow& row) const {
  const std::vector<std::string>& c = row.cells;
  return Fields{c[0], c[1], c[2], c[3], c[4]};
}

bool FEmprModel::vDatos() {
  fields.desde = basic::Trim(fields.desde);
  fields.hasta = basic::Trim(fields.hasta);
  fields.directorio = folderWithSeparator(fields.directorio);
  if (fields.desde.empty() || fields.hasta.empty()) {
    refuse(356);
    return false;
  }
  if (basic::Trim(fields.descripcion).empty()) {
    refuse(318);
    return false;
  }
  const int16_t kind = tipoNumero();
  double d = 0, h = 0;
  if (!cardNumberOf(fields.desde, kind, d) || !cardNumberOf(fields.hasta, kind, h)) {
    refuse(341);
    return false;
  }
  if (!entry()) return true;
  for (size_t i = 0; i < m_rows.size(); ++i) {
    const CompanyRow& r = m_rows.at(i);
    double rd = 0, rh = 0;
    if (r.from && r.to) {
      rd = *r.from;
      rh = *r.to;
    } else if (!cardNumberOf(r.cells[0], kind, rd) || !cardNumberOf(r.cells[1], kind, rh)) {
      continue;
    }
    const bool overlap = (d >= rd && d <= rh) || (h >= rd && h <= rh) || (d <= rd && h >= rh);
    if (overlap) {
      refuse(355);
      return false;
    }
  }
  return true;
}

// The table has 100 slots; a 101st company could never be written.
bool FEmprModel::mayEnter() {
  if (m_rows.size() < static_cast<size_t>(ClsListaEmpresas::kSlots)) return true;
  refuse(338);
  return false;
}

// The file and folder boxes keep what they show.
void FEmprModel::clearForEntry() {
  fields.desde.clear();
  fields.hasta.clear();
  fields.descripcion.clear();
}

CompanyRow FEmprModel::enteredRow() const {
  CompanyRow row;
  row.cells = {fields.desde, fields.hasta, fields.descripcion, fields.archivo, fields.directorio};
  return row;
}

bool FEmprModel::applyFields(CompanyRow& row) {
  std::vector<std::string>& c = row.cells;
  c[2] = basic::Trim(fields.descripcion);
  c[3] = basic::Trim(fields.archivo);
  c[4] = folderWithSeparator(fields.directorio);
  return true;
}

bool FEmprModel::salir() {
  const int16_t kind = tipoNumero();
  const size_t count = std::min(m_rows.size(), static_cast<size_t>(ClsListaEmpresas::kSlots));
  // Every range must read before the table is touched.
  auto read = [kind](const std::optional<double>& loaded, const std::string& text, double& out) {
    if (loaded) {
      out = *loaded;
      return true;
    }
    return cardNumberOf(text, kind, out);
  };
  std::vector<std::pair<double, double>> ranges(count);
  for (size_t k = 0; k < count; ++k) {
    const CompanyRow& r = m_rows.at(k);
    if (!read(r.from, r.cells[0], ranges[k].first) || !read(r.to, r.cells[1], ranges[k].second)) {
      mostrarDatos(static_cast<int>(k + 1));
      refuse(341);
      return false;
    }
  }
  for (int i = 1; i <= ClsListaEmpresas::kSlots; ++i) {
    CompanyRecord& slot = m_store.table()[i];
    slot.inUse = -1;
    // A free slot keeps its version, but not the older form's mark: the loader reads the
    // whole file by the first record's version, and this writes the current form.
    if (slot.version == ClsListaEmpresas::kOldVersion) slot.version = kSavedVersion;
    const size_t k = static_cast<size_t>(i - 1);
    if (k >= count) continue;
    const std::vector<std::string>& c = m_rows.at(k).cells;
    slot.version = kSavedVersion;
    slot.desde = ranges[k].first;
    slot.hasta = ranges[k].second;
    slot.name = storefile::fitText(c[2], 50);
    slot.archivo = storefile::fitText(c[3], 20);
    slot.carpeta = storefile::fitText(c[4], 255);
    slot.inUse = 1;
  }
  if (m_store.GrabarEmpresas().ok) return true;
  m_reporter.inform(320, msgbox::OkOnly | msgbox::Critical, {}, "\n" + m_store.status().message);
  return false;
}
