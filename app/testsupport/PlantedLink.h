// A symbolic link planted in a data folder, naming a file in a folder of its own outside it:
// the fixture for tests that a writer never writes through a link. The target holds a few
// bytes, an unusual mode and (when the tests run as root) another owner; unchanged() checks
// that all of them, and the modification time, are as they were. A dangling link names a file
// that does not exist and must not come to exist. A second name is a hard link: the data
// file's name is a second name of the outside file (same file system: both live under the
// temp folder).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace apptest {

class PlantedLink {
 public:
  enum class Target { Existing, Missing, SecondName };
  // The three kinds, for tables that try each.
  static constexpr Target kKinds[] = {Target::Existing, Target::Missing, Target::SecondName};
  // A name for traces: "link", "dangling link", "second name".
  static const char* kindName(Target target);
  PlantedLink(const std::string& linkPath, Target target = Target::Existing);
  ~PlantedLink();  // removes the link and the outside folder
  PlantedLink(const PlantedLink&) = delete;
  PlantedLink& operator=(const PlantedLink&) = delete;

  const std::string& link() const { return m_link; }
  const std::string& target() const { return m_target; }
  ::testing::AssertionResult unchanged() const;

  static constexpr const char* kBytes = "outside file\r\n";

 private:
  std::string m_link;
  std::string m_outside;
  std::string m_target;
  Target m_kind;
  bool m_exists;
  struct stat m_before {};
};

}  // namespace apptest
