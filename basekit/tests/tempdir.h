// A fresh folder under /tmp for one test, removed afterwards.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

struct TempDir {
  TempDir() {
    std::string t = (std::filesystem::temp_directory_path() / "basekit-XXXXXX").string();
    path = mkdtemp(t.data());
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::string path;
};
