// An HTTP proxy (tinyproxy, CONNECT allowed to any port) on 127.0.0.1 for the tests that
// ship through a proxy; its log tells whether the traffic went through it.
#pragma once

#include "testsupport/PeerProcess.h"

#include <cstdint>
#include <memory>
#include <string>

namespace apptest {

class TinyproxyFixture {
 public:
  TinyproxyFixture();
  ~TinyproxyFixture();
  bool started() const { return m_port != 0; }
  uint16_t port() const { return m_port; }
  std::string log() const { return readWholeFile(m_dir + "tinyproxy.log"); }

 private:
  std::string m_dir;
  uint16_t m_port = 0;
  std::unique_ptr<PeerProcess> m_process;
};

}  // namespace apptest
