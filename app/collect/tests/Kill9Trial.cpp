#include "collect/tests/Kill9Trial.h"

#include "core/ClsListaRelojes.h"
#include "core/Globals.h"
#include "core/ProgramObjects.h"
#include "core/StoreWriters.h"

#include <clocksim/simulator.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kill9 {

namespace {

constexpr size_t kPunches = 300;

std::string keyOf(long card, int month, int day, int hour, int minute, int reader) {
  char b[64];
  std::snprintf(b, sizeof b, "%ld %02d/%02d %02d:%02d %02d", card, month, day, hour, minute,
                reader);
  return b;
}

std::string keyOf(const clocksim::Punch& p) {
  return keyOf(std::stol(p.card), p.month, p.day, p.hour, p.minute, p.reader);
}

// The punch a line stands for: "CCCCCCC dd/mm/yyyy hh:mm 01 rr" and nothing else.
std::optional<std::string> keyOfLine(const std::string& line) {
  long card = 0;
  int day = 0, month = 0, year = 0, hour = 0, minute = 0, clock = 0, reader = 0, used = 0;
  if (line.size() != 30 ||
      std::sscanf(line.c_str(), "%7ld %2d/%2d/%4d %2d:%2d %2d %2d%n", &card, &day, &month, &year,
                  &hour, &minute, &clock, &reader, &used) != 8 ||
      used != 30 || clock != 1)
    return std::nullopt;
  return keyOf(card, month, day, hour, minute, reader);
}

struct FileLines {
  std::vector<std::string> lines;  // complete lines
  bool torn = false;               // the file ends inside a line
};

FileLines readLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  FileLines out;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      out.torn = true;
      break;
    }
    out.lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

std::set<std::string> keysOf(const std::vector<clocksim::Punch>& punches) {
  std::set<std::string> keys;
  for (const auto& p : punches) keys.insert(keyOf(p));
  return keys;
}

// Runs the child with `env` added to its environment; SIGKILLs it as soon as killNow (asked
// every few milliseconds with the time since the start) says so, if it is still running.
// The exit status, or -1 when it had to be stopped for taking far too long.
int runChild(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::string>& env,
             const std::function<bool(std::chrono::milliseconds)>& killNow) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int err = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) return -1;
  const auto start = std::chrono::steady_clock::now();
  const auto giveUp = start + std::chrono::seconds(120);  // a hung child, not a slow one
  int status = 0;
  while (true) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    const auto now = std::chrono::steady_clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
    if ((killNow && killNow(elapsed)) || now >= giveUp) {
      ::kill(pid, SIGKILL);  // not reaped yet, so the id is still this child's
      ::waitpid(pid, &status, 0);
      if (now >= giveUp) return -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A fresh folder of its own under /tmp; "" and the failure set when none could be made.
std::string makeFolder(TrialResult& result) {
  char tmpl[] = "/tmp/velta-kill9-XXXXXX";
  if (::mkdtemp(tmpl)) return tmpl;
  result.failure = "no temporary folder";
  return {};
}

// The whole-pass trial: what each clock holds, where its punches go, how long a pass runs.
constexpr size_t kPassPunches = 120;
constexpr int kSerialCom = 7;       // the pseudo-terminal clock's COM port
constexpr int kPassSpanMs = 8500;   // a whole pass takes about 8.1 s here
constexpr int kWindowSpanMs = 600;  // a download-to-clearing span takes about 0.5 s here

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every file of the folder with its bytes.
std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.is_regular_file()) files[e.path().filename().string()] = readBytes(e.path().string());
  return files;
}

// Writes VELTA.INI and the clock store of a pass over the two clocks. The store writers work
// in gDataFolder, whose owner trials running side by side must take turns to make.
void writePassStores(const std::string& folder, uint16_t tcpPort) {
  static std::mutex turn;
  std::lock_guard<std::mutex> lock(turn);
  ProgramObjects objects;
  *gDataFolder = folder + "/";
  std::ofstream(*gDataFolder + "VELTA.INI", std::ios::binary)
      << "[COMMON]\r\nTIMEOUT=3\r\nLONGTARJETA=7\r\nBACKUP=1\r\n";
  stores::ClockSpec network, serial;
  network.slot = 1;
  network.description = "Red";
  network.port = tcpPort;
  network.file = "R1.MIR";
  serial.slot = 2;
  serial.description = "Serie";
  serial.interface = 0;
  serial.comPort = "COM" + std::to_string(kSerialCom);
  serial.file = "R2.MIR";
  stores::writeClocks({network, serial});
  ClsListaRelojes store;
  store.Iniciar(*gDataFolder + "velta002.dat");
  (void)store.CargarRelojes();
  for (int16_t slot : {1, 2}) {
    store.GetCurData(slot);
    store.M_Borrar = 1;
    if (slot == 2) {  // a serial clock carries no network address
      store.m_IP.clear();
      store.m_PortLocal = 0;
      store.m_PortRemoto = 0;
    }
    store.SetCurData(slot);
  }
  (void)store.GrabarRelojes();
}

