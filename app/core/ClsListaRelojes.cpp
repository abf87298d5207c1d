// Clock list store.
#include "core/ClsListaRelojes.h"

#include "core/Globals.h"

#include "core/Basic.h"
#include "core/MessagesExtra.h"
#include "core/Messages.h"
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

std::string zeros(size_t n) { return std::string(n, '\0'); }

}  // namespace

ClockRecord::ClockRecord()
    : M_Numero(zeros(1)),
      m_Puerto(zeros(5)),
      m_Velocidad(zeros(5)),
      m_Telefono(zeros(25)),
      M_Archivo(zeros(100)),
      m_Path(zeros(250)),
      m_Descrip(zeros(50)),
      m_IP(zeros(15)),
      m_ArchivoHabil(zeros(100)) {}

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
  m_status = StoreStatus{};
  for (int i = 1; i <= kSlots; ++i) m_slots[i].m_Prg = -1;
  std::string data;
  switch (storefile::loadStore(m_path, data, kMaxFileBytes, m_status)) {
    case storefile::StoreRead::Missing:
      Nuevo();
      return StoreLoad::Missing;
    case storefile::StoreRead::Failed:
      return StoreLoad::Empty;
    case storefile::StoreRead::Read:
      break;
  }
  if (data.empty()) return StoreLoad::Empty;
  int16_t version = 0;
  if (data.size() >= 2) version = basekit::RecordReader(data).i16();
  const size_t len = recordLength(version);
  if (len == 0 || data.size() < len) {
    m_status.unreadable = true;
    m_status.message = GetExtraMsg(ExtraMsg::UnknownForm, {m_path, std::to_string(version)});
    return StoreLoad::Empty;
  }
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
  storefile::noteUnloadedBytes(m_path, data.size(), static_cast<size_t>(loaded) * len, m_status);
  return StoreLoad::Loaded;
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
    ClockRecord& r = m_slots[i];
    r.m_Version = kVersion;
    r.m_Prg = 1;
    r.M_Numero = "1";
    r.m_Modelo = 0;
    r.m_Puerto = fitText("COM1", 5);
    r.m_Velocidad = fitText("9600", 5);
    r.m_Telefono = fitText("", 25);
    r.M_Borrar = 0;
    r.M_Archivo = fitText("REGIS.MIR", 100);
    r.m_ArchivoFecha = 0;
    r.m_FHora = 1;
    r.M_Comunicacion = 0;
    r.m_TipoNumero = 1;
    r.M_Activo = 0;
    r.m_Path = fitText("", 250);
    r.m_Descrip = fitText(GetMsg(274) + " 1", 50);
    r.m_IP = fitText("", 15);
    r.m_tipo = 0;
    r.m_ArchivoHabil = fitText("", 100);
    r.m_TipoInterface = 0;
    r.m_PortLocal = 7001;
    r.m_PortRemoto = 7001;
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
  m_Version = 0;
  m_Prg = 0;
  M_Numero = "1";
  m_Modelo = 0;
  m_Puerto = "COM2";
  m_Velocidad = "9600";
  m_Telefono.clear();
  M_Borrar = 0;
  M_Archivo = "REGIS.MIR";
  m_ArchivoFecha = 0;
  m_FHora = 0;
  M_Comunicacion = 1;
  m_TipoNumero = 1;
  M_Activo = 0;
  m_Path = *gDataFolder;
  m_Descrip.clear();
  m_IP.clear();
  m_ArchivoHabil.clear();
  m_tipo = 0;
  m_TipoInterface = 0;
  m_PortLocal = 7001;
  m_PortRemoto = 7001;
}

int16_t ClsListaRelojes::GetCurData(int16_t i) {
  if (i < 1 || i > kSlots) return 0;
  ClockRecord& r = m_slots[i];
  // The trimmed texts also go back into the slot.
  for (std::string* s : {&r.M_Numero, &r.m_Puerto, &r.m_Velocidad, &r.m_Telefono, &r.M_Archivo,
                         &r.m_Path, &r.m_Descrip, &r.m_IP, &r.m_ArchivoHabil})
    *s = trimBlanks(*s);
  m_Version = r.m_Version;
  m_Prg = r.m_Prg;
  M_Numero = r.M_Numero;
  m_Modelo = r.m_Modelo;
  m_Puerto = r.m_Puerto;
  m_Velocidad = r.m_Velocidad;
  m_Telefono = r.m_Telefono;
  M_Borrar = r.M_Borrar;
  M_Archivo = r.M_Archivo;
  m_ArchivoFecha = r.m_ArchivoFecha;
  m_FHora = r.m_FHora;
  M_Comunicacion = r.M_Comunicacion;
  m_TipoNumero = r.m_TipoNumero;
  M_Activo = r.M_Activo;
  m_Path = r.m_Path;
  m_Descrip = r.m_Descrip;
  m_IP = r.m_IP;
  m_ArchivoHabil = r.m_ArchivoHabil;
  m_tipo = r.m_tipo;
  m_TipoInterface = r.m_TipoInterface;
  m_PortLocal = r.m_PortLocal;
  m_PortRemoto = r.m_PortRemoto;
  return 1;
}

int16_t ClsListaRelojes::SetCurData(int16_t i) {
  if (i < 1 || i > kSlots) return 0;
  ClockRecord& r = m_slots[i];
  r.m_Version = m_Version;
  r.m_Prg = m_Prg;
  r.M_Numero = fitText(M_Numero, 1);
  r.m_Modelo = m_Modelo;
  r.m_Puerto = fitText(m_Puerto, 5);
  r.m_Velocidad = fitText(m_Velocidad, 5);
  r.m_Telefono = fitText(m_Telefono, 25);
  r.M_Borrar = M_Borrar;
  r.M_Archivo = fitText(M_Archivo, 100);
  r.m_ArchivoFecha = m_ArchivoFecha;
  r.m_FHora = m_FHora;
  r.M_Comunicacion = M_Comunicacion;
  r.m_TipoNumero = m_TipoNumero;
  r.M_Activo = M_Activo;
  r.m_Path = fitText(m_Path, 250);
  r.m_Descrip = fitText(m_Descrip, 50);
  r.m_IP = fitText(trimBlanks(m_IP), 15);
  r.m_tipo = m_tipo;
  r.m_ArchivoHabil = fitText(m_ArchivoHabil, 100);
  r.m_TipoInterface = m_TipoInterface;
  r.m_PortLocal = m_PortLocal;
  r.m_PortRemoto = m_PortRemoto;
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
