// A real rshd for the remote-command tests: in.rshd under tcpserver on 127.0.0.1 and a free
// port. Commands run as the locked test account veltatest, whose ~/.rhosts (made by the test
// step of scripts/test) trusts root and veltatest at localhost and 127.0.0.1.
#pragma once

#include "testsupport/PeerProcess.h"

#include <cstdint>
#include <memory>
#include <string>

namespace apptest {

class RshdFixture {
 public:
  RshdFixture();
  bool started() const { return m_port != 0; }
  uint16_t port() const { return m_port; }

 private:
  uint16_t m_port = 0;
  std::unique_ptr<PeerProcess> m_process;
};

// A temporary folder that the test account may read and enter (mode 0755), with a helper to
// put an executable script in it; removed with the object.
class SharedFolder {
 public:
  SharedFolder();
  ~SharedFolder();
  const std::string& path() const { return m_path; }  // with a trailing "/"
  void writeScript(const std::string& name, const std::string& text) const;

 private:
  std::string m_path;
};

}  // namespace apptest
