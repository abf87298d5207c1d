#include "clocklink/Tornikel.h"

#include "ReadAll.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace clocklink {
namespace {

constexpr size_t kBufferSize = 255;

std::string trimBlanks(const std::string& s) {
  auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Whole decimal number, or -1.
long number(const std::string& s) {
  if (s.empty() || s.size() > 6) return -1;
  long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

bool readDefinitions(std::vector<ModemDefinition>& out) {
  // A handful of modems of a few lines each; a larger file is no definitions file.
  constexpr size_t kMaxDefinitionsBytes = 1024 * 1024;
  std::string text;
  if (clocklink::readAll(modemDefinitionsPath(), text, kMaxDefinitionsBytes) !=
      clocklink::ReadResult::Read)
    return false;
  out = parseModemDefinitions(text);
  return true;
}

const ModemDefinition* find(const std::vector<ModemDefinition>& defs, const std::string& driver) {
  const std::string want = upper(trimBlanks(driver));
  if (want.empty()) return nullptr;
  for (const auto& d : defs)
    if (upper(d.name) == want) return &d;
  return nullptr;
}

long toBuffer(std::string& buffer, const std::string& text) {
  buffer.assign(kBufferSize, ' ');
  size_t n = std::min(text.size(), kBufferSize - 1);
  buffer.replace(0, n, text, 0, n);
  buffer[n] = '\0';
  return static_cast<long>(n);
}

}  // namespace

std::vector<ModemDefinition> parseModemDefinitions(const std::string& text) {
  std::vector<ModemDefinition> defs;
  std::istringstream in(text);
  std::string line;
  ModemDefinition* cur = nullptr;
  bool skipping = false;  // a repeated modem name: the first definition wins
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string t = trimBlanks(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t[0] == '[') {
      auto close = t.find(']');
      std::string name =
          trimBlanks(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      cur = nullptr;
      skipping = name.empty() || find(defs, name) != nullptr;
      if (!skipping) {
        defs.push_back({});
        defs.back().name = name;
        cur = &defs.back();
      }
      continue;
    }
    if (!cur || skipping) continue;
    auto eq = t.find('=');
    if (eq == std::string::npos) continue;
    std::string key = upper(trimBlanks(t.substr(0, eq)));
    std::string value = trimBlanks(t.substr(eq + 1));
    if (key == "COM") {
      if (cur->com == 0) {
        long v = number(value);
        cur->com = v >= 1 && v <= 255 ? static_cast<int>(v) : 0;
      }
    } else if (key == "INIT") {
      if (!cur->hasInit) {
        cur->hasInit = true;
        cur->init = value;
      }
    } else if (key.rfind("COMMAND", 0) == 0) {
      long n = number(key.substr(7));
      if (n < 0) continue;
      bool seen = false;
      for (const auto& c : cur->commands) seen = seen || c.first == n;
      if (!seen) cur->commands.emplace_back(static_cast<int>(n), value);
    }
  }
  return defs;
}

std::string modemDefinitionsPath() {
  if (const char* p = std::getenv("VELTA_MODEMS"); p && *p) return p;
  return "MODEMS.INI";  // relative: the data folder is the working directory
}

namespace tornikel {

long GetModemCount() {
  std::vector<ModemDefinition> defs;
  if (!readDefinitions(defs)) return -1;
  return static_cast<long>(defs.size());
}

long GetModemName(std::string& buffer, int index) {
  std::vector<ModemDefinition> defs;
  if (!readDefinitions(defs) || index < 0 || static_cast<size_t>(index) >= defs.size()) return -1;
  return toBuffer(buffer, defs[static_cast<size_t>(index)].name);
}

long GetModemCommand(std::string& buffer, const std::string& driver, int command) {
  std::vector<ModemDefinition> defs;
  if (!readDefinitions(defs)) return -1;
  const ModemDefinition* d = find(defs, driver);
  if (!d) return -1;
  if (command == 3) {
    if (!d->hasInit) return -1;
    return toBuffer(buffer, d->init);
  }
  for (const auto& c : d->commands)
    if (c.first == command) return toBuffer(buffer, c.second);
  return -1;
}

long GetModemInitString(std::string& buffer, const std::string& driver, int command) {
  return GetModemCommand(buffer, driver, command);
}

long GetModemCom(const std::string& driver) {
  std::vector<ModemDefinition> defs;
  if (!readDefinitions(defs)) return 0;
  const ModemDefinition* d = find(defs, driver);
  return d ? d->com : 0;
}

}  // namespace tornikel
}  // namespace clocklink
