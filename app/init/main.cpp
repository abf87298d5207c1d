// velta-init FOLDER USER: makes FOLDER (created when missing) a folder a station can start in,
// with VELTA.DAT holding the administrator USER and VELTA.INI the program's start-up values.
// The password, a number, is typed twice without echo on a terminal, or read as one line from
// standard input otherwise; there is no default. Ends with 0 when the folder is ready, 1 when
// it refused (a reason on standard error, in the folder's language), 2 on a wrong call.
#include "core/MessagesExtra.h"
#include "core/ProgramObjects.h"
#include "init/StationInit.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// Longest password line taken: far more than any number the user file holds.
constexpr size_t kMaxLine = 256;

// One line of standard input without its line end; false at its end with nothing read.
bool readLine(std::string& line) {
  line.clear();
  bool any = false;
  for (int c; (c = std::getchar()) != EOF;) {
    any = true;
    if (c == '\n') break;
    if (line.size() < kMaxLine) line += static_cast<char>(c);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

// Asks on the terminal with its echo off; the echo comes back whatever happens.
std::string askHidden(const std::string& prompt) {
  // The echo goes off before the prompt shows: what is typed after it is neither shown nor
  // thrown away with what was typed ahead.
  termios saved{};
  const bool hidden = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (hidden) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  std::string line;
  readLine(line);
  if (hidden) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  return line;
}

int refuse(const std::string& why) {
  std::fprintf(stderr, "velta-init: %s\n", why.c_str());
  return 1;
}

int run(const std::string& folder, const std::string& user) {
  ProgramObjects objects;
  StationInit init(folder);
  if (std::string why = init.checkFolder(); !why.empty()) return refuse(why);
  if (std::string why = init.checkUser(user); !why.empty()) return refuse(why);

  std::string typed;
  std::optional<std::string> again;
  if (::isatty(STDIN_FILENO)) {
    typed = askHidden(GetExtraMsgIn(ExtraMsg::InitPasswordPrompt, init.lenguaje(), {user}));
    again = askHidden(GetExtraMsgIn(ExtraMsg::InitPasswordAgain, init.lenguaje()));
  } else {
    readLine(typed);
  }
  int32_t password = 0;
  if (std::string why = init.checkPassword(typed, again, password); !why.empty())
    return refuse(why);
  if (std::string why = init.write(user, password); !why.empty()) return refuse(why);
  std::printf("velta-init: %s\n", init.done(user).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::printf("%s\n", GetExtraMsgIn(ExtraMsg::InitUsage, 0).c_str());
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "%s\n", GetExtraMsgIn(ExtraMsg::InitUsage, 0).c_str());
    return 2;
  }
  try {
    return run(argv[1], argv[2]);
  } catch (const std::exception& e) {  // a failure no check above foresaw; never a silent one
    return refuse(e.what());
  }
}
