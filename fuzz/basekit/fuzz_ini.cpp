// Arbitrary bytes as an INI file: reads never crash, and a rewrite of one key
// keeps every other line, in order.
#include <basekit/atomicfile.h>
#include <basekit/inifile.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> linesOf(std::string_view s) {
  std::vector<std::string> out;
  while (!s.empty()) {
    const auto lf = s.find('\n');
    const size_t n = lf == std::string_view::npos ? s.size() : lf + 1;
    std::string l(s.substr(0, n));
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
    out.push_back(l);
    s.remove_prefix(n);
  }
  return out;
}

// Every line of before except the one at index skip appears in now, in order.
bool keptInOrder(const std::vector<std::string>& before, const std::vector<std::string>& now,
                 size_t skip) {
  size_t j = 0;
  for (size_t i = 0; i < before.size(); ++i) {
    if (i == skip) continue;
    while (j < now.size() && now[j] != before[i]) ++j;
    if (j == now.size()) return false;
    ++j;
  }
  return true;
}

const std::string& folder() {
  static const std::string dir = [] {
    char t[] = "/tmp/fuzz_ini-XXXXXX";
    const char* d = mkdtemp(t);
    if (!d) std::abort();
    return std::string(d);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string path = folder() + "/f.ini";
  if (!basekit::replaceFileAtomically(path, input)) std::abort();

  basekit::IniDocument doc = basekit::IniDocument::load(path);
  std::string v;
  for (const char* s : {"COMMON", "S", "", "a"})
    for (const char* k : {"Key", "k", "", "a"}) doc.read(s, k, v);

  // Rewrite one key; the line it replaced (if any) is the only one allowed to go.
  if (!doc.set("S", "k", "new value") || !doc.save()) std::abort();
  std::string after;
  if (!basekit::readWholeFile(path, after)) std::abort();
  if (basekit::IniDocument::load(path).get("S", "k", "") != "new value") std::abort();

  std::string_view body(input);
  if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  std::string_view afterBody(after);
  if (afterBody.substr(0, 3) == "\xEF\xBB\xBF") afterBody.remove_prefix(3);
  const auto before = linesOf(body);
  const auto now = linesOf(afterBody);
  if (!keptInOrder(before, now, before.size())) {
    bool found = false;
    for (size_t i = 0; i < before.size() && !found; ++i) found = keptInOrder(before, now, i);
    if (!found) std::abort();
  }
  return 0;
}