// The clock has been asked for its punches ("0" after the address, as the clock sees it).
bool downloadStarted(const clocksim::Simulator& sim) {
  for (const std::string& f : sim.receivedFrames())
    if (f.size() >= 3 && f.size() <= 8 && f[f.size() - 2] == '0') return true;
  return false;
}

}  // namespace

TrialResult runPassTrial(const std::string& childProgram, uint32_t seed) {
  TrialResult result;
  const std::string folder = makeFolder(result);
  if (folder.empty()) return result;
  clocksim::Simulator tcp, serial;
  clocksim::Simulator* clocks[] = {&tcp, &serial};
  const char* outputs[] = {"R1.MIR", "R2.MIR"};
  tcp.generatePunches(kPassPunches, seed);
  serial.generatePunches(kPassPunches, seed + 0x10000);
  const std::vector<clocksim::Punch> original[] = {tcp.punches(), serial.punches()};
  writePassStores(folder, tcp.listenTcp());
  const std::vector<std::string> env = {"VELTA_COM" + std::to_string(kSerialCom) + "=" +
                                        serial.openPty()};
  const std::map<std::string, std::string> stores = snapshot(folder);

  std::mt19937 rng(seed);
  std::function<bool(std::chrono::milliseconds)> killNow;
  std::string how;
  if (rng() % 2 == 0) {
    const auto delay = std::chrono::milliseconds(rng() % kPassSpanMs);
    how = "after " + std::to_string(delay.count()) + " ms";
    killNow = [delay](std::chrono::milliseconds elapsed) { return elapsed >= delay; };
  } else {
    const size_t which = rng() % 2;
    const auto delay = std::chrono::milliseconds(rng() % kWindowSpanMs);
    how = std::to_string(delay.count()) + " ms into clock " + std::to_string(which + 1) +
          "'s download";
    clocksim::Simulator& sim = *clocks[which];
    std::optional<std::chrono::milliseconds> started;
    killNow = [&sim, delay, started](std::chrono::milliseconds elapsed) mutable {
      if (!started && downloadStarted(sim)) started = elapsed;
      return started && (elapsed - *started >= delay || sim.clearCount() > 0);
    };
  }
  const std::string trial = "seed " + std::to_string(seed) + ", killed " + how + ": ";
  auto fail = [&](const std::string& what) {
    if (result.failure.empty()) result.failure = trial + what;
  };

  // Stores and settings are never written by a pass; text files end whole but for a last
  // line the kill cut.
  auto checkFiles = [&](bool afterKill, std::set<std::string>& tornAtKill) {
    for (const auto& [name, bytes] : snapshot(folder)) {
      const auto before = stores.find(name);
      if (before != stores.end()) {
        if (before->second != bytes) {
          ++result.tornFiles;
          fail(name + " changed");
        }
        continue;
      }
      if (readLines(folder + "/" + name).torn) {
        if (afterKill) {
          tornAtKill.insert(name);
        } else {
          ++result.tornFiles;
          fail(name + " ends inside a line after the next pass");
        }
      }
    }
  };
  // The punches of clock `c` in its output and the error file.
  auto writtenBy = [&](size_t c, size_t* unparsed) {
    std::set<std::string> keys;
    for (const char* name : {outputs[c], "ERRORES.TXT"})
      for (const std::string& line : readLines(folder + "/" + name).lines) {
        const auto key = keyOfLine(line);
        if (key)
          keys.insert(*key);
        else if (unparsed && name == outputs[c])
          ++*unparsed;
      }
    return keys;
  };

  runChild(childProgram, {"--pass", folder}, env, killNow);
  std::set<std::string> tornAtKill;
  checkFiles(true, tornAtKill);
  for (size_t c = 0; c < 2; ++c) {
    const std::set<std::string> written = writtenBy(c, nullptr);
    const std::set<std::string> onClock = keysOf(clocks[c]->punches());
    for (const auto& p : original[c]) {
      const std::string key = keyOf(p);
      if (!written.count(key) && !onClock.count(key)) {
        ++result.lost;
        fail("clock " + std::to_string(c + 1) + " lost " + key);
      }
    }
  }

  // The next pass collects what was left, empties both clocks and mends a cut last line.
  const int rc = runChild(childProgram, {"--pass", folder}, env, nullptr);
  if (rc != 0) fail("the next pass ended with " + std::to_string(rc));
  std::set<std::string> unusedTorn;
  checkFiles(false, unusedTorn);
  size_t lostAtEnd = 0;
  for (size_t c = 0; c < 2; ++c) {
    if (!clocks[c]->punches().empty())
      fail("the next pass left punches on clock " + std::to_string(c + 1));
    size_t unparsed = 0;
    const std::set<std::string> written = writtenBy(c, &unparsed);
    // The cut line of the kill, ended by the next pass, is the only one allowed not to parse.
    if (unparsed > (tornAtKill.count(outputs[c]) ? 1u : 0u)) {
      ++result.tornFiles;
      fail(std::string("a broken line in the middle of ") + outputs[c]);
    }
    for (const auto& p : original[c])
      if (!written.count(keyOf(p))) ++lostAtEnd;
  }
  if (lostAtEnd > 0) fail(std::to_string(lostAtEnd) + " punches missing after the next pass");
  result.lost = std::max(result.lost, lostAtEnd);
  result.passed = result.failure.empty();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return result;
}

