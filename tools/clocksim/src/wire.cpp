#include "wire.h"

namespace clocksim {

namespace {
constexpr size_t kMaxHostFrame = 300;  // far above any command; a longer run is noise
}

uint8_t checkByte(std::string_view bytes) {
  uint8_t x = 0;
  for (char c : bytes) x ^= static_cast<uint8_t>(c);
  return x;
}

std::string replyFrame(int model, int clockNumber, std::string_view payload) {
  std::string f(1, static_cast<char>(kStx));
  if (model == 6) {
    f += static_cast<char>(static_cast<uint8_t>(payload.size() + 4));
    f += static_cast<char>(static_cast<uint8_t>(clockNumber));
  }
  f += payload;
  f += static_cast<char>(kEtx);
  f += static_cast<char>(checkByte(f));
  return f;
}

size_t firstBodyByte(int model) { return model == 6 ? 2 : 1; }

HostFrameParser::HostFrameParser(int model, int clockNumber)
    : m_model(model), m_clockNumber(clockNumber), m_id(std::to_string(clockNumber)) {}

void HostFrameParser::setClockNumber(int clockNumber) {
  m_clockNumber = clockNumber;
  m_id = std::to_string(clockNumber);
}

void HostFrameParser::reset() {
  m_state = Idle;
  m_buf.clear();
}

HostEvent HostFrameParser::feed(unsigned char b) {
  HostEvent ev;
  switch (m_state) {
    case Idle:
      if (b == kStx) {
        m_buf.assign(1, static_cast<char>(b));
        m_state = Body;
      } else if (b == kAck) {
        ev.kind = HostEvent::Ack;
      } else if (b == kNak) {
        ev.kind = HostEvent::Nak;
      } else {
        ev.kind = HostEvent::Other;
        ev.byte = b;
      }
      return ev;
    case Body:
      if (m_model != 6 && b == kStx) {  // a new frame began: the last one was cut short
        m_buf.assign(1, static_cast<char>(b));
        return ev;
      }
      m_buf += static_cast<char>(b);
      if (m_model == 6) {
        if (m_buf.size() == 2 && b < 4) {  // LEN cannot even cover STX LEN ADDR ETX
          reset();
          ev.kind = HostEvent::BadFrame;
          return ev;
        }
        if (m_buf.size() >= 2 && m_buf.size() == static_cast<uint8_t>(m_buf[1])) {
          if (b != kEtx) {
            reset();
            ev.kind = HostEvent::BadFrame;
            return ev;
          }
          m_state = Check;
        }
      } else if (b == kEtx) {
        m_state = Check;
      }
      if (m_state == Body && m_buf.size() >= kMaxHostFrame) {
        reset();
        ev.kind = HostEvent::BadFrame;
      }
      return ev;
    case Check:
      return finish(b);
  }
  return ev;
}

HostEvent HostFrameParser::finish(unsigned char check) {
  HostEvent ev;
  std::string frame = std::move(m_buf);
  reset();
  if (checkByte(frame) != check) {
    ev.kind = HostEvent::BadFrame;
    return ev;
  }
  ev.kind = HostEvent::Frame;
  std::string_view inner(frame);
  inner = inner.substr(1, inner.size() - 2);  // between STX and ETX
  if (m_model == 6) {
    ev.addressed =
        inner.size() >= 2 && static_cast<uint8_t>(inner[1]) == static_cast<uint8_t>(m_clockNumber);
    if (ev.addressed) ev.command = std::string(inner.substr(2));
  } else if (m_model == 2) {
    ev.addressed = inner.substr(0, 2) == "E1";
    if (ev.addressed) ev.command = std::string(inner.substr(2));
  } else {
    ev.addressed =
        inner.size() >= 1 + m_id.size() && inner[0] == 'R' && inner.substr(1, m_id.size()) == m_id;
    if (ev.addressed) ev.command = std::string(inner.substr(1 + m_id.size()));
  }
  ev.frame = std::move(frame);
  return ev;
}

}  // namespace clocksim
