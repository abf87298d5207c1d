// The user table: up to 100 users with name, numeric password and access level, kept in
// VELTA.DAT (30-byte records, version 1); checks a login and remembers the logged-in user.
#pragma once

#include "core/StoreResult.h"
#include "core/StoreRows.h"

#include <cstdint>
#include <functional>
#include <string>

struct UserRecord {
  int16_t Version = 0;
  int16_t Code = 0;
  std::string Name;  // 20; in a slot all blanks = free
  int32_t Psw = 0;
  int16_t Level = 0;

  bool operator==(const UserRecord&) const = default;
};

struct EditorHooks;

// The current user record is the store's own UserRecord part: the user windows, the start-up
// and their tests read and set its fields as the store's (users.Name), and stay as they are.
class ClsUsers : public UserRecord {
 public:
  static constexpr int kSlots = 100;
  static constexpr size_t kRecordLength = 30;
  static constexpr int16_t kVersion = 1;
  // Largest VELTA.DAT read: 16 times the 100 slots.
  static constexpr size_t kMaxFileBytes = 16 * kSlots * kRecordLength;

  ClsUsers();  // every slot free

  // Logged-in user; auName keeps the stored 20-character name.
  int16_t auVersion = 0;
  int16_t auCode = 0;
  std::string auName;
  int32_t auPsw = 0;
  int16_t auLevel = 0;
  int16_t Operation = 0;

  void Iniciar(const std::string& path);
  // Missing ends the start-up with 310, Empty (empty, another version, unreadable) with 335.
  StoreLoad CargarUsers();
  StoreResult GrabarUsers();
  bool Nuevo();
  void Borrar(int16_t i);
  // Shows the editor of `editors` (the owner's hooks, for the store it makes) modally.
  bool Modificar(int16_t i);
  void useEditors(const EditorHooks* editors) { m_editors = editors; }
  bool Deleted(int16_t i) const;
  bool GetCurData(int16_t i);
  // The current record into slot i (0 taken as 1) as the file would give it back: the name cut
  // or padded to its width in the file's code page.
  bool SetCurData(int16_t i);
  bool FindUser(const std::string& name, const std::string& psw);
  int16_t GetLevel() const { return auLevel; }

  const UserRecord* slot(int i) const { return i >= 1 && i <= kSlots ? &m_slots[i] : nullptr; }
  UserRecord& current() { return *this; }
  const UserRecord& current() const { return *this; }
  const StoreStatus& status() const { return m_status; }

  static std::string encodeRecord(const UserRecord& r);
  static UserRecord decodeRecord(const std::string& bytes);

 private:
  const EditorHooks* m_editors = nullptr;  // the owner's, for the store it makes
  std::string m_path;
  UserRecord m_slots[kSlots + 1];
  StoreStatus m_status;
};
