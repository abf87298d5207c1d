// Card store.
#include "core/ClsTarjetas.h"

#include "core/Basic.h"
#include "core/CardNumber.h"
#include "core/Globals.h"
#include "core/MessagesExtra.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/record.h>

#include <cerrno>
#include <cmath>
#include <string_view>

using storefile::fitText;
using storefile::trimBlanks;

constinit OwnedValue<ClsTarjetas> gCardTable("gCardTable");

std::string ClsTarjetas::encodeRecord(const CardRecord& r) {
  basekit::RecordWriter w(kRecordLength);
  w.i16(kVersion);
  w.f64(r.card);
  w.text(r.name, 40);
  w.i16(r.Grupo);
  w.i16(r.Resaltar);
  w.i16(r.Novedad);
  w.text(r.Legajo, 20);
  w.text(r.reserved1, 10);
  w.text(r.reserved2, 10);
  for (int16_t v : r.reserved) w.i16(v);
  return w.bytes();
}

CardRecord ClsTarjetas::decodeRecord(const std::string& bytes, int16_t version) {
  basekit::RecordReader rd(bytes);
  CardRecord r;
  r.version = rd.i16();
  r.card = version == 1 ? static_cast<double>(rd.i32()) : rd.f64();
  r.name = rd.text(40);
  r.Grupo = rd.i16();
  r.Resaltar = rd.i16();
  r.Novedad = rd.i16();
  r.Legajo = rd.text(20);
  r.reserved1 = rd.text(10);
  r.reserved2 = rd.text(10);
  for (int16_t& v : r.reserved) v = rd.i16();
  return r;
}

std::string ClsTarjetas::Legajo() const { return hasCurrent() ? trimBlanks(m_card.Legajo) : ""; }

std::string ClsTarjetas::Description(int16_t pModoVirtual) const {
  if (pModoVirtual == 1 || !hasCurrent()) return "";
  return trimBlanks(m_card.name);
}

int16_t ClsTarjetas::Novedad() const { return hasCurrent() ? m_card.Novedad : 0; }
int16_t ClsTarjetas::Resaltar() const { return hasCurrent() ? m_card.Resaltar : 0; }
int16_t ClsTarjetas::Grupo() const { return hasCurrent() ? m_card.Grupo : 0; }

void ClsTarjetas::Iniciar(const std::string& path) {
  m_path = path;
  m_current = 0;
  m_card = CardRecord{};
}

StoreLoad ClsTarjetas::CargarTarjetas() {
  m_table.assign(1, CardRecord{});
  return storefile::loadStore(m_path, kMaxFileBytes, m_status, [this](const std::string& data) {
    const int16_t version = data.size() >= 2 ? basekit::RecordReader(data).i16() : 0;
    // Each form is counted by its own record length, so no card of a form-1 file is lost.
    const size_t len = version == 1 ? kOldRecordLength : kRecordLength;
    const size_t count = data.size() / len;
    if (count > 0) m_table.assign(count, CardRecord{});
    if (version != 1 && version != kVersion)
      return storefile::unreadableForm(
          m_status, GetExtraMsg(ExtraMsg::UnknownForm, {m_path, std::to_string(version)}));
    if (count == 0)
      return storefile::unreadableForm(m_status, GetExtraMsg(ExtraMsg::NoWholeRecord, {m_path}));
    for (size_t n = 0; n < count; ++n)
      m_table[n] = decodeRecord(data.substr(n * len, len), version);
    storefile::noteUnloadedBytes(m_path, data.size(), count * len, m_status);
    if (version == 1)
      for (CardRecord& r : m_table) r.version = kVersion;
    return StoreLoad(StoreLoad::Loaded);
  });
}

