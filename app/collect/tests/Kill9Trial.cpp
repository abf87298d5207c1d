#include "Kill9Trial.h"

#include <clocksim/simulator.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <thread>
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

// Runs the child; with killAfter, SIGKILLs it once that time has passed (if still running).
// The exit status, or -1 when it had to be stopped for taking far too long.
int runChild(const std::string& program, const std::vector<std::string>& args,
             std::optional<std::chrono::milliseconds> killAfter) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int err = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) return -1;
  const auto start = std::chrono::steady_clock::now();
  const auto giveUp = start + std::chrono::seconds(120);  // a hung child, not a slow one
  int status = 0;
  while (true) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    const auto now = std::chrono::steady_clock::now();
    if ((killAfter && now - start >= *killAfter) || now >= giveUp) {
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

}  // namespace

TrialResult runTrial(const std::string& childProgram, uint32_t seed) {
  TrialResult result;
  char tmpl[] = "/tmp/velta-kill9-XXXXXX";
  if (!::mkdtemp(tmpl)) {
    result.failure = "no temporary folder";
    return result;
  }
  const std::string folder = tmpl;
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
  runChild(childProgram, args, delay);
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
  const int rc = runChild(childProgram, {folder, port}, std::nullopt);
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

}  // namespace kill9
