// Firewall replies: a session negotiating with a tunnel, SOCKS4 or SOCKS5
// firewall is fed arbitrary reply bytes in arbitrary pieces.
#include "TcpSession.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

namespace {
class NullSink : public remcmd::SessionSink {
 public:
  void onConnected(int32_t, std::string_view) override {}
  void onConnectionStatus(std::string_view, int32_t, std::string_view) override {}
  void onDisconnected(int32_t, std::string_view) override {}
  void onError(int32_t, std::string_view) override {}
  void onStdout(std::string_view, bool) override {}
  void onStderr(std::string_view, bool) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  NullSink sink;
  auto session = remcmd::TcpSession::create();
  session->setSink(&sink);
  const auto type = static_cast<remcmd::FirewallType>(1 + data[0] % 3);
  remcmd::FirewallLayer& fw = session->firewall();
  fw.setType(type);
  // Names only where no look-up happens on this side (SOCKS5 "*name").
  session->setRemoteHost(type == remcmd::FirewallType::Socks5 && (data[0] & 4) ? "*example.org"
                                                                               : "127.0.0.1");
  session->setRemotePort(514);
  fw.setUser("user");
  fw.setPassword(data[0] & 8 ? "secret" : "");
  fw.connected(0);  // no socket: requests go nowhere, replies are still judged
  size_t at = 2;
  const size_t step = 1 + data[1] % 16;
  while (at < size && fw.negotiating()) {
    const size_t n = std::min(step, size - at);
    fw.dataIn(reinterpret_cast<const char*>(data + at), static_cast<uint32_t>(n), false);
    at += n;
  }
  session->detach();
  return 0;
}
