#include "testsupport/PeerProcess.h"

#include <QThread>

#include <arpa/inet.h>
#include <chrono>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace apptest {

namespace {
sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}
}  // namespace

uint16_t freeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in a = loopback(0);
  socklen_t len = sizeof a;
  uint16_t port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

bool waitListening(uint16_t port, int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (std::chrono::steady_clock::now() < end) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in a = loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    if (ok) return true;
    QThread::msleep(20);
  }
  return false;
}

PeerProcess::PeerProcess(const QString& program, const QStringList& args,
                         const std::string& logFile) {
  m_process.setStandardOutputFile(QProcess::nullDevice());
  m_process.setStandardErrorFile(
      logFile.empty() ? QProcess::nullDevice() : QString::fromStdString(logFile),
      QIODevice::Append);
  m_process.start(program, args);
  m_process.waitForStarted(20000);
}

PeerProcess::~PeerProcess() {
  if (m_process.state() == QProcess::NotRunning) return;
  m_process.terminate();
  if (!m_process.waitForFinished(10000)) {
    m_process.kill();
    m_process.waitForFinished(10000);
  }
}

std::unique_ptr<PeerProcess> startListening(const QString& program,
                                            const std::function<QStringList(uint16_t)>& argsFor,
                                            uint16_t& port, const std::string& logFile) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    port = freeLoopbackPort();
    auto p = std::make_unique<PeerProcess>(program, argsFor(port), logFile);
    if (p->running() && waitListening(port)) return p;
  }
  port = 0;
  return nullptr;
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace apptest
