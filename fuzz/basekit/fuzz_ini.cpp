// Arbitrary bytes as an INI file: reads never crash, and a rewrite of one key
// keeps every other line, in order, in the file's own encoding (or, for a UTF-16
// file that would not come back as it was, is refused and leaves the file alone).
#include <basekit/atomicfile.h>
#include <basekit/codepage.h>
#include <basekit/inifile.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view kUtf16Bom = "\xFF\xFE";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The file's text without its byte-order mark, as UTF-8 when it was UTF-16.
std::string textOf(std::string_view raw) {
  if (raw.substr(0, 2) == kUtf16Bom) {
    std::string utf8;
    basekit::utf16LeToUtf8(raw.substr(2), utf8);
    return utf8;
  }
  if (raw.substr(0, 3) == kUtf8Bom) raw.remove_prefix(3);
  return std::string(raw);
}

// Lines without their ends; LF, CR LF and a lone CR end a line.
std::vector<std::string> linesOf(std::string_view s) {
  std::vector<std::string> out;
  while (!s.empty()) {
    const auto brk = s.find_first_of("\r\n");
    if (brk == std::string_view::npos) {
      out.emplace_back(s);
      break;
    }
    out.emplace_back(s.substr(0, brk));
    s.remove_prefix(brk + (s.substr(brk, 2) == "\r\n" ? 2 : 1));
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
  if (!doc.set("S", "k", "new value")) std::abort();
  const bool saved = doc.save();
  std::string after;
  if (!basekit::readWholeFile(path, after)) std::abort();
  if (!saved) {
    if (input.substr(0, 2) != kUtf16Bom || after != input) std::abort();
    return 0;
  }
  if (basekit::IniDocument::load(path).get("S", "k", "") != "new value") std::abort();
  // The encoding stays: a UTF-16 file is never given single-byte lines.
  if ((input.substr(0, 2) == kUtf16Bom) != (after.substr(0, 2) == kUtf16Bom)) std::abort();

  const auto before = linesOf(textOf(input));
  const auto now = linesOf(textOf(after));
  if (!keptInOrder(before, now, before.size())) {
    bool found = false;
    for (size_t i = 0; i < before.size() && !found; ++i) found = keptInOrder(before, now, i);
    if (!found) std::abort();
  }
  return 0;
}
