// SessionSink: what a remote-shell session tells its owner. The control
// implements it and turns every call into an event; a session without a sink
// raises nothing. Texts are bytes in the session's code page.
#pragma once

#include <cstdint>
#include <string_view>

namespace remcmd {

class SessionSink {
 public:
  virtual ~SessionSink() = default;
  // Handed over before every notification (the code page of its texts).
  virtual void setCodePage(uint32_t /*codePage*/) {}
  virtual void onConnected(int32_t code, std::string_view description) = 0;
  virtual void onConnectionStatus(std::string_view event, int32_t code,
                                  std::string_view description) = 0;
  virtual void onDisconnected(int32_t code, std::string_view description) = 0;
  virtual void onError(int32_t code, std::string_view text) = 0;
  virtual void onStdout(std::string_view text, bool eol) = 0;
  virtual void onStderr(std::string_view text, bool eol) = 0;
};

// Engine results beside 0 (success) and the Winsock codes 10004-11004.
namespace result {
constexpr int32_t kOk = 0;
constexpr int32_t kRemotePortBusy = 100;
constexpr int32_t kRemoteHostBusy = 101;
constexpr int32_t kInvalidAddress = 102;
constexpr int32_t kBusy = 104;
constexpr int32_t kLocalPortBusy = 106;
constexpr int32_t kMaxLineBusy = 112;
constexpr int32_t kInvalidPort = 116;
constexpr int32_t kFirewallRefused = 118;
constexpr int32_t kOutOfMemory = 200;
constexpr int32_t kWaitEnded = 301;
}  // namespace result

}  // namespace remcmd