StoreResult ClsTarjetas::GrabarTarjetas(const StoreRows& list, int16_t tipoNumero) {
  m_status.badRow = 0;
  std::string bytes;
  const size_t rows = list.rowCount();
  bytes.reserve(rows * kRecordLength);
  for (size_t k = 0; k < rows; ++k) {
    const StoreRow row = list.row(k);
    CardRecord r;
    const std::optional<int16_t> group = basic::ToInteger(basic::Val(row.sub(2)));
    if (!cardNumberOf(row.text, tipoNumero, r.card) || !group) {
      m_status.badRow = static_cast<int>(k + 1);
      m_status.message =
          GetExtraMsg(ExtraMsg::CardRowInvalid, {std::to_string(k + 1), row.text, m_path});
      return StoreResult::failed(StoreFailure::RowRefused);
    }
    r.name = row.sub(1);
    r.Grupo = *group;
    r.Resaltar = row.sub(3) == "X" ? 1 : 0;
    r.Novedad = row.sub(4) == "X" ? 1 : 0;
    r.Legajo = row.sub(5);
    bytes += encodeRecord(r);
  }
  return storefile::saveStore(m_path, bytes, m_status);
}

namespace {

// The name file as the clock software writes it: a sequence of items, each ending at a comma
// or at the end of a line. An item in double quotes may hold commas and comes without its
// quotes; blanks before the opening quote and anything between the closing quote and the
// next comma belong to no item. A quote left open ends with its line, so one stray quote
// cannot swallow the holders on the lines after it.
std::vector<std::string_view> importItems(std::string_view text) {
  std::vector<std::string_view> items;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t at = 0;
    for (;;) {
      size_t first = at;
      while (first < line.size() && (line[first] == ' ' || line[first] == '\t')) ++first;
      size_t next;  // the comma that ends the item, or npos
      if (first < line.size() && line[first] == '"') {
        const size_t close = line.find('"', first + 1);
        if (close == std::string_view::npos) {
          items.push_back(line.substr(first + 1));
          next = std::string_view::npos;
        } else {
          items.push_back(line.substr(first + 1, close - first - 1));
          next = line.find(',', close + 1);
        }
      } else {
        next = line.find(',', at);
        items.push_back(line.substr(at, next == std::string_view::npos ? next : next - at));
      }
      if (next == std::string_view::npos) break;
      at = next + 1;
    }
  }
  return items;
}

}  // namespace

std::string ClsTarjetas::ImportarNombres(StoreRows& list, int16_t tipoNumero) {
  const std::string path = *gDataFolder + (tipoNumero == 2 ? "DBTOU.DAT" : "DBTAR.DAT");
  std::string data;
  // Nothing under the name: nothing to import. Anything else that cannot be read (a FIFO, a
  // folder, a link, an unreadable or far too large file) is said, never passed over.
  basekit::FileError error;
  if (!basekit::readWholeFile(path, data, &error, kMaxImportBytes)) {
    if (error.missing()) return {};
    return GetExtraMsg(ExtraMsg::ReadFailed, {path, fileReason(error)});
  }
  const auto utf8 = [](std::string_view s) { return basekit::cp1252ToUtf8(std::string(s)); };
  for (std::string_view item : importItems(data)) {
    // Cut in the file's own characters (one byte each), then convert the pieces: in UTF-8 a
    // letter such as "Ñ" beside the dash takes two bytes and the cut would split it.
    const size_t dash = item.find('-');
    if (dash == std::string_view::npos) continue;
    StoreRow row;
    // "card - name": the character before the dash and the one after it are the blanks.
    row.text = trimBlanks(utf8(item.substr(0, dash == 0 ? 0 : dash - 1)));
    row.subItems.push_back(dash + 2 <= item.size() ? utf8(item.substr(dash + 2)) : std::string());
    list.addRow(row);
  }
  return {};
}

int16_t ClsTarjetas::FindRecord(double pTjta) {
  for (size_t n = 0; n < m_table.size(); ++n) {
    if (m_table[n].card == pTjta) {
      m_current = static_cast<int>(n);
      m_card = m_table[n];
      return static_cast<int16_t>(n < 32767 ? n : 32767);
    }
  }
  m_current = -1;
  m_card = CardRecord{};
  return -1;
}
