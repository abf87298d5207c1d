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
    : m_state(state), m_options(options), m_commands(commandTable(options.model)),
      m_parser(options.model, options.clockNumber) {}

// Commands this clock answers; anything else (programming commands) is acknowledged by the
// framing of models 0-5 and has no effect yet.
std::map<unsigned char, ClockSession::Handler> ClockSession::commandTable(int model) {
  if (model == 6)
    return {{0x04, &ClockSession::statusTime6},
            {0x03, &ClockSession::statusCount6},
            {0x01, &ClockSession::nextRecord6},
            {0x02, &ClockSession::clearPunches6}};
  return {{'A', &ClockSession::statusA},
          {'B', &ClockSession::statusB},
          {'0', &ClockSession::startDownload},
          {'2', &ClockSession::clearPunches}};
}

void ClockSession::reset() {
  m_parser.reset();
  m_pending.reset();
  m_download = {};
  m_gatewayConnected = false;
  m_line.clear();
}

void ClockSession::feed(std::string_view in, std::vector<Transmission>& out) {
  for (char c : in) {
    const HostEvent ev = m_parser.feed(static_cast<unsigned char>(c));
    switch (ev.kind) {
      case HostEvent::None: break;
      case HostEvent::Frame: onFrame(ev, out); break;
      case HostEvent::BadFrame:
        if (!m_options.serialGateway || m_gatewayConnected) out.push_back({std::string(1, static_cast<char>(kNak))});
        break;
      case HostEvent::Ack: onAck(out); break;
      case HostEvent::Nak: onNak(out); break;
      case HostEvent::Other: onLooseByte(ev.byte, out); break;
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
  if (!ev.addressed) return;                                  // another clock on the line
  if (m_options.serialGateway && !m_gatewayConnected) return;  // the gateway passes nothing yet
  m_state.recordFrame(ev.frame);
  m_pending.reset();  // a new command supersedes a reply the host never acknowledged
  if (m_options.model != 6) out.push_back({std::string(1, static_cast<char>(kAck))});
  const unsigned char code = ev.command.empty() ? 0 : static_cast<unsigned char>(ev.command[0]);
  const bool keepsDownload = (m_options.model == 6 && code == 0x01);
  if (!keepsDownload) m_download.active = false;
  auto it = m_commands.find(code);
  if (it != m_commands.end() && !ev.command.empty()) (this->*(it->second))(ev.command, out);
}

void ClockSession::onAck(std::vector<Transmission>& out) {
  if (!m_pending) return;
  const bool wasRecord = m_pendingIsRecord;
  m_pending.reset();
  if (!wasRecord || !m_download.active) return;
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

void ClockSession::sendFrame(std::string payload, bool isRecord, std::vector<Transmission>& out) {
  std::string f = replyFrame(m_options.model, m_options.clockNumber, payload);
  m_pending = f;
  m_pendingIsRecord = isRecord;
  out.push_back({std::move(f), true, firstBodyByte(m_options.model)});
}

void ClockSession::sendRecord(std::vector<Transmission>& out) {
  const auto p = m_state.punchAt(m_download.index);
  if (!p) {
    m_download.active = false;  // all sent
    return;
  }
  m_download.acked = false;
  sendFrame(recordPayload(*p), true, out);
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
  return two(p.reader) + two(p.month) + two(p.day) + two(p.hour) + two(p.minute) + padCard(p.card, 7, false);
}

// Status "A": date and time; position 16 of the status text carries the clock id.
void ClockSession::statusA(std::string_view, std::vector<Transmission>& out) {
  const LocalTime t = toLocal(m_state.clockNow());
  const std::string id = std::to_string(m_options.clockNumber);
  std::string s = two(t.year) + two(t.month) + two(t.day) + two(t.hour) + two(t.minute);
  s += static_cast<char>('0' + t.weekday);
  s += two(t.second) + "0";
  s += id.back();
  sendFrame(std::move(s), false, out);
}

// Status "B": the last clearing and the number of stored punches (status positions 30-34).
void ClockSession::statusB(std::string_view, std::vector<Transmission>& out) {
  const auto c = m_state.lastClearing();
  const LocalTime t = toLocal(c.when);
  std::string s = "0";
  s += c.cause;
  s += two(t.month) + two(t.day) + two(t.hour) + two(t.minute);
  s += digits(m_state.punchCount(), 5);
  sendFrame(std::move(s), false, out);
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
  sendFrame(std::move(s), false, out);
}

void ClockSession::statusCount6(std::string_view, std::vector<Transmission>& out) {
  sendFrame(std::string(1, '\x03') + digits(m_state.punchCount(), 4), false, out);
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
  sendFrame(std::string(1, '\x02') + "0", false, out);
}

}  // namespace clocksim
