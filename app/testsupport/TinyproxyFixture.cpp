#include "testsupport/TinyproxyFixture.h"

#include <QDir>

#include <fstream>

namespace apptest {

TinyproxyFixture::TinyproxyFixture() {
  std::string tmpl = QDir::tempPath().toStdString() + "/velta-proxy-XXXXXX";
  if (!mkdtemp(tmpl.data())) return;
  m_dir = tmpl + "/";
  const std::string conf = m_dir + "tinyproxy.conf";
  // No ConnectPort line: CONNECT may reach any port (the FTP data ports change each time).
  m_process = startListening(
      "/usr/bin/tinyproxy",
      [&](uint16_t port) {
        std::ofstream(conf) << "Port " << port << "\nListen 127.0.0.1\nTimeout 60\n"
                            << "LogFile \"" << m_dir << "tinyproxy.log\"\nLogLevel Info\n"
                            << "MaxClients 20\nPidFile \"" << m_dir << "tinyproxy.pid\"\n"
                            << "Allow 127.0.0.1\nDisableViaHeader Yes\n";
        return QStringList{"-d", "-c", QString::fromStdString(conf)};
      },
      m_port);
}

TinyproxyFixture::~TinyproxyFixture() {
  m_process.reset();
  if (!m_dir.empty()) QDir(QString::fromStdString(m_dir)).removeRecursively();
}

}  // namespace apptest
