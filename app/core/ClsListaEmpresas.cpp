// Company store.
#include "core/ClsListaEmpresas.h"

#include "core/Basic.h"
#include "core/MessagesExtra.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/record.h>

#include <cerrno>

constinit OwnedValue<ClsListaEmpresas> gCompanyTable("gCompanyTable");

std::string ClsListaEmpresas::encodeRecord(const CompanyRecord& r) {
  basekit::RecordWriter w(kRecordLength);
  w.i16(r.version);
  w.i16(r.inUse);
  w.f64(r.desde);
  w.f64(r.hasta);
  w.text(r.name, 50);
  w.text(r.archivo, 20);
  w.text(r.carpeta, 255);
  return w.bytes();
}

CompanyRecord ClsListaEmpresas::decodeRecord(const std::string& bytes, bool oldForm) {
  basekit::RecordReader rd(bytes);
  CompanyRecord r;
  r.version = rd.i16();
  r.inUse = rd.i16();
  if (oldForm) {
    r.desde = rd.i32();
    r.hasta = rd.i32();
    r.version = kVersion;
  } else {
    r.desde = rd.f64();
    r.hasta = rd.f64();
  }
  r.name = rd.text(50);
  r.archivo = rd.text(20);
  r.carpeta = rd.text(255);
  return r;
}

void ClsListaEmpresas::Iniciar(const std::string& path) {
  m_path = path;
  for (int i = 1; i <= kSlots; ++i) m_table[i].inUse = -1;
  mCount = 0;
  m_status = StoreStatus{};
}

StoreLoad ClsListaEmpresas::CargarEmpresas() {
  const StoreLoad got =
      storefile::loadStore(m_path, kMaxFileBytes, m_status, [this](const std::string& data) {
        const bool oldForm = data.size() >= 2 && basekit::RecordReader(data).i16() == kOldVersion &&
                             data.size() >= kOldRecordLength;
        const size_t len = oldForm ? kOldRecordLength : kRecordLength;
        mCount = 1;  // a file that is there, whatever it holds
        if (data.size() < len)
          return storefile::unreadableForm(m_status,
                                           GetExtraMsg(ExtraMsg::NoWholeRecord, {m_path}));
        int n = 0;
        while (n < kSlots && static_cast<size_t>(n + 1) * len <= data.size()) {
          m_table[n + 1] = decodeRecord(data.substr(static_cast<size_t>(n) * len, len), oldForm);
          ++n;
        }
        mCount = static_cast<int16_t>(1 + n);
        storefile::noteUnloadedBytes(m_path, data.size(), static_cast<size_t>(n) * len, m_status);
        return StoreLoad(StoreLoad::Loaded);
      });
  // An empty file counts (the collection's "no companies defined" is for a missing one); one
  // that could not be read leaves the count at 0.
  if (got == StoreLoad::Empty) mCount = 1;
  return got;
}

namespace {
bool fits(const std::string& utf8, size_t width) {
  std::string b = basekit::utf8ToCp1252(utf8);
  while (!b.empty() && (b.back() == ' ' || b.back() == '\0')) b.pop_back();
  return b.size() <= width;
}
}  // namespace

StoreResult ClsListaEmpresas::GrabarEmpresas() {
  m_status.badRow = 0;
  std::string bytes;
  bytes.reserve(kSlots * kRecordLength);
  for (int i = 1; i <= kSlots; ++i) {
    CompanyRecord r = m_table[i];
    // Each slot keeps the version it holds, free ones too. Only a 2 in record 1 is
    // not written: it would mark the file as the older form and garble every record
    // at the next load.
    if (i == 1 && r.version == kOldVersion) r.version = kVersion;
    // A card range is written as it stands, even one that is not a finite number: it
    // came from the file, and refusing it would block every later save. Only a text
    // that cannot be encoded in its field is refused.
    if (!fits(r.name, 50) || !fits(r.archivo, 20) || !fits(r.carpeta, 255)) {
      m_status.badRow = i;
      m_status.message = GetExtraMsg(ExtraMsg::CompanyTooLong, {std::to_string(i), m_path});
      return StoreResult::failed(StoreFailure::RowRefused);
    }
    bytes += encodeRecord(r);
  }
  return storefile::saveStore(m_path, bytes, m_status);
}

int16_t ClsListaEmpresas::Nuevo() {
  for (int i = 1; i <= kSlots; ++i) {
    CompanyRecord& r = m_table[i];
    if (r.inUse > 0) continue;
    r.version = kVersion;
    r.inUse = 1;
    r.desde = 1;
    r.hasta = 9999;
    r.name = std::string(50, ' ');
    r.archivo = storefile::fitText("REGIS" + basic::Format(i, "000") + ".MIR", 20);
    r.carpeta = std::string(255, ' ');
    return 1;
  }
  return 0;
}

void ClsListaEmpresas::Borrar(int16_t i) {
  if (i >= 0 && i <= kSlots) m_table[i].inUse = -1;
}

int16_t ClsListaEmpresas::GetEmpresa(double ptarjeta) const {
  if (ptarjeta == 0) return -1;
  for (int i = 1; i <= kSlots; ++i) {
    const CompanyRecord& r = m_table[i];
    if (r.inUse > 0 && r.desde <= ptarjeta && ptarjeta <= r.hasta) return static_cast<int16_t>(i);
  }
  return -1;
}