TrialResult runTrial(const std::string& childProgram, uint32_t seed) {
  TrialResult result;
  const std::string folder = makeFolder(result);
  if (folder.empty()) return result;
  const std::string file = folder + "/REGIS.MIR";

  clocksim::Simulator sim;
  sim.generatePunches(kPunches, seed);
  const std::vector<clocksim::Punch> original = sim.punches();
  const std::string port = std::to_string(sim.listenTcp());

  std::mt19937 rng(seed);
  std::vector<std::string> args = {folder, port};
  std::optional<std::chrono::milliseconds> delay;
  if (rng() % 2 == 0) {
    static const char* const steps[] = {"fetched", "written", "written", "synced", "recounted"};
    const std::string step = steps[rng() % 5];
    const bool counted = step == "fetched" || step == "written";
    args.push_back(step);
    args.push_back(std::to_string(counted ? 1 + rng() % kPunches : 0));
  } else {
    delay = std::chrono::milliseconds(rng() % 3000);
  }
  const std::string how =
      delay ? "after " + std::to_string(delay->count()) + " ms" : "at " + args[2] + " " + args[3];

  // After the kill: every punch is written or still on the clock; lines are whole but for
  // a lone torn last one.
  runChild(childProgram, args, {},
           [&](std::chrono::milliseconds elapsed) { return delay && elapsed >= *delay; });
  const FileLines afterKill = readLines(file);
  std::set<std::string> written;
  for (const std::string& line : afterKill.lines) {
    const auto key = keyOfLine(line);
    if (!key) {
      result.failure = "killed " + how + ": a line that does not parse: " + line;
      break;
    }
    written.insert(*key);
  }
  const std::set<std::string> onClock = keysOf(sim.punches());
  for (const auto& p : original) {
    const std::string key = keyOf(p);
    if (!written.count(key) && !onClock.count(key)) {
      ++result.lost;
      if (result.failure.empty()) result.failure = "killed " + how + ": lost " + key;
    }
  }

  // The next pass collects what was left and empties the clock.
  const int rc = runChild(childProgram, {folder, port}, {}, nullptr);
  if (result.failure.empty() && rc != 0)
    result.failure = "killed " + how + ": the next pass ended with " + std::to_string(rc);
  if (result.failure.empty() && !sim.punches().empty())
    result.failure = "killed " + how + ": the next pass left punches on the clock";
  const FileLines finalLines = readLines(file);
  std::map<std::string, size_t> seen;
  size_t unparsed = 0;
  for (const std::string& line : finalLines.lines) {
    const auto key = keyOfLine(line);
    if (key)
      ++seen[*key];
    else
      ++unparsed;
  }
  // The torn line of the kill was ended by the next pass: the only line allowed not to parse.
  if (result.failure.empty() && (unparsed > (afterKill.torn ? 1u : 0u) || finalLines.torn))
    result.failure = "killed " + how + ": a broken line in the middle of the file";
  size_t lostAtEnd = 0;
  for (const auto& p : original) {
    auto it = seen.find(keyOf(p));
    if (it == seen.end()) {
      ++lostAtEnd;
    } else {
      result.duplicateLines += it->second - 1;
    }
  }
  result.lost = std::max(result.lost, lostAtEnd);
  if (result.failure.empty() && lostAtEnd > 0) result.failure = "killed " + how + ": punches lost";
  result.passed = result.failure.empty();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return result;
}

void runTrials(Trial trial, const std::string& childProgram, uint32_t firstSeed, uint32_t count,
               uint32_t atOnce, const std::function<void(uint32_t, const TrialResult&)>& each) {
  const uint32_t end = firstSeed + count;
  for (uint32_t first = firstSeed; first < end; first += atOnce) {
    std::vector<std::future<TrialResult>> batch;
    for (uint32_t seed = first; seed < first + atOnce && seed < end; ++seed)
      batch.push_back(std::async(std::launch::async, trial, childProgram, seed));
    for (uint32_t i = 0; i < batch.size(); ++i) each(first + i, batch[i].get());
  }
}

Tally tallyTrials(Trial trial, const std::string& childProgram, uint32_t firstSeed, uint32_t count,
                  uint32_t atOnce) {
  Tally t;
  runTrials(trial, childProgram, firstSeed, count, atOnce, [&](uint32_t, const TrialResult& r) {
    t.lost += r.lost;
    t.duplicateLines += r.duplicateLines;
    t.tornFiles += r.tornFiles;
    if (!r.passed) {
      ++t.failed;
      std::fprintf(stderr, "%s\n", r.failure.c_str());
    }
  });
  return t;
}

}  // namespace kill9
