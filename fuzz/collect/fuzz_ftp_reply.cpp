// Arbitrary server replies to an FTP upload. libcurl parses the replies; what this program
// reads of them is the conversation its debug callback keeps (the last reply, multi-line
// replies, a proxy's status line) and the failure it turns that into. A scripted server on
// 127.0.0.1 answers each command with the next piece of the input (pieces end at a NUL byte)
// and hangs up after the last. Active mode only, so no data connection is ever made to a
// port a reply names.
#include "collect/FtpUpload.h"
#include "fuzz_scratch.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kPassword = "s3cret-pw";

// Waits up to ms for fd to become readable.
bool readable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

void sendAll(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = ::send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// True when text ends in a whole last line of a reply ("ddd text" and a line end): only then
// may libcurl answer with a command rather than wait for more.
bool endsReply(const std::string& text) {
  if (text.empty() || text.back() != '\n') return false;
  size_t end = text.size() - 1;
  if (end > 0 && text[end - 1] == '\r') --end;
  const size_t lf = text.rfind('\n', end == 0 ? 0 : end - 1);
  const size_t start = lf == std::string::npos || lf >= end ? 0 : lf + 1;
  const std::string line = text.substr(start, end - start);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return line.size() >= 3 && digit(line[0]) && digit(line[1]) && digit(line[2]) &&
         (line.size() == 3 || line[3] == ' ');
}

// One control connection: the first piece greets, each later piece answers one command line
// (or goes out at once when the piece before left libcurl waiting for the rest of a reply, or
// after a short wait when no command comes), then the server hangs up.
void serve(int listener, const std::vector<std::string>& pieces) {
  if (!readable(listener, 5000)) return;
  const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  std::string pending;
  for (size_t k = 0; k < pieces.size(); ++k) {
    if (k > 0 && endsReply(pieces[k - 1])) {
      while (pending.find('\n') == std::string::npos && readable(fd, 50)) {
        char buf[512];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        pending.append(buf, static_cast<size_t>(n));
      }
      const size_t lf = pending.find('\n');
      pending.erase(0, lf == std::string::npos ? pending.size() : lf + 1);
    }
    sendAll(fd, pieces[k]);
  }
  ::shutdown(fd, SHUT_RDWR);
  ::close(fd);
}

int listenerOn(uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::listen(fd, 4) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
    std::abort();
  port = ntohs(a.sin_port);
  return fd;
}

bool knownStep(const std::string& step) {
  return step == "InternetOpen" || step == "InternetConnect" || step == "SetCurrentDirectory" ||
         step == "FtpPutFile";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static uint16_t port = 0;
  static const int listener = listenerOn(port);
  static const std::string local = [] {
    const uint8_t punches[] = "00100 01/12/2026 08:00 1 01\r\n00200 01/12/2026 08:01 1 01\r\n";
    return fuzzInputFile("PUNCH.MIR", punches, sizeof punches - 1);
  }();

  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> pieces;
  for (size_t pos = 0; pos <= input.size() && pieces.size() < 16;) {
    size_t end = input.find('\0', pos);
    if (end == std::string::npos) end = input.size();
    pieces.push_back(input.substr(pos, end - pos));
    pos = end + 1;
  }

  collect::FtpSettings s;
  s.url = "127.0.0.1";
  s.remotePort = static_cast<int16_t>(port);
  s.username = "fuzz";
  s.password = kPassword;
  s.path = pieces.size() % 2 ? "in" : "";
  s.transferBinary = pieces.size() % 3 == 0;
  s.modoPasivo = 0;
  collect::FtpUpload upload;
  upload.pump = nullptr;
  upload.connectLimit = std::chrono::milliseconds(2000);
  upload.replyLimit = std::chrono::seconds(5);
  upload.stallLimit = std::chrono::seconds(5);
  upload.acceptLimit = std::chrono::milliseconds(1);

  std::thread server(serve, listener, std::cref(pieces));
  const collect::FtpResult r = upload.run(s, local, "PUNCH.MIR");
  server.join();

  if (r.cancelled) std::abort();
  if (r.done != r.step.empty() || (!r.done && !knownStep(r.step))) std::abort();
  if (!r.done && r.reply.empty()) std::abort();
  const char last = r.reply.empty() ? 'x' : r.reply.back();
  if (last == '\r' || last == '\n' || last == '\0') std::abort();
  // Only what the server said, or libcurl's own text, is reported: never the password.
  std::string said;
  for (const std::string& p : pieces) said += p;
  if (r.reply.find(kPassword) != std::string::npos && said.find(kPassword) == std::string::npos)
    std::abort();
  (void)r.errorText();
  return 0;
}
