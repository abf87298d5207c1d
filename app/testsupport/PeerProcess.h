// A peer program (FTP server, rshd, proxy) that a test starts on 127.0.0.1 and that goes away
// with the object, plus the two port helpers the peers need. The peer's standard error (its
// log) goes to a file the test can read.
#pragma once

#include <QProcess>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace apptest {

// A TCP port of 127.0.0.1 that was free a moment ago (the OS chose it).
uint16_t freeLoopbackPort();
// True once something accepts connections on 127.0.0.1:port; false after `limitMs` (a hang
// guard, generous for a loaded machine).
bool waitListening(uint16_t port, int limitMs = 20000);

class PeerProcess {
 public:
  // Starts `program` with `args`; its standard error is appended to `logFile` ("" = dropped).
  PeerProcess(const QString& program, const QStringList& args, const std::string& logFile = "");
  ~PeerProcess();  // SIGTERM, then SIGKILL when it does not go
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  bool running() const { return m_process.state() != QProcess::NotRunning; }

 private:
  QProcess m_process;
};

// Starts a peer on a fresh free port (argv built by `argsFor(port)`) until one listens; a few
// tries cover the port being taken between the check and the start. Null when none came up.
std::unique_ptr<PeerProcess> startListening(const QString& program,
                                            const std::function<QStringList(uint16_t)>& argsFor,
                                            uint16_t& port, const std::string& logFile = "");

// The whole content of a file ("" when missing).
std::string readWholeFile(const std::string& path);

}  // namespace apptest
