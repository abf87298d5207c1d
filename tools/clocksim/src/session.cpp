#include "session.h"

#include <cstdio>

namespace clocksim {

namespace {

std::string two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", ((v % 100) + 100) % 100);
  return b;
}

std::string digits(size_t v, int width) {
  size_t cap = 1;
  for (int i = 0; i < width; ++i) cap *= 10;
  if (v >= cap) v = cap - 1;  // the field cannot show more
  std::string s = std::to_string(v);
  return std::string(static_cast<size_t>(width) - s.size(), '0') + s;
}

std::string padCard(const std::string& card, size_t width, bool keepRight) {
  if (card.size() >= width) return keepRight ? card.substr(card.size() - width) : card;
  return std::string(width - card.size(), '0') + card;
}

}  // namespace

ClockSession::ClockSession(ClockState& state, const Options& options)
    : m_state(state),
      m_options(options),
      m_commands(commandTable(options.model)),
      m_parser(options.model, options.clockNumber) {}

// Commands this clock answers with more than its acknowledgement or changes its state
// with. Any other addressed frame (the resets: 0x89 on model 2, "C" on models 4 and 5; the
// "P02" that opens a card enabling on models 4 and 5) is acknowledged by the framing of
// models 0-5 and has no further effect.
std::map<unsigned char, ClockSession::Handler> ClockSession::commandTable(int model) {
  std::map<unsigned char, Handler> t = {
      {'R', &ClockSession::setNumber},   {'7', &ClockSession::setCache},
      {'6', &ClockSession::lockAll},     {'3', &ClockSession::unlock},
      {'5', &ClockSession::enableCard},  {'4', &ClockSession::suspendCard},
      {'8', &ClockSession::sirenCommand}};
  if (model == 6) {
    t.insert({{0x04, &ClockSession::statusTime6},
              {0x03, &ClockSession::statusCount6},
              {0x01, &ClockSession::nextRecord6},
              {0x02, &ClockSession::clearPunches6},
              {0x05, &ClockSession::setDateTime}});
  } else {
    t.insert({{'A', &ClockSession::statusA},
              {'B', &ClockSession::statusB},
              {'0', &ClockSession::startDownload},
              {'2', &ClockSession::clearPunches},
              {'1', &ClockSession::setDateTime}});
  }
  return t;
}

void ClockSession::reset() {
  m_parser.reset();
  m_pending.reset();
  m_download = {};
  m_sirenList = {};
  m_gatewayConnected = false;
  m_line.clear();
}

void ClockSession::feed(std::string_view in, std::vector<Transmission>& out) {
  m_parser.setClockNumber(m_state.clockNumber());  // another link may have renumbered the clock
  for (char c : in) {
    const HostEvent ev = m_parser.feed(static_cast<unsigned char>(c));
    switch (ev.kind) {
      case HostEvent::None:
        break;
      case HostEvent::Frame:
        onFrame(ev, out);
        break;
      case HostEvent::BadFrame:
        if (!m_options.serialGateway || m_gatewayConnected)
          out.push_back({std::string(1, static_cast<char>(kNak))});
        break;
      case HostEvent::Ack:
        onAck(out);
        break;
      case HostEvent::Nak:
        onNak(out);
        break;
      case HostEvent::Other:
        onLooseByte(ev.byte, out);
        break;
    }
  }
}

void ClockSession::onLooseByte(unsigned char b, std::vector<Transmission>& out) {
  if (!m_options.serialGateway) return;
  if (b == 0 || b == '\r' || b == '\n') {
    if (m_line.rfind("connect", 0) == 0) {
      m_gatewayConnected = true;
      out.push_back({"OK\r\n"});
    }
    m_line.clear();
  } else if (m_line.size() < 200) {
    m_line += static_cast<char>(b);
  }
}

void ClockSession::onFrame(const HostEvent& ev, std::vector<Transmission>& out) {
  if (!ev.addressed) return;                                   // another clock on the line
  if (m_options.serialGateway && !m_gatewayConnected) return;  // the gateway passes nothing yet
  m_state.recordFrame(ev.frame);
  m_pending.reset();  // a new command supersedes a reply the host never acknowledged
  if (m_options.model != 6) out.push_back({std::string(1, static_cast<char>(kAck))});
  const unsigned char code = ev.command.empty() ? 0 : static_cast<unsigned char>(ev.command[0]);
  const bool keepsDownload = (m_options.model == 6 && code == 0x01);
  if (!keepsDownload) m_download.active = false;
  m_sirenList.active = false;
  auto it = m_commands.find(code);
  if (it != m_commands.end() && !ev.command.empty()) (this->*(it->second))(ev.command, out);
}

