// Arbitrary bytes as the registry's key tree file: every key and value in it can be listed,
// and a value written into it leaves every key and value that was there as it was.
#include "fuzz_nosync.h"

#include <basekit/atomicfile.h>
#include <basekit/registry.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string& treeFile() {
  static const std::string path = [] {
    char t[] = "/tmp/fuzz_registry-XXXXXX";
    const char* d = mkdtemp(t);
    if (!d) std::abort();
    const std::string file = std::string(d) + "/registry.txt";
    ::setenv("VELTA_REGISTRY_FILE", file.c_str(), 1);
    return file;
  }();
  return path;
}

constexpr int32_t kRoots[] = {basekit::HKEY_CLASSES_ROOT, basekit::HKEY_CURRENT_USER,
                              basekit::HKEY_LOCAL_MACHINE, basekit::HKEY_USERS};

// Every key under each root, depth first, as "root|path" followed by its values.
void listKey(basekit::Registry& r, int32_t root, const std::string& path, int depth,
             std::vector<std::string>& out) {
  r.ClassKey(root);
  r.SectionKey(path);
  std::vector<std::array<std::string, 2>> values;
  int16_t count = 0;
  r.EnumerateValues(values, count);
  if (count != static_cast<int16_t>(values.size())) std::abort();
  out.push_back(std::to_string(root) + "|" + path);
  // The written key's values may change; everything else must stay.
  std::string lower = path;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (root != basekit::HKEY_LOCAL_MACHINE || lower != "software\\fuzz\\new")
    for (const auto& [name, data] : values) out.push_back("  " + name + "=" + data);
  std::vector<std::string> sections;
  r.EnumerateSections(sections, count);
  if (depth >= 8) return;  // deep trees cost time, not coverage
  for (const std::string& s : sections)
    if (s.find('\\') == std::string::npos && !s.empty())
      listKey(r, root, path.empty() ? s : path + "\\" + s, depth + 1, out);
}

std::vector<std::string> listTree() {
  basekit::Registry r;
  std::vector<std::string> out;
  for (int32_t root : kRoots) listKey(r, root, "", 0, out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = treeFile();
  if (!basekit::replaceFileAtomically(path, std::string(reinterpret_cast<const char*>(data), size)))
    std::abort();
  const std::vector<std::string> before = listTree();

  basekit::Registry r;
  r.ClassKey(basekit::HKEY_LOCAL_MACHINE);
  r.SectionKey("SOFTWARE\\Fuzz\\New");
  r.ValueKey("written");
  r.Default("\x01");
  try {
    r.Value("a=b%[c]\n;d");
  } catch (const basekit::RegistryError&) {
    std::abort();
  }
  // A write takes over a value of the same name in any letter case, which keeps its name.
  std::vector<std::array<std::string, 2>> values;
  int16_t count = 0;
  r.EnumerateValues(values, count);
  size_t written = 0;
  for (const auto& [name, value] : values)
    if (name.size() == 7 && ::strncasecmp(name.c_str(), "written", 7) == 0) {
      if (written++ == 0 && value != "a=b%[c]\n;d") std::abort();
    }
  if (written == 0 || !r.KeyExists()) std::abort();

  // What was there before comes back in the same order; only the new key and value are added.
  const std::vector<std::string> after = listTree();
  size_t j = 0;
  for (const std::string& line : before) {
    while (j < after.size() && after[j] != line) ++j;
    if (j == after.size()) std::abort();
    ++j;
  }
  return 0;
}
