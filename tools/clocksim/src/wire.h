// Clock-side framing: the check byte, the clock's reply frames per model, and an
// incremental parser of the frames and control bytes the host sends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace clocksim {

constexpr unsigned char kStx = 0x02, kEtx = 0x03, kAck = 0x06, kNak = 0x15;

// XOR of every byte (the frame check byte when given STX through ETX).
uint8_t checkByte(std::string_view bytes);

// A reply frame as this clock sends it, check byte included. Models 0-5 send
// STX payload ETX; model 6 sends STX LEN ADDR payload ETX (payload starts with the code).
std::string replyFrame(int model, int clockNumber, std::string_view payload);

// Index of the first byte a fault may touch inside a reply frame (model 6 keeps LEN intact,
// so a damaged frame always fails its check byte instead of changing its length).
size_t firstBodyByte(int model);

struct HostEvent {
  enum Kind { None, Frame, BadFrame, Ack, Nak, Other } kind = None;
  bool addressed = false;  // Frame: addressed to this clock
  std::string frame;       // Frame: STX through ETX
  std::string command;     // Frame: the command text inside the framing
  unsigned char byte = 0;  // Other: the byte
};

// Splits the host's byte stream into frames (checked) and loose bytes.
class HostFrameParser {
 public:
  HostFrameParser(int model, int clockNumber);
  HostEvent feed(unsigned char b);
  void reset();
  void setClockNumber(int clockNumber);  // the clock was given a new number

 private:
  HostEvent finish(unsigned char check);

  int m_model;
  int m_clockNumber;
  std::string m_id;
  enum { Idle, Body, Check } m_state = Idle;
  std::string m_buf;
};

}  // namespace clocksim
