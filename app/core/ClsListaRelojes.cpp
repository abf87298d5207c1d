// Clock list store.
#include "core/ClsListaRelojes.h"

#include "core/Basic.h"
#include "core/Globals.h"
#include "core/Messages.h"
#include "core/MessagesExtra.h"
#include "core/StoreEditors.h"

#include <basekit/atomicfile.h>
#include <basekit/record.h>

#include <cerrno>

using storefile::fitText;
using storefile::trimBlanks;

namespace {

struct Widths {
  size_t puerto, telefono;
};
Widths widthsFor(int16_t version) {
  if (version >= 7) return {5, 25};
  if (version >= 3) return {4, 25};
  return {4, 15};
}

}  // namespace

ClsListaRelojes::ClsListaRelojes() {
  ClockRecord zero;
  decodeRecord(std::string(kRecordLength, '\0'), kVersion, zero);
  for (ClockRecord& s : m_slots) s = zero;
}

ClockRecord ClsListaRelojes::stored(const ClockRecord& r) {
  // The codec holds the widths: the slot gets what a save and a load would give back, apart
  // from the form, which a save always writes as the current one.
  ClockRecord s;
  decodeRecord(encodeRecord(r), kVersion, s);
  s.m_Version = r.m_Version;
  return s;
}

size_t ClsListaRelojes::recordLength(int16_t version) {
  switch (version) {
    case 1:
      return 143;
    case 2:
      return 443;
    case 3:
      return 468;
    case 4:
      return 570;
    case 5:
      return 572;
    case 6:
      return 580;
    case 7:
      return 581;
    default:
      return 0;
  }
}

std::string ClsListaRelojes::encodeRecord(const ClockRecord& r) {
  basekit::RecordWriter w(kRecordLength);
  w.i16(kVersion);  // every record carries the file's form
  w.i16(r.m_Prg);
  w.text(r.M_Numero, 1);
  w.i16(r.m_Modelo);
  w.text(r.m_Puerto, 5);
  w.text(r.m_Velocidad, 5);
  w.text(r.m_Telefono, 25);
  w.i16(r.M_Borrar);
  w.text(r.M_Archivo, 100);
  w.i16(r.m_ArchivoFecha);
  w.i16(r.m_FHora);
  w.i16(r.M_Comunicacion);
  w.i16(r.m_TipoNumero);
  w.i16(r.M_Activo);
  w.text(r.m_Path, 250);
  w.text(r.m_Descrip, 50);
  w.text(r.m_IP, 15);
  w.i16(r.m_tipo);
  w.text(r.m_ArchivoHabil, 100);
  w.i16(r.m_TipoInterface);
  w.i32(r.m_PortLocal);
  w.i32(r.m_PortRemoto);
  return w.bytes();
}

bool ClsListaRelojes::decodeRecord(const std::string& bytes, int16_t version, ClockRecord& r) {
  const size_t len = recordLength(version);
  if (len == 0 || bytes.size() < len) return false;
  basekit::RecordReader rd(std::string_view(bytes).substr(0, len));
  const Widths wd = widthsFor(version);
  ClockRecord n;
  n.m_Version = rd.i16();
  n.m_Prg = rd.i16();
  n.M_Numero = rd.text(1);
  n.m_Modelo = rd.i16();
  n.m_Puerto = rd.text(wd.puerto);
  n.m_Velocidad = rd.text(5);
  n.m_Telefono = rd.text(wd.telefono);
  n.M_Borrar = rd.i16();
  n.M_Archivo = rd.text(100);
  n.m_ArchivoFecha = rd.i16();
  n.m_FHora = rd.i16();
  n.M_Comunicacion = rd.i16();
  n.m_TipoNumero = rd.i16();
  n.M_Activo = rd.i16();
  if (version >= 2) {
    n.m_Path = rd.text(250);
    n.m_Descrip = rd.text(50);
  }
  if (version >= 3) n.m_IP = rd.text(15);
  if (version >= 4) {
    n.m_tipo = rd.i16();
    n.m_ArchivoHabil = rd.text(100);
  }
  if (version >= 5) n.m_TipoInterface = rd.i16();
  if (version >= 6) {
    n.m_PortLocal = rd.i32();
    n.m_PortRemoto = rd.i32();
  }
  if (!rd.ok()) return false;
  if (version < 7) {
    // Older forms widen into form 7; what they lack gets its default.
    n.m_Version = kVersion;
    n.m_Puerto = fitText(n.m_Puerto, 5);
    n.m_Telefono = fitText(n.m_Telefono, 25);
    if (version < 2) {
      n.m_Path = std::string(250, ' ');
      n.m_Descrip = std::string(50, ' ');
    }
    if (version < 3) n.m_IP = std::string(15, ' ');
    if (version < 4) {
      n.m_tipo = 0;
      n.m_ArchivoHabil = std::string(100, ' ');
    }
    if (version < 5) n.m_TipoInterface = 0;
    if (version < 6) {
      n.m_PortLocal = 7001;
      n.m_PortRemoto = 7001;
    }
  }
  r = n;
  return true;
}

void ClsListaRelojes::Iniciar(const std::string& path) { m_path = path; }

