// A store for one scrambled password record (138 bytes): the year it was written and up to
// 15 character codes, each shifted by an amount mixed from that year and its position.
// Kept for completeness; the program itself does not use it.
#pragma once

#include <cstdint>
#include <string>

class ClsClave {
 public:
  static constexpr size_t kRecordLength = 138;
  static constexpr size_t kMaxLength = 15;
  // Largest password file read: the one record, with room to spare.
  static constexpr size_t kMaxFileBytes = 16 * kRecordLength;

  void Init(const std::string& path);
  // 0 loaded; -1 the file is missing, unreadable or far too large; -2 the record does not
  // unscramble.
  int16_t LoadPsw();
  // 1 when written (atomically); 0 on a file error or a password longer than 15 characters.
  int16_t SavePsw(const std::string& psw);
  std::string GetPsw() const { return m_psw; }

  // The current year, settable for tests.
  int year = 0;

 private:
  std::string m_path;
  std::string m_psw;
};
