#include "testsupport/AppTestSupport.h"

#include "core/ClsAuditoria.h"
#include "core/ClsCfgFile.h"
#include "core/ClsListaRelojes.h"
#include "core/ClsUsers.h"
#include "core/Globals.h"

#include <clocklink/ClsMirsol.h>
#include <clocklink/ClsModem.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace apptest {
namespace {

QCoreApplication* gApp = nullptr;
ApplicationFactory gFactory = nullptr;
const TempDataFolder* gFolder = nullptr;  // the fixture alive now

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ensureApplication(); }
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

void ensureApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "velta-test";
  static char* argv[] = {name, nullptr};
  gApp = gFactory ? gFactory(argc, argv) : new QCoreApplication(argc, argv);
}

void setApplicationFactory(ApplicationFactory factory) { gFactory = factory; }

void resetProgramObjects() {
  if (ProgramObjects* o = ProgramObjects::current()) o->release();
  if (gFolder && ProgramObjects::current()) *gDataFolder = gFolder->path();
}

TempDataFolder::TempDataFolder() {
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd)) m_previous = cwd;
  std::string tmpl = QDir::tempPath().toStdString() + "/velta-data-XXXXXX";
  if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
  m_path = tmpl + "/";
  if (chdir(tmpl.c_str()) != 0) ADD_FAILURE() << "chdir failed";
  // The owner is new, so everything else starts afresh.
  *gDataFolder = m_path;
  gFolder = this;
}

ProgramObjects& objects() { return ProgramObjects::live(); }

TempDataFolder::~TempDataFolder() {
  // Everything goes before the folder does; the owner's end is the last of it.
  if (gFolder == this) gFolder = nullptr;
  m_objects.release();
  if (!m_previous.empty() && chdir(m_previous.c_str()) != 0) ADD_FAILURE() << "chdir back failed";
  QDir(QString::fromStdString(m_path)).removeRecursively();
}

void TempDataFolder::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TempDataFolder::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TempDataFolder::exists(const std::string& name) const {
  return QFileInfo::exists(QString::fromStdString(file(name)));
}

std::vector<std::string> linesOf(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    out.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

}  // namespace apptest
