// User store and login check.
#include "core/ClsUsers.h"

#include "core/Basic.h"
#include "core/MessagesExtra.h"
#include "core/StoreEditors.h"

#include <basekit/atomicfile.h>
#include <basekit/record.h>

#include <cerrno>
#include <cmath>

using storefile::trimBlanks;

std::string ClsUsers::encodeRecord(const UserRecord& r) {
  basekit::RecordWriter w(kRecordLength);
  w.i16(kVersion);
  w.i16(r.Code);
  w.text(r.Name, 20);
  w.i32(r.Psw);
  w.i16(r.Level);
  return w.bytes();
}

UserRecord ClsUsers::decodeRecord(const std::string& bytes) {
  basekit::RecordReader rd(bytes);
  UserRecord r;
  r.Version = rd.i16();
  r.Code = rd.i16();
  r.Name = rd.text(20);
  r.Psw = rd.i32();
  r.Level = rd.i16();
  return r;
}

ClsUsers::ClsUsers() {
  for (UserRecord& s : m_slots) s.Name = std::string(20, ' ');
}

void ClsUsers::Iniciar(const std::string& path) { m_path = path; }

StoreLoad ClsUsers::CargarUsers() {
  for (int i = 1; i <= kSlots; ++i) m_slots[i].Name = std::string(20, ' ');
  return storefile::loadStore(m_path, kMaxFileBytes, m_status, [this](const std::string& data) {
    if (data.size() < kRecordLength ||
        decodeRecord(data.substr(0, kRecordLength)).Version != kVersion)
      return storefile::unreadableForm(m_status, GetExtraMsg(ExtraMsg::UnknownUserForm, {m_path}));
    int loaded = 0;
    for (int n = 1; n <= kSlots && static_cast<size_t>(n) * kRecordLength <= data.size(); ++n) {
      m_slots[n] = decodeRecord(data.substr((n - 1) * kRecordLength, kRecordLength));
      loaded = n;
    }
    storefile::noteUnloadedBytes(m_path, data.size(), static_cast<size_t>(loaded) * kRecordLength,
                                 m_status);
    return StoreLoad(StoreLoad::Loaded);
  });
}

StoreResult ClsUsers::GrabarUsers() {
  m_status.badRow = 0;
  std::string bytes;
  bytes.reserve(kSlots * kRecordLength);
  for (int n = 1; n <= kSlots; ++n) {
    m_slots[n].Code = static_cast<int16_t>(n);
    bytes += encodeRecord(m_slots[n]);
  }
  // The passwords are stored in plain: nobody but the owner may read the file.
  return storefile::saveStore(m_path, bytes, m_status, 0600);
}

bool ClsUsers::Nuevo() {
  for (int i = 1; i <= kSlots; ++i) {
    UserRecord& r = m_slots[i];
    if (!trimBlanks(r.Name).empty()) continue;
    r.Version = kVersion;
    r.Name = std::string(20, ' ');
    r.Psw = 0;
    r.Level = 0;
    r.Code = static_cast<int16_t>(i);
    return true;
  }
  return false;
}

void ClsUsers::Borrar(int16_t i) {
  if (i >= 1 && i <= kSlots) m_slots[i].Name = std::string(20, ' ');
}

bool ClsUsers::Modificar(int16_t i) {
  if (i < 0 || i > kSlots) return false;
  Operation = i;
  // The user editor, when the windows were handed (the owner's EditorHooks).
  if (m_editors && m_editors->users) m_editors->users(*this);
  return Operation != -1;
}

bool ClsUsers::Deleted(int16_t i) const {
  if (i < 1 || i > kSlots) return false;
  return trimBlanks(m_slots[i].Name).empty();
}

bool ClsUsers::GetCurData(int16_t i) {
  if (i < 1 || i > kSlots) return false;
  current() = m_slots[i];
  Name = trimBlanks(Name);
  return true;
}

bool ClsUsers::SetCurData(int16_t i) {
  if (i == 0) i = 1;
  if (i < 1 || i > kSlots) return false;
  // The codec holds the width; the version is the record's own, which a save always writes as
  // the current form.
  m_slots[i] = decodeRecord(encodeRecord(current()));
  m_slots[i].Version = Version;
  return true;
}

bool ClsUsers::FindUser(const std::string& name, const std::string& psw) {
  if (!basic::IsNumeric(psw)) return false;
  // A password that is not a whole signed 32-bit number matches nobody.
  const double v = basic::Val(psw);
  if (!std::isfinite(v) || v != std::floor(v) || v < -2147483648.0 || v > 2147483647.0)
    return false;
  const int32_t p = static_cast<int32_t>(v);
  const std::string wanted = trimBlanks(name);
  for (int i = 1; i <= kSlots; ++i) {
    if (Deleted(static_cast<int16_t>(i))) continue;
    const UserRecord& r = m_slots[i];
    if (trimBlanks(r.Name) == wanted && r.Psw == p) {
      auVersion = r.Version;
      auCode = r.Code;
      auName = r.Name;
      auPsw = r.Psw;
      auLevel = r.Level;
      return true;
    }
  }
  return false;
}
