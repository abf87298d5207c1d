// Password record.
#include "core/ClsClave.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/record.h>

#include <ctime>

namespace {

int currentYear(int set) {
  if (set > 0) return set;
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm.tm_year + 1900;
}

int shiftFor(int year, size_t position) {
  return static_cast<int>((year % 97) + 3 * position + 11);
}

}  // namespace

void ClsClave::Init(const std::string& path) { m_path = path; }

int16_t ClsClave::LoadPsw() {
  std::string data;
  if (!basekit::readWholeFile(m_path, data, nullptr, kMaxFileBytes)) return -1;
  if (data.size() < kRecordLength) return -2;
  basekit::RecordReader rd(std::string_view(data).substr(0, kRecordLength));
  const int storedYear = rd.i16();
  std::string bytes;
  bool ended = false;
  for (size_t i = 0; i < kMaxLength; ++i) {
    const int code = rd.i16() - shiftFor(storedYear, i);
    if (code < 0 || code > 255) return -2;
    if (code == 0)
      ended = true;
    else if (ended)
      return -2;  // a code after the end mark: not our record
    else
      bytes.push_back(static_cast<char>(code));
  }
  m_psw = basekit::cp1252ToUtf8(bytes);
  return 0;
}

int16_t ClsClave::SavePsw(const std::string& psw) {
  const std::string bytes = basekit::utf8ToCp1252(psw);
  if (bytes.size() > kMaxLength || bytes.find('\0') != std::string::npos) return 0;
  const int y = currentYear(year);
  basekit::RecordWriter w(kRecordLength);
  w.i16(static_cast<int16_t>(y));
  for (size_t i = 0; i < kMaxLength; ++i) {
    const int code = i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
    w.i16(static_cast<int16_t>(code + shiftFor(y, i)));
  }
  const size_t rest = kRecordLength - w.size();
  w.raw(std::string(rest, '\0'), rest);
  if (!basekit::replaceFileAtomically(m_path, w.bytes(), nullptr, 0600)) return 0;
  m_psw = psw;
  return 1;
}