void ClockSession::onAck(std::vector<Transmission>& out) {
  if (!m_pending) return;
  const Sequence seq = m_pendingSequence;
  m_pending.reset();
  if (seq == Sequence::Siren && m_sirenList.active) {
    ++m_sirenList.index;
    sendSiren(out);
    return;
  }
  if (seq != Sequence::Record || !m_download.active) return;
  if (m_options.model == 6) {
    m_download.acked = true;  // the next 0x01 asks for the following record
  } else {
    ++m_download.index;
    sendRecord(out);
  }
}

void ClockSession::onNak(std::vector<Transmission>& out) {
  if (!m_pending) return;
  out.push_back({*m_pending, true, firstBodyByte(m_options.model)});
}

void ClockSession::sendFrame(std::string payload, Sequence seq, std::vector<Transmission>& out) {
  std::string f = replyFrame(m_options.model, m_state.clockNumber(), payload);
  m_pending = f;
  m_pendingSequence = seq;
  out.push_back({std::move(f), true, firstBodyByte(m_options.model)});
}

void ClockSession::sendRecord(std::vector<Transmission>& out) {
  const auto p = m_state.punchAt(m_download.index);
  if (!p) {
    m_download.active = false;  // all sent
    return;
  }
  m_download.acked = false;
  sendFrame(recordPayload(*p), Sequence::Record, out);
}

std::string ClockSession::recordPayload(const Punch& p) const {
  if (m_options.model == 6) {
    // code, type, valid flag, date, time, seconds, filler, five card digits
    std::string s(1, '\x01');
    s += static_cast<char>('0' + ((p.reader % 10) + 10) % 10);
    s += '1';
    s += digits(static_cast<size_t>(p.year < 0 ? 0 : p.year), 4);
    s += two(p.month) + two(p.day) + two(p.hour) + two(p.minute) + "00" + "000";
    s += padCard(p.card, 5, true);
    return s;
  }
  return two(p.reader) + two(p.month) + two(p.day) + two(p.hour) + two(p.minute) +
         padCard(p.card, 7, false);
}

// Status "A": date and time; position 16 of the status text carries the clock id. On models
// 4 and 5 "A" and "B" followed by a time range set the card's access window instead.
void ClockSession::statusA(std::string_view cmd, std::vector<Transmission>& out) {
  if (cmd.size() > 1 && (m_options.model == 4 || m_options.model == 5)) return;
  const LocalTime t = toLocal(m_state.clockNow());
  const std::string id = std::to_string(m_state.clockNumber());
  std::string s = two(t.year) + two(t.month) + two(t.day) + two(t.hour) + two(t.minute);
  s += static_cast<char>('0' + t.weekday);
  s += two(t.second) + "0";
  s += id.back();
  sendFrame(std::move(s), Sequence::None, out);
}

// Status "B": the last clearing (its cause at status position 21, then its month, day, hour
// and minute) and the number of stored punches (status positions 30-34).
void ClockSession::statusB(std::string_view cmd, std::vector<Transmission>& out) {
  if (cmd.size() > 1 && (m_options.model == 4 || m_options.model == 5)) return;
  const auto c = m_state.lastClearing();
  const LocalTime t = toLocal(c.when);
  std::string s = "0";
  s += c.cause;
  s += two(t.month) + two(t.day) + two(t.hour) + two(t.minute);
  s += digits(m_state.punchCount(), 5);
  sendFrame(std::move(s), Sequence::None, out);
}

void ClockSession::startDownload(std::string_view, std::vector<Transmission>& out) {
  m_download = {true, 0, false};
  sendRecord(out);
}

void ClockSession::clearPunches(std::string_view, std::vector<Transmission>&) { m_state.clear(); }

void ClockSession::statusTime6(std::string_view, std::vector<Transmission>& out) {
  const LocalTime t = toLocal(m_state.clockNow());
  std::string s(1, '\x04');
  s += digits(static_cast<size_t>(t.year), 4);
  s += static_cast<char>('1' + t.weekday);  // Sunday = 1 on this model
  s += two(t.month) + two(t.day) + two(t.hour) + two(t.minute) + two(t.second);
  sendFrame(std::move(s), Sequence::None, out);
}

void ClockSession::statusCount6(std::string_view, std::vector<Transmission>& out) {
  sendFrame(std::string(1, '\x03') + digits(m_state.punchCount(), 4), Sequence::None, out);
}

// 0x01 starts the download and then asks for the next record; a record the host did not
// acknowledge is sent again rather than skipped.
void ClockSession::nextRecord6(std::string_view, std::vector<Transmission>& out) {
  if (!m_download.active) {
    m_download = {true, 0, false};
  } else if (m_download.acked) {
    ++m_download.index;
  }
  sendRecord(out);
}

void ClockSession::clearPunches6(std::string_view, std::vector<Transmission>& out) {
  m_state.clear();
  sendFrame(std::string(1, '\x02') + "0", Sequence::None, out);
}

