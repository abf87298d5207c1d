// Audit log.
#include "core/ClsAuditoria.h"

#include "core/Basic.h"
#include "core/ClsUsers.h"
#include "core/MessagesExtra.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/plainfile.h>
#include <basekit/record.h>

#include <cerrno>
#include <unistd.h>

void ClsAuditoria::Iniciar(const std::string& path) { m_path = path; }

std::string ClsAuditoria::ScrambleField(const std::string& bytes, size_t width,
                                        const std::string& mode, int key) {
  std::string out = bytes;
  out.resize(width, ' ');
  const int shift = mode == "E" ? key : -key;
  for (char& c : out) c = static_cast<char>((static_cast<unsigned char>(c) + shift) & 0xFF);
  return out;
}

std::string ClsAuditoria::dateText(const basic::DateTime& t) {
  return basic::Format(t, "mm-dd-yyyy") + " " + basic::Format(t, "hh:nn:ss");
}

int16_t ClsAuditoria::AddRecord(const std::string& action) {
  const basic::DateTime now = clock ? clock() : basic::Now();
  const int key = (now.second % 60 + 60) % 60 / 2;
  mVersion = kVersion;
  mDate = ScrambleField(basekit::utf8ToCp1252(dateText(now)), 20, "E", key);
  mDescription = ScrambleField(basekit::utf8ToCp1252("MNU->" + action), 30, "E", key);
  mUser = ScrambleField(basekit::utf8ToCp1252(users ? users->auName : std::string()), 20, "E", key);
  basekit::RecordWriter w(kRecordLength);
  w.i16(mVersion);
  w.raw(mDate, 20);
  w.i16(static_cast<int16_t>(key));
  w.raw(mDescription, 30);
  w.raw(mUser, 20);

  // Never through a symbolic link; appended at the next whole record, so a torn tail from a
  // crash is replaced, and a record that cannot be written whole is cut back again.
  basekit::PlainFile file;
  if (!file.open(m_path, 0666)) return 0;
  const off_t size = file.size();
  const off_t at =
      size < 0 ? -1 : size / static_cast<off_t>(kRecordLength) * static_cast<off_t>(kRecordLength);
  const bool ok = at >= 0 && (at == size || file.truncate(at)) && file.append(w.bytes()) &&
                  file.sync() && file.close();
  return ok ? 1 : 0;
}

int16_t ClsAuditoria::GetRecords(StoreRows& list) {
  list.clear();
  m_readError.clear();
  std::string data;
  basekit::FileError failure;
  if (!basekit::readWholeFile(m_path, data, &failure, kMaxFileBytes)) {
    if (failure.missing()) return -2;
    m_readError = fileFailure(failure);
    return 0;
  }
  const size_t count = data.size() / kRecordLength;
  if (count == 0 || basekit::RecordReader(data).i16() != kVersion) return 0;
  int listed = 0;
  for (size_t n = 0; n < count; ++n) {
    basekit::RecordReader rd(std::string_view(data).substr(n * kRecordLength, kRecordLength));
    rd.i16();
    const std::string date = rd.raw(20);
    const int key = rd.i16();
    const std::string action = rd.raw(30);
    const std::string user = rd.raw(20);
    StoreRow row;
    row.text = basekit::cp1252ToUtf8(ScrambleField(date, 20, "D", key));
    row.subItems.push_back(basekit::cp1252ToUtf8(ScrambleField(action, 30, "D", key)));
    row.subItems.push_back(basekit::cp1252ToUtf8(ScrambleField(user, 20, "D", key)));
    list.addRow(row);
    ++listed;
  }
  return static_cast<int16_t>(listed < 32767 ? listed : 32767);
}

int16_t ClsAuditoria::Borrar() {
  m_removeFailure = {};
  return basekit::removeFile(m_path, &m_removeFailure) ? 1 : 0;
}
