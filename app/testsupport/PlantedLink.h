// A symbolic link planted in a data folder, naming a file in a folder of its own outside it:
// the fixture for tests that a writer never writes through a link. The target holds a few
// bytes, an unusual mode and (when the tests run as root) another owner; unchanged() checks
// that all of them, and the modification time, are as they were. A dangling link names a file
// that does not exist and must not come to exist.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

namespace apptest {

class PlantedLink {
 public:
  enum class Target { Existing, Missing };
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
  bool m_exists;
  struct stat m_before {};
};

}  // namespace apptest
