#include "testsupport/PlantedLink.h"

#include <QDir>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace apptest {

namespace {
// Not the test's own user: a writer that handed the file to its writer would show.
constexpr uid_t kOtherOwner = 4242;
constexpr gid_t kOtherGroup = 4243;
constexpr mode_t kMode = 0604;

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
}  // namespace

const char* PlantedLink::kindName(Target target) {
  switch (target) {
    case Target::Existing:
      return "link";
    case Target::Missing:
      return "dangling link";
    case Target::SecondName:
      return "second name";
  }
  return "";
}

PlantedLink::PlantedLink(const std::string& linkPath, Target target)
    : m_link(linkPath), m_kind(target), m_exists(target != Target::Missing) {
  std::string tmpl = QDir::tempPath().toStdString() + "/velta-outside-XXXXXX";
  if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
  m_outside = tmpl;
  m_target = m_outside + "/system-file";
  if (m_exists) {
    std::ofstream(m_target, std::ios::binary) << kBytes;
    ::chmod(m_target.c_str(), kMode);
    if (::geteuid() == 0 && ::chown(m_target.c_str(), kOtherOwner, kOtherGroup) != 0)
      ADD_FAILURE() << "chown failed";
    // A modification time in the past, so that a write now shows even within the same tick.
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, m_target.c_str(), times, 0);
    ::stat(m_target.c_str(), &m_before);
  }
  std::error_code ignored;
  std::filesystem::remove(m_link, ignored);
  if (m_kind == Target::SecondName) {
    if (::link(m_target.c_str(), m_link.c_str()) != 0) ADD_FAILURE() << "link failed";
    ::stat(m_target.c_str(), &m_before);  // the count of names is now 2
  } else if (::symlink(m_target.c_str(), m_link.c_str()) != 0) {
    ADD_FAILURE() << "symlink failed";
  }
}

PlantedLink::~PlantedLink() {
  std::error_code ignored;
  std::filesystem::remove(m_link, ignored);
  std::filesystem::remove_all(m_outside, ignored);
}

::testing::AssertionResult PlantedLink::unchanged() const {
  struct stat l {};
  const bool stands =
      ::lstat(m_link.c_str(), &l) == 0 &&
      (m_kind == Target::SecondName ? S_ISREG(l.st_mode) && l.st_ino == m_before.st_ino
                                    : S_ISLNK(l.st_mode));
  if (!stands) return ::testing::AssertionFailure() << m_link << " is no longer the link";
  struct stat now {};
  const bool present = ::stat(m_target.c_str(), &now) == 0;
  if (!m_exists) {
    if (present) return ::testing::AssertionFailure() << "the link's target was created";
    return ::testing::AssertionSuccess();
  }
  if (!present) return ::testing::AssertionFailure() << "the link's target is gone";
  if (contents(m_target) != kBytes)
    return ::testing::AssertionFailure() << "the target now holds '" << contents(m_target) << "'";
  if (now.st_ino != m_before.st_ino)
    return ::testing::AssertionFailure() << "the target was replaced";
  if ((now.st_mode & 07777) != (m_before.st_mode & 07777))
    return ::testing::AssertionFailure() << "mode now " << std::oct << (now.st_mode & 07777);
  if (now.st_uid != m_before.st_uid || now.st_gid != m_before.st_gid)
    return ::testing::AssertionFailure() << "owner now " << now.st_uid << ":" << now.st_gid;
  if (now.st_size != m_before.st_size)
    return ::testing::AssertionFailure() << "size now " << now.st_size;
  if (now.st_mtim.tv_sec != m_before.st_mtim.tv_sec ||
      now.st_mtim.tv_nsec != m_before.st_mtim.tv_nsec)
    return ::testing::AssertionFailure() << "the target was written (modification time changed)";
  return ::testing::AssertionSuccess();
}

}  // namespace apptest
