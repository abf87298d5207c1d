// The audit trail: one 74-byte record per main-menu action (date and time, action, user)
// appended to VELTA.AUD. Text fields are stored lightly scrambled with a per-record key
// (0..29, from the seconds of the time), which the record carries.
#pragma once

#include "core/Basic.h"
#include "core/StoreRows.h"

#include <basekit/plainfile.h>

#include <cstdint>
#include <functional>
#include <string>

class ClsUsers;

class ClsAuditoria {
 public:
  static constexpr size_t kRecordLength = 74;
  static constexpr int16_t kVersion = 1;
  // Most records listed: years of menu commands; a larger file is not read.
  static constexpr size_t kMaxRecords = 1'000'000;
  static constexpr size_t kMaxFileBytes = kMaxRecords * kRecordLength;

  // The last record written, fields as stored (scrambled bytes).
  int16_t mVersion = 0;
  std::string mDate;
  std::string mDescription;
  std::string mUser;

  // Whose name AddRecord records (auName of the logged-in user); none gives blanks.
  const ClsUsers* users = nullptr;
  // Local time source; tests set a fixed one.
  std::function<basic::DateTime()> clock;

  void Iniciar(const std::string& path);
  // Rows: text = date and time, sub-items action ("MNU->" ...) and user. -2 when the file is
  // missing; otherwise the number of rows listed.
  int16_t GetRecords(StoreRows& list);
  // Why the last GetRecords listed nothing of a file that is there ("" otherwise).
  const std::string& readError() const { return m_readError; }
  // 1 when appended; 0 when the file could not be written.
  int16_t AddRecord(const std::string& action);
  // 1 when the file was removed; 0 with removeFailure() the cause.
  int16_t Borrar();
  const basekit::FileError& removeFailure() const { return m_removeFailure; }

  // Shifts every byte of the field's fixed-width form by the key, modulo 256: up for
  // mode "E", down for any other mode. Bytes in, bytes out (the file's code page).
  static std::string ScrambleField(const std::string& bytes, size_t width, const std::string& mode,
                                   int key);
  // The date and time text recorded for a moment: "mm-dd-yyyy hh:nn:ss".
  static std::string dateText(const basic::DateTime& t);

 private:
  std::string m_path;
  std::string m_readError;
  basekit::FileError m_removeFailure;
};
