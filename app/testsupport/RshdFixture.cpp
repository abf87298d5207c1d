#include "testsupport/RshdFixture.h"

#include <QDir>

#include <fstream>
#include <sys/stat.h>

namespace apptest {

RshdFixture::RshdFixture() {
  // -R: no ident lookups (nothing answers them here); -H: no host-name lookups.
  m_process = startListening(
      "/usr/bin/tcpserver",
      [](uint16_t port) {
        return QStringList{"-R", "-H", "127.0.0.1", QString::number(port), "/usr/sbin/in.rshd"};
      },
      m_port);
}

SharedFolder::SharedFolder() {
  std::string tmpl = "/tmp/velta-shared-XXXXXX";
  if (!mkdtemp(tmpl.data())) return;
  ::chmod(tmpl.c_str(), 0755);
  m_path = tmpl + "/";
}

SharedFolder::~SharedFolder() {
  if (!m_path.empty()) QDir(QString::fromStdString(m_path)).removeRecursively();
}

void SharedFolder::writeScript(const std::string& name, const std::string& text) const {
  const std::string file = m_path + name;
  std::ofstream(file) << text;
  ::chmod(file.c_str(), 0755);
}

}  // namespace apptest
