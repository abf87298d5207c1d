#include "admin/RecordView.h"

#include "core/Basic.h"
#include "core/CardIndex.h"
#include "core/CardNumber.h"
#include "core/MessagesExtra.h"

#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/paths.h>
#include <basekit/plainfile.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <numeric>
#include <sys/stat.h>

namespace {

std::string_view trimView(std::string_view s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The numeric value of a typed text (leading number, 0 for none), clamped into 32 bits: a
// window bound typed larger than any file simply means "to the end".
int32_t windowBound(const std::string& text) {
  const double v = basic::Val(text);
  if (!(v > 0)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return basic::ToLong(v).value_or(std::numeric_limits<int32_t>::max());
}

// A punch line is a few dozen bytes: a block holds tens of thousands of them.
constexpr size_t kBlock = size_t{1} << 20;

}  // namespace

LineFields splitLineFields(std::string_view line) {
  LineFields out;
  size_t blanks[5];
  int found = 0;
  size_t from = 1;  // a blank in the first position does not split
  while (found < 5 && from < line.size()) {
    const size_t b = line.find(' ', from);
    if (b == std::string_view::npos) break;
    blanks[found++] = b;
    from = b + 1;
  }
  if (found < 4) return out;
  out.f[0] = line.substr(0, blanks[0]);
  for (int k = 1; k < 4; ++k)
    out.f[k] = line.substr(blanks[k - 1] + 1, blanks[k] - blanks[k - 1] - 1);
  if (found == 5) {
    out.f[4] = line.substr(blanks[3] + 1, blanks[4] - blanks[3] - 1);
    out.rest = line.substr(blanks[4] + 1);
  } else {
    out.f[4] = line.substr(blanks[3] + 1);
  }
  return out;
}

std::string totalText(int64_t listed, int64_t lines) {
  std::string text = " ";
  text += std::to_string(listed);
  text += "/ ";
  text += std::to_string(lines);
  return text;
}

void RecordView::clear() {
  m_blocks.clear();
  m_blocks.shrink_to_fit();
  m_rows.clear();
  m_rows.shrink_to_fit();
  m_order.clear();
  m_order.shrink_to_fit();
  m_names.clear();
  m_lines = 0;
}

RecordView::Outcome RecordView::run(const std::string& pathText, const ViewFilter& filter,
                                    const ViewSettings& settings,
                                    const std::vector<CardRecord>& cards, ViewSink* sink) {
  clear();
  Outcome out;
  m_virtualNames = settings.virtualNames;

  const std::string path = basekit::toLocalPath(basic::Trim(pathText));
  if (path.empty() || path.back() == '/') return out.status = Status::NoFile, out;
  // Through the file layer: nothing that blocks (a FIFO), checks on the descriptor. The file is
  // the operator's pick, to be looked at: it may be reached through a link or by a second name
  // (punch files kept in a linked backup tree); saving keeps the data-file rule.
  basekit::ReadingFile file;
  basekit::FileError error;
  auto refuse = [&](const basekit::FileError& failure) {
    out.status = Status::ReadError;
    out.error = GetExtraMsg(ExtraMsg::ReadFailed, {path, fileReason(failure)});
    return out;
  };
  if (!file.open(path, SIZE_MAX, &error, basekit::Follow::OperatorsChoice)) {
    if (error.missing() || (error.kind == basekit::FileFault::System && error.err == EISDIR))
      return out.status = Status::NoFile, out;
    return refuse(error);
  }
  struct stat st {};
  if (::fstat(file.fd(), &st) != 0) return refuse(basekit::FileError::system(errno, path));

  out.first = windowBound(filter.firstRecord);
  out.last = windowBound(filter.lastRecord);
  if (out.first <= 0 || out.last <= 0 || out.first > out.last) out.first = 1, out.last = 30000;

  // Cards are hexadecimal on touch clocks; employee-number mode bounds the decimal employee
  // number of field 1 instead of the card.
  const int16_t cardKind = settings.touch ? 2 : 1;
  const int16_t kind = settings.employeeNumbers ? 1 : cardKind;
  const std::string cardFrom = basic::Trim(filter.cardFrom);
  const bool cardFilter = !cardFrom.empty();
  double lower = 0, upper = 0;
  if (cardFilter) {
    if (!cardNumberOf(cardFrom, kind, lower))
      return out.status = Status::BadBound, out.error = cardFrom, out;
    const std::string cardTo = basic::Trim(filter.cardTo);
    if (!cardNumberOf(cardTo, kind, upper))
      return out.status = Status::BadBound, out.error = cardTo, out;
  }
  const std::string clock = basic::Trim(filter.clock);
  const std::string clock0 = "0" + clock;
  const std::string date = basic::Trim(filter.date);
  const std::string reader = basic::Trim(filter.reader);
  const bool groupFilter = !basic::Trim(filter.groupFrom).empty();
  const double groupLow = basic::Val(filter.groupFrom);
  const double groupHigh = basic::Val(filter.groupTo);
  const std::string clockOpen = basekit::utf8ToCp1252(settings.clockOpenText);

  const CardIndex index(cards);
  if (m_virtualNames) {
    m_names.reserve(cards.size());
    for (const CardRecord& c : cards) m_names.emplace_back(trimView(c.name));
  }

  const int64_t total = file.size();
  // Rows for the window, or for the lines a file of that size can hold (none is shorter than
  // ten bytes), whichever is fewer; past a million the list grows as it goes.
  m_rows.reserve(static_cast<size_t>(
      std::min<int64_t>({int64_t{out.last} - out.first + 1, total / 10 + 1, int64_t{1} << 20})));
  const size_t firstBlock = static_cast<size_t>(std::min<int64_t>(total + 1, kBlock));

  using Clock = std::chrono::steady_clock;
  Clock::time_point lastReport{};  // the first check reports at once
  int64_t matching = 0;
  std::string card;
  std::string lineText;
  lineText.reserve(kMaxLine + 1);

  auto handleLine = [&](std::string_view text) {
    ++m_lines;
    const LineFields f = splitLineFields(text);

    // The card of the line: field 1, or in employee-number mode the first word after the
    // reader. A line whose card is not a number has none, rather than the line before's.
    bool hasCard = false;
    double value = 0;
    std::string_view keyText = trimView(f.f[0]);
    if (settings.employeeNumbers) {
      const std::string_view rest = f.rest;
      card.assign(rest.substr(0, rest.find(' ')));
      hasCard = cardNumberOf(card, cardKind, value);
    } else {
      card.assign(keyText);
      hasCard = cardNumberOf(card, cardKind, value);
      if (!hasCard) out.badNumbers = true;
    }
    if (cardFilter) {
      double key = value;
      bool keyOk = hasCard;
      if (settings.employeeNumbers) {
        card.assign(keyText);
        keyOk = cardNumberOf(card, 1, key);
      }
      if (!keyOk || key < lower || key > upper) return;
    }
    if (!clock.empty() && f.f[3] != clock0 && f.f[3] != clock) return;
    if (!date.empty() && f.f[1] != date) return;
    if (!reader.empty() && f.f[4] != reader) return;
    ++matching;
    if (matching < out.first || matching > out.last) return;
    const int32_t entry = hasCard ? index.indexOf(value) : -1;
    const CardRecord* holder = entry >= 0 ? &cards[static_cast<size_t>(entry)] : nullptr;
    if (groupFilter) {
      const double group = holder ? holder->Grupo : 0;
      if (group < groupLow || group > groupHigh) return;
    }
    Row row;
    row.card = entry;
    if (holder && holder->Resaltar == 1) row.marks |= kBold;
    if (holder && holder->Novedad == 1) row.marks |= kBold | kRed;
    if (trimView(f.rest) == clockOpen) row.marks |= kRed;
    keep(text, row, firstBlock);
    m_rows.push_back(row);
  };

  for (;;) {
    // One byte more than a line may hold: the layer counts the CR before the LF.
    const basekit::ReadingFile::Line got = file.readLine(lineText, kMaxLine + 1, &error);
    if (got == basekit::ReadingFile::Line::End) break;
    if (got == basekit::ReadingFile::Line::Failed) {
      refuse(error);
      break;
    }
    const bool tooLong = got == basekit::ReadingFile::Line::TooLong || lineText.size() > kMaxLine;
    // A line too long for a punch line is a faulty one: no fields, nothing of it kept.
    handleLine(tooLong ? std::string_view() : std::string_view(lineText));
    // One line may have taken long to pass over: report after it.
    if (((m_lines & 1023) == 0 || tooLong) && sink &&
        Clock::now() - lastReport >= std::chrono::milliseconds(50)) {
      if (!sink->progress(static_cast<int64_t>(m_rows.size()), m_lines,
                          std::min<int64_t>(file.offset(), total), total)) {
        out.status = Status::Stopped;
        break;
      }
      lastReport = Clock::now();
    }
  }
  m_order.resize(m_rows.size());
  std::iota(m_order.begin(), m_order.end(), 0u);
  if (sink && out.status == Status::Done)
    sink->progress(static_cast<int64_t>(m_rows.size()), m_lines,
                   std::min<int64_t>(file.offset(), total), total);
  return out;
}

void RecordView::keep(std::string_view text, Row& row, size_t firstBlock) {
  if (m_blocks.empty() || m_blocks.back().size() + text.size() > m_blocks.back().capacity()) {
    m_blocks.emplace_back();
    m_blocks.back().reserve(m_blocks.size() == 1 ? std::max(firstBlock, text.size()) : kBlock);
  }
  std::string& block = m_blocks.back();
  row.block = static_cast<uint32_t>(m_blocks.size() - 1);
  row.at = static_cast<uint32_t>(block.size());
  row.length = static_cast<uint16_t>(text.size());
  block.append(text);
}

std::string_view RecordView::line(const Row& r) const {
  return std::string_view(m_blocks[r.block].data() + r.at, r.length);
}

std::string_view RecordView::rawCell(const Row& r, int column) const {
  const LineFields f = splitLineFields(line(r));
  switch (column) {
    case 0:
      return f.f[1];
    case 1:
      return f.f[2];
    case 2:
      return f.f[3];
    case 3:
      return f.f[4];
    case 4:
      return trimView(f.f[0]);
    case 5:
      if (m_virtualNames)
        return r.card >= 0 ? std::string_view(m_names[static_cast<size_t>(r.card)])
                           : std::string_view();
      return f.rest;
    default:
      return {};
  }
}

std::string RecordView::cell(size_t k, int column) const {
  const Row& r = m_rows[m_order[k]];
  const std::string_view raw = rawCell(r, column);
  if (column == 5 && m_virtualNames) return std::string(raw);  // names are held as UTF-8
  return basekit::cp1252ToUtf8(raw);
}

std::string RecordView::savedLine(size_t k) const {
  const Row& r = m_rows[m_order[k]];
  std::string out;
  out.reserve(r.length + 8);
  for (int column : {4, 0, 1, 2, 3}) {
    if (column != 4) out += ' ';
    out += rawCell(r, column);
  }
  const std::string_view last = rawCell(r, 5);
  if (!last.empty()) {
    out += ' ';
    if (m_virtualNames)
      out += basekit::utf8ToCp1252(last);
    else
      out += last;
  }
  return out;
}

void RecordView::sortBy(int column, bool ascending) {
  if (column < 0 || column >= kColumns) return;
  std::vector<std::string_view> keys(m_rows.size());
  for (size_t n = 0; n < m_rows.size(); ++n) keys[n] = rawCell(m_rows[n], column);
  std::iota(m_order.begin(), m_order.end(), 0u);
  if (ascending)
    std::stable_sort(m_order.begin(), m_order.end(),
                     [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
  else
    std::stable_sort(m_order.begin(), m_order.end(),
                     [&](uint32_t a, uint32_t b) { return keys[b] < keys[a]; });
}

void RecordView::unsort() { std::iota(m_order.begin(), m_order.end(), 0u); }

std::string saveRows(const RecordView& view, const std::string& pathText, SaveMode mode) {
  std::string bytes;
  for (size_t k = 0; k < view.rowCount(); ++k) bytes += view.savedLine(k) + "\r\n";
  const std::string path = basekit::toLocalPath(pathText);
  basekit::FileError error = basekit::FileError::system(EIO, path);
  auto failed = [&] { return GetExtraMsg(ExtraMsg::SaveFailed, {path, fileReason(error)}); };
  if (mode == SaveMode::Replace)
    return basekit::replaceFileAtomically(path, bytes, &error) ? std::string() : failed();
  // Appended whole or not at all, never through a symbolic link, nor to a second name or a
  // FIFO.
  basekit::PlainFile file;
  if (!file.open(path, 0644, &error) || !file.append(bytes, &error) || !file.sync(&error) ||
      !file.close(&error))
    return failed();
  return {};
}