namespace {

// The decimal value of a run of digits; nullopt when empty, too long or not all digits.
std::optional<int> number(std::string_view s, size_t maxDigits = 4) {
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

// Models 0-3: "1" YYmmdd weekday(Sunday 0) HHMM; models 4, 5: the same with Sunday 1; model 6:
// 0x05 weekday(Sunday 1) YYYYmmdd HHMM "00", answered by a frame. The clock takes the date
// and time (seconds from zero); it works its weekday out itself.
void ClockSession::setDateTime(std::string_view cmd, std::vector<Transmission>& out) {
  const bool six = m_options.model == 6;
  const std::string_view c = cmd.substr(1);
  if (c.size() == (six ? 15u : 11u)) {
    const std::string_view date = six ? c.substr(1, 8) : c.substr(0, 6);
    const std::string_view time = six ? c.substr(9, 4) : c.substr(7, 4);
    const auto year = six ? number(date.substr(0, 4)) : number(date.substr(0, 2));
    const auto month = number(date.substr(six ? 4 : 2, 2)),
               day = number(date.substr(six ? 6 : 4, 2));
    const auto hour = number(time.substr(0, 2)), minute = number(time.substr(2, 2));
    if (year && month && day && hour && minute) {
      const auto t = fromLocal(six ? *year : 2000 + *year, *month, *day, *hour, *minute);
      if (t) m_state.setClockTime(*t);
    }
  }
  if (six) sendFrame(std::string(1, '\x05') + "0", Sequence::None, out);
}

// "R" and the new number (one digit as the host sends it). On models 4 and 5 "R" alone is
// the locking mode "normal".
void ClockSession::setNumber(std::string_view cmd, std::vector<Transmission>&) {
  if (cmd.size() == 1) {
    if (m_options.model == 4 || m_options.model == 5) m_state.setLocked(false);
    return;
  }
  const auto n = number(cmd.substr(1), 3);
  if (!n || *n > 255) return;
  m_state.setClockNumber(*n);
  m_parser.setClockNumber(*n);  // the next frame is addressed to the new number
}

void ClockSession::setCache(std::string_view cmd, std::vector<Transmission>&) {
  const auto p = number(cmd.substr(1), 3);
  if (p && *p <= 100) m_state.setCachePercent(*p);
}

void ClockSession::lockAll(std::string_view cmd, std::vector<Transmission>&) {
  if (cmd.size() == 1) m_state.setLocked(true);
}

void ClockSession::unlock(std::string_view cmd, std::vector<Transmission>&) {
  if (cmd.size() == 1) m_state.setLocked(false);
}

// "5" card; models 4 and 5 close the card with "AB" (the two access windows it gets).
void ClockSession::enableCard(std::string_view cmd, std::vector<Transmission>&) {
  std::string_view card = cmd.substr(1);
  if ((m_options.model == 4 || m_options.model == 5) && card.size() > 2 &&
      card.substr(card.size() - 2) == "AB")
    card.remove_suffix(2);
  if (!card.empty()) m_state.enableCard(std::string(card));
}

void ClockSession::suspendCard(std::string_view cmd, std::vector<Transmission>&) {
  if (cmd.size() > 1) m_state.suspendCard(std::string(cmd.substr(1)));
}

// "89" lists the 32 slots, one frame per acknowledgement; "8A" empties them all; "8" and
// day, siren, HHMM, duration adds siren 1-4 or, with the siren number plus 4, deletes it.
void ClockSession::sirenCommand(std::string_view cmd, std::vector<Transmission>& out) {
  if (cmd == "89") {
    m_sirenList = {true, 0};
    sendSiren(out);
    return;
  }
  if (cmd == "8A") {
    m_state.deleteAllSirens();
    return;
  }
  if (cmd.size() != 9) return;
  const auto day = number(cmd.substr(1, 1)), n = number(cmd.substr(2, 1));
  const auto hour = number(cmd.substr(3, 2)), minute = number(cmd.substr(5, 2)),
             duration = number(cmd.substr(7, 2));
  if (!day || !n || !hour || !minute || !duration || *day > 8 || *n < 1 || *n > 8 || *hour > 23 ||
      *minute > 59)
    return;
  Siren s{*day, *n > 4 ? *n - 4 : *n, *hour, *minute, *duration};
  if (*n > 4)
    m_state.deleteSiren(s);
  else
    m_state.addSiren(s);
}

// One slot: day (digit, "H" working days, "T" every day), siren number, HHMM, duration.
void ClockSession::sendSiren(std::vector<Transmission>& out) {
  const auto all = m_state.sirens();
  if (m_sirenList.index >= all.size()) {
    m_sirenList.active = false;
    return;
  }
  const Siren& s = all[m_sirenList.index];
  std::string p(1, s.day == 7   ? 'H'
                   : s.day == 8 ? 'T'
                                : static_cast<char>('0' + ((s.day % 10) + 10) % 10));
  p += static_cast<char>('0' + ((s.number % 10) + 10) % 10);
  p += two(s.hour) + two(s.minute) + two(s.duration);
  sendFrame(std::move(p), Sequence::Siren, out);
}

}  // namespace clocksim
