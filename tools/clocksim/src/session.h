// The clock's protocol engine for one link: turns the host's bytes into the clock's
// answers (acknowledgements, reply frames, repeats on NAK, the download and siren-list
// sequences, the serial gateway's "connect" reply) and applies the programming commands to
// the clock's state. Commands are dispatched through a per-model table.
#pragma once

#include "clock_state.h"
#include "faults.h"
#include "wire.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace clocksim {

class ClockSession {
 public:
  ClockSession(ClockState& state, const Options& options);
  void feed(std::string_view in, std::vector<Transmission>& out);
  void reset();  // the link was dropped or reopened

 private:
  using Handler = void (ClockSession::*)(std::string_view command, std::vector<Transmission>& out);
  static std::map<unsigned char, Handler> commandTable(int model);

  void onFrame(const HostEvent& ev, std::vector<Transmission>& out);
  void onAck(std::vector<Transmission>& out);
  void onNak(std::vector<Transmission>& out);
  void onLooseByte(unsigned char b, std::vector<Transmission>& out);
  enum class Sequence { None, Record, Siren };  // what an ACK of the pending frame moves on
  void sendFrame(std::string payload, Sequence seq, std::vector<Transmission>& out);
  void sendRecord(std::vector<Transmission>& out);
  void sendSiren(std::vector<Transmission>& out);
  std::string recordPayload(const Punch& p) const;

  // models 0-5
  void statusA(std::string_view, std::vector<Transmission>& out);
  void statusB(std::string_view, std::vector<Transmission>& out);
  void startDownload(std::string_view, std::vector<Transmission>& out);
  void clearPunches(std::string_view, std::vector<Transmission>& out);
  // programming, every model unless said
  void setDateTime(std::string_view cmd,
                   std::vector<Transmission>& out);  // models 0-5 "1...", model 6 0x05...
  void setNumber(std::string_view cmd, std::vector<Transmission>& out);
  void setCache(std::string_view cmd, std::vector<Transmission>& out);
  void lockAll(std::string_view, std::vector<Transmission>& out);
  void unlock(std::string_view, std::vector<Transmission>& out);
  void enableCard(std::string_view cmd, std::vector<Transmission>& out);
  void suspendCard(std::string_view cmd, std::vector<Transmission>& out);
  void sirenCommand(std::string_view cmd, std::vector<Transmission>& out);
  // model 6
  void statusTime6(std::string_view, std::vector<Transmission>& out);
  void statusCount6(std::string_view, std::vector<Transmission>& out);
  void nextRecord6(std::string_view, std::vector<Transmission>& out);
  void clearPunches6(std::string_view, std::vector<Transmission>& out);

  ClockState& m_state;
  Options m_options;
  std::map<unsigned char, Handler> m_commands;
  HostFrameParser m_parser;

  std::optional<std::string> m_pending;  // last reply frame, until the host acknowledges it
  Sequence m_pendingSequence = Sequence::None;
  struct Download {
    bool active = false;
    size_t index = 0;
    bool acked = false;  // model 6: the record at index was acknowledged
  } m_download;
  struct SirenList {
    bool active = false;
    size_t index = 0;
  } m_sirenList;

  bool m_gatewayConnected = false;
  std::string m_line;  // loose text, for the gateway's "connect" line
};

}  // namespace clocksim
