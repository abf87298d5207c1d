// A TCP listener on 127.0.0.1 that never accepts: the kernel completes a client's connection
// into the backlog and nothing ever answers. The peer of the tests where a server stays silent
// (no greeting, no reply) until the client gives up or is cancelled.
#pragma once

#include <cstdint>

namespace apptest {

class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  uint16_t port() const { return m_port; }  // 0 when no socket could be made
  // True once a client's connection waits in the backlog.
  bool connectionWaiting() const;

 private:
  int m_fd = -1;
  uint16_t m_port = 0;
};

}  // namespace apptest
