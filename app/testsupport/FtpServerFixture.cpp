#include "testsupport/FtpServerFixture.h"

#include <QDir>
#include <QThread>

#include <chrono>
#include <sstream>

namespace apptest {

FtpServerFixture::FtpServerFixture(const Options& options) {
  std::string tmpl = QDir::tempPath().toStdString() + "/velta-ftp-XXXXXX";
  if (!mkdtemp(tmpl.data())) return;
  m_dir = tmpl + "/";
  m_root = m_dir + "root/";
  m_log = m_dir + "ftpd.log";
  QDir().mkpath(QString::fromStdString(m_root));

  // Port 0: the server takes a free one and names it in its log, so no other program can
  // take it between a check and the start.
  QStringList args{
      "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", "0", "-d", QString::fromStdString(m_root), "-D"};
  if (options.writable) args << "-w";
  if (!options.user.empty())
    args << "-u" << QString::fromStdString(options.user) << "-P"
         << QString::fromStdString(options.password);
  m_process = std::make_unique<PeerProcess>("/usr/bin/python3", args, m_log);

  const std::string marker = "starting FTP server on 127.0.0.1:";
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (m_process->running() && std::chrono::steady_clock::now() < end) {
    const std::string text = log();
    const auto at = text.find(marker);
    if (at != std::string::npos) {
      m_port = static_cast<uint16_t>(std::stoi(text.substr(at + marker.size())));
      break;
    }
    QThread::msleep(20);
  }
}

FtpServerFixture::~FtpServerFixture() {
  m_process.reset();
  if (!m_dir.empty()) QDir(QString::fromStdString(m_dir)).removeRecursively();
}

std::vector<std::string> FtpServerFixture::commands() const {
  std::vector<std::string> out;
  std::istringstream in(log());
  std::string line;
  const std::string arrow = "] <- ";
  while (std::getline(in, line)) {
    const auto at = line.find(arrow);
    if (at != std::string::npos) out.push_back(line.substr(at + arrow.size()));
  }
  return out;
}

int FtpServerFixture::count(const std::string& verb) const {
  int n = 0;
  for (const std::string& c : commands())
    if (c.compare(0, verb.size(), verb) == 0) ++n;
  return n;
}

}  // namespace apptest
