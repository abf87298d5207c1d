// A real FTP server for the shipping tests: pyftpdlib (Debian's, run with /usr/bin/python3) on
// 127.0.0.1 and a port the OS chose, serving a fresh temporary folder, with its debug log kept
// so a test can see every command the server received.
#pragma once

#include "testsupport/PeerProcess.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

class FtpServerFixture {
 public:
  struct Options {
    bool writable = true;  // -w: logged-in users may store files
    std::string user;      // -u/-P: this account only (no anonymous log-in)
    std::string password;
  };
  FtpServerFixture() : FtpServerFixture(Options{}) {}
  explicit FtpServerFixture(const Options& options);
  ~FtpServerFixture();

  bool started() const { return m_port != 0; }
  uint16_t port() const { return m_port; }
  // The served folder, with a trailing "/"; files a test puts there are seen by the server.
  const std::string& root() const { return m_root; }
  std::string fileAt(const std::string& relative) const { return readWholeFile(m_root + relative); }

  // The commands the server received, in order, as logged ("USER anonymous", "PASS ******").
  std::vector<std::string> commands() const;
  // How many received commands start with `verb`.
  int count(const std::string& verb) const;
  std::string log() const { return readWholeFile(m_log); }

 private:
  std::string m_dir;
  std::string m_root;
  std::string m_log;
  uint16_t m_port = 0;
  std::unique_ptr<PeerProcess> m_process;
};

}  // namespace apptest