StoreLoad ClsListaRelojes::CargarRelojes() {
  for (int i = 1; i <= kSlots; ++i) m_slots[i].m_Prg = -1;
  const StoreLoad got =
      storefile::loadStore(m_path, kMaxFileBytes, m_status, [this](const std::string& data) {
        int16_t version = 0;
        if (data.size() >= 2) version = basekit::RecordReader(data).i16();
        const size_t len = recordLength(version);
        if (len == 0 || data.size() < len)
          return storefile::unreadableForm(
              m_status, GetExtraMsg(ExtraMsg::UnknownForm, {m_path, std::to_string(version)}));
        int loaded = 0;
        for (int i = 1; i <= kSlots && static_cast<size_t>(i) * len <= data.size(); ++i) {
          ClockRecord r;
          if (!decodeRecord(data.substr((i - 1) * len, len), version, r)) break;
          if (version == kVersion) {
            r.M_Archivo = trimBlanks(r.M_Archivo);
            if (r.m_ArchivoFecha == 1 && r.M_Archivo.empty()) r.M_Archivo = "YYYYmmdd";
          }
          m_slots[i] = r;
          loaded = i;
        }
        storefile::noteUnloadedBytes(m_path, data.size(), static_cast<size_t>(loaded) * len,
                                     m_status);
        return StoreLoad(StoreLoad::Loaded);
      });
  if (got == StoreLoad::Missing) Nuevo();
  return got;
}

StoreResult ClsListaRelojes::GrabarRelojes() {
  std::string bytes;
  bytes.reserve(kSlots * kRecordLength);
  for (int i = 1; i <= kSlots; ++i) bytes += encodeRecord(m_slots[i]);
  m_status.badRow = 0;
  return storefile::saveStore(m_path, bytes, m_status);
}

int16_t ClsListaRelojes::Nuevo() {
  for (int i = 1; i <= kSlots; ++i) {
    if (m_slots[i].m_Prg >= 1) continue;
    ClockRecord r;
    r.m_Version = kVersion;
    r.m_Prg = 1;
    r.M_Numero = "1";
    r.m_Puerto = "COM1";
    r.m_Velocidad = "9600";
    r.M_Archivo = "REGIS.MIR";
    r.m_FHora = 1;
    r.m_TipoNumero = 1;
    r.m_Descrip = GetMsg(274) + " 1";
    r.m_PortLocal = 7001;
    r.m_PortRemoto = 7001;
    m_slots[i] = stored(r);
    return 1;
  }
  return 0;
}

std::string ClsListaRelojes::GetModelo(int16_t i) const {
  static const char* const kModels[] = {"Vireo",     "Corvin",   "Pexel",  "Vireo Touch",
                                        "Solvar II", "Solvar I", "QLM-400"};
  return i >= 0 && i <= 6 ? kModels[i] : "";
}

void ClsListaRelojes::Borrar(int16_t i) {
  if (i >= 1 && i <= kSlots) m_slots[i].m_Prg = -1;
}

bool ClsListaRelojes::Modificar(int16_t i) {
  if (i < 0 || i > kSlots) return false;  // 0 asks the editor for a new clock
  Operation = i;
  // The clock editor, when the windows were handed (the owner's EditorHooks).
  if (m_editors && m_editors->clockList) m_editors->clockList(*this);
  return Operation != -1;
}

bool ClsListaRelojes::Deleted(int16_t i) const {
  if (i < 1 || i > kSlots) return false;
  return m_slots[i].m_Prg < 1;
}

bool ClsListaRelojes::IsClock(int16_t n) const { return n >= 1 && n <= kSlots && !Deleted(n); }

void ClsListaRelojes::GetCurDataOrDefault(int16_t n) {
  if (IsClock(n)) {
    GetCurData(n);
    return;
  }
  ClockRecord d;
  d.M_Numero = "1";
  d.m_Puerto = "COM2";
  d.m_Velocidad = "9600";
  d.M_Archivo = "REGIS.MIR";
  d.M_Comunicacion = 1;
  d.m_TipoNumero = 1;
  d.m_Path = *gDataFolder;
  d.m_PortLocal = 7001;
  d.m_PortRemoto = 7001;
  current() = d;
}

int16_t ClsListaRelojes::GetCurData(int16_t i) {
  if (i < 1 || i > kSlots) return 0;
  ClockRecord& r = m_slots[i];
  // The trimmed texts also go back into the slot.
  for (std::string* s : {&r.M_Numero, &r.m_Puerto, &r.m_Velocidad, &r.m_Telefono, &r.M_Archivo,
                         &r.m_Path, &r.m_Descrip, &r.m_IP, &r.m_ArchivoHabil})
    *s = trimBlanks(*s);
  current() = r;
  return 1;
}

int16_t ClsListaRelojes::SetCurData(int16_t i) {
  if (i < 1 || i > kSlots) return 0;
  ClockRecord r = current();
  r.m_IP = trimBlanks(r.m_IP);
  m_slots[i] = stored(r);
  return 1;
}

int16_t ClsListaRelojes::FillList(StoreRows& list) const {
  list.clear();
  for (int i = 1; i <= kSlots; ++i) {
    const ClockRecord& r = m_slots[i];
    if (r.m_Prg < 1) continue;
    StoreRow row;
    row.text = basic::Format(r.m_Prg, "000") + " - " + fitText(r.m_Descrip, 50);
    list.addRow(row);
  }
  return 0;
}

const ClockRecord* ClsListaRelojes::slot(int i) const {
  return i >= 1 && i <= kSlots ? &m_slots[i] : nullptr;
}
