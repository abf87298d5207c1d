// A scratch folder per fuzz process, where each input becomes a store file.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

inline const std::string& fuzzScratchDir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/velta-fuzz-XXXXXX";
    const char* d = mkdtemp(tmpl);
    return std::string(d ? d : "/tmp") + "/";
  }();
  return dir;
}

// Writes the input as `name` in the scratch folder and returns its path.
inline std::string fuzzInputFile(const char* name, const uint8_t* data, size_t size) {
  const std::string path = fuzzScratchDir() + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  ::unlink((path + ".unreadable").c_str());
  return path;
}
